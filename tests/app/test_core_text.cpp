// The one crossing of texts between the core and Qt: LCD-coded texts byte for
// character, everything else UTF-8 both ways.
#include <QtTest>

#include <string>

#include "app/core_text.h"

class CoreTextTest : public QObject {
    Q_OBJECT

private slots:
    void lcdCodedTextsAreOneCharacterPerByte_data()
    {
        QTest::addColumn<QByteArray>("coded");
        QTest::addColumn<QString>("shown");
        QTest::newRow("digits") << QByteArray("01.234") << QStringLiteral("01.234");
        QTest::newRow("unit codes stay codes") << QByteArray("K*") << QStringLiteral("K*");
        QTest::newRow("continuity, blanks kept") << QByteArray("&  *") << QStringLiteral("&  *");
        QTest::newRow("high byte, not UTF-8") << QByteArray("\xb5V") << QStringLiteral("\u00b5V");
        QTest::newRow("two high bytes that would be one UTF-8 character") << QByteArray("\xc2\xb5")
                                                                           << QStringLiteral("\u00c2\u00b5");
        QTest::newRow("empty") << QByteArray() << QString();
    }

    void lcdCodedTextsAreOneCharacterPerByte()
    {
        QFETCH(QByteArray, coded);
        QFETCH(QString, shown);
        const std::string_view text(coded.constData(), static_cast<std::size_t>(coded.size()));
        QCOMPARE(tavolo::fromLcdCoded(text), shown);
        QCOMPARE(tavolo::fromLcdCoded(text).size(), coded.size());
        for (qsizetype i = 0; i < coded.size(); ++i)
            QCOMPARE(tavolo::fromLcdCoded(coded[i]), shown[i]);
    }

    void messagesAndPathsAreUtf8BothWays_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << QStringLiteral("COM1 closed");
        QTest::newRow("path with accents") << QStringLiteral("/home/jos\u00e9/M\u00fcnchen/data.xls");
        QTest::newRow("outside Latin-1") << QStringLiteral("\u6e2c\u5b9a/\u03a9.txt");
        QTest::newRow("empty") << QString();
    }

    void messagesAndPathsAreUtf8BothWays()
    {
        QFETCH(QString, text);
        const std::string core = tavolo::toCoreText(text);
        QCOMPARE(QByteArray::fromStdString(core), text.toUtf8());
        QCOMPARE(tavolo::fromCoreText(core), text);
    }
};

QTEST_MAIN(CoreTextTest)
#include "test_core_text.moc"
