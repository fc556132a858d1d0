// The LCD coding as drawn text: every character the program relies on maps to
// what a person expects to read, so no "*" shows where Ω is meant.
#include <QFontInfo>
#include <QtTest>

#include "app/lcd_glyphs.h"

class TestLcdGlyphs : public QObject {
    Q_OBJECT

private slots:
    void displayText_data()
    {
        QTest::addColumn<QByteArray>("coded");
        QTest::addColumn<QString>("shown");
        QTest::newRow("volts") << QByteArray("V") << QStringLiteral("V");
        QTest::newRow("millivolts") << QByteArray("mV") << QStringLiteral("mV");
        QTest::newRow("ohm") << QByteArray("*") << QStringLiteral("\u03A9");
        QTest::newRow("kilo-ohm") << QByteArray("K*") << QStringLiteral("k\u03A9");
        QTest::newRow("mega-ohm") << QByteArray("M*") << QStringLiteral("M\u03A9");
        QTest::newRow("microamps") << QByteArray("+A") << QStringLiteral("\u00B5A");
        QTest::newRow("continuity, display blanks dropped") << QByteArray("&  *")
                                                            << QStringLiteral("\u2022)))\u03A9");
        QTest::newRow("temperature") << QByteArray("?") << QStringLiteral("\u00B0C");
        QTest::newRow("diode") << QByteArray("V)") << QStringLiteral("V\u25B6|");
        QTest::newRow("hold") << QByteArray("\"") << QStringLiteral("HOLD");
        QTest::newRow("battery") << QByteArray("$") << QStringLiteral("BAT");
        QTest::newRow("duty") << QByteArray("%") << QStringLiteral("%");
        QTest::newRow("overload L") << QByteArray("0@") << QStringLiteral("0L");
        QTest::newRow("minus and digits") << QByteArray("-01.234") << QStringLiteral("-01.234");
        QTest::newRow("blank between words kept once") << QByteArray("Auto  range")
                                                       << QStringLiteral("Auto range");
        QTest::newRow("empty") << QByteArray("") << QString();
        QTest::newRow("control byte is visibly wrong") << QByteArray("V\x01") << QStringLiteral("V\uFFFD");
    }

    void displayText()
    {
        QFETCH(QByteArray, coded);
        QFETCH(QString, shown);
        QCOMPARE(tavolo::lcdDisplayText(std::string_view(coded.constData(), static_cast<std::size_t>(coded.size()))),
                 shown);
    }

    void segmentGlyphsAreDigitsMinusAndL()
    {
        for (char c = '0'; c <= '9'; ++c)
            QVERIFY(tavolo::isSegmentGlyph(c));
        QVERIFY(tavolo::isSegmentGlyph('-'));
        QVERIFY(tavolo::isSegmentGlyph('@'));
        for (char c : {'*', '+', '&', '?', ')', '"', '$', '%', 'V', ' '})
            QVERIFY2(!tavolo::isSegmentGlyph(c), std::string(1, c).c_str());
    }

    void fontsAreTheInstalledFaces()
    {
        // The build machine installs fonts-dseg and fonts-liberation (scripts/setup).
        const QFontInfo digits(tavolo::lcdFont(40));
        QCOMPARE(digits.family(), QStringLiteral("DSEG7 Classic"));
        QCOMPARE(digits.pixelSize(), 40);
        const QFontInfo symbols(tavolo::lcdSymbolFont(24, true));
        QCOMPARE(symbols.family(), QStringLiteral("Liberation Sans"));
        QVERIFY(symbols.bold());
    }
};

QTEST_MAIN(TestLcdGlyphs)
#include "test_lcd_glyphs.moc"
