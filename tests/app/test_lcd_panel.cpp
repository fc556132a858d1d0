// The LCD panel draws the decoder's panel state and nothing else: what it reads
// and how full its bar graph is follow that state exactly.
#include <QImage>
#include <QtTest>

#include "app/lcd_panel_widget.h"
#include "decode/panel_state.h"

using tavolo::LcdControl;
using tavolo::LcdPanelWidget;
using tavolo::PanelState;

namespace {

// A state with the given digit captions, shown digits ('1' shown, '0' hidden),
// lit points ('1' lit) and sign.
PanelState state(const char* digits, const char* shown, const char* points, bool minus)
{
    PanelState s;
    const LcdControl digitControls[5] = {LcdControl::LcdD0, LcdControl::LcdDa, LcdControl::LcdDb,
                                         LcdControl::LcdDc, LcdControl::LcdDd};
    const LcdControl pointControls[4] = {LcdControl::LcdP0, LcdControl::LcdP1, LcdControl::LcdP2,
                                         LcdControl::LcdP3};
    for (int i = 0; i < 5; ++i) {
        s.digitCaptions[static_cast<std::size_t>(i)] = digits[i] == ' ' ? "" : std::string(1, digits[i]);
        s.setVisible(digitControls[i], shown[i] == '1');
    }
    for (int i = 0; i < 4; ++i)
        s.setVisible(pointControls[i], points[i] == '1');
    s.setVisible(LcdControl::LcdFH, minus);
    return s;
}

// How far along the bar graph's inner width the highlight colour reaches (0..1).
double barFill(LcdPanelWidget& panel)
{
    const QImage img = panel.grab().toImage();
    const QRect bar = LcdPanelWidget::barRect();
    const QColor fill = panel.palette().color(QPalette::Highlight);
    const int y = bar.center().y();
    int reach = 0;
    for (int x = bar.left(); x <= bar.right(); ++x)
        if (QColor(img.pixel(x, y)) == fill)
            reach = x - bar.left() - 1;
    return double(reach) / (bar.width() - 4);
}

}  // namespace

class TestLcdPanel : public QObject {
    Q_OBJECT

private slots:
    void readsTwentyTwoThousandBeforeTheFirstFrame()
    {
        LcdPanelWidget panel;
        QCOMPARE(panel.readout(), QStringLiteral("22000"));
    }

    void readout_data()
    {
        QTest::addColumn<QByteArray>("digits");
        QTest::addColumn<QByteArray>("shown");
        QTest::addColumn<QByteArray>("points");
        QTest::addColumn<bool>("minus");
        QTest::addColumn<QString>("reads");
        QTest::newRow("1.23, two leading zeros blanked") << QByteArray("00123") << QByteArray("00111")
                                                         << QByteArray("0010") << false << QStringLiteral("1.23");
        QTest::newRow("0.0 with P3") << QByteArray("00000") << QByteArray("00011") << QByteArray("0001") << false
                                     << QStringLiteral("0.0");
        QTest::newRow("no point, nothing blanked") << QByteArray("00123") << QByteArray("11111")
                                                   << QByteArray("0000") << false << QStringLiteral("00123");
        QTest::newRow("negative") << QByteArray("01234") << QByteArray("01111") << QByteArray("0010") << true
                                  << QStringLiteral("-12.34");
        QTest::newRow("overload picture") << QByteArray(" 0@  ") << QByteArray("11111") << QByteArray("0001")
                                          << false << QStringLiteral("0L.");
    }

    void readout()
    {
        QFETCH(QByteArray, digits);
        QFETCH(QByteArray, shown);
        QFETCH(QByteArray, points);
        QFETCH(bool, minus);
        QFETCH(QString, reads);
        LcdPanelWidget panel;
        panel.setState(state(digits.constData(), shown.constData(), points.constData(), minus));
        QCOMPARE(panel.readout(), reads);
    }

    void barGraph_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<double>("lowest");
        QTest::addColumn<double>("highest");
        QTest::newRow("empty at zero") << 0 << 22 << 0.0 << 0.0;
        QTest::newRow("one count of 22") << 1 << 22 << 0.02 << 0.07;
        QTest::newRow("21 of 22") << 21 << 22 << 0.85 << 0.96;
        QTest::newRow("overload at the maximum is full") << 22 << 22 << 0.9 << 1.0;
        QTest::newRow("above the maximum is full, not past the edge") << 60 << 40 << 0.9 << 1.0;
        QTest::newRow("no maximum draws nothing") << 5 << 0 << 0.0 << 0.0;
        QTest::newRow("negative position draws nothing") << -3 << 22 << 0.0 << 0.0;
    }

    void barGraph()
    {
        QFETCH(int, position);
        QFETCH(int, maximum);
        QFETCH(double, lowest);
        QFETCH(double, highest);
        LcdPanelWidget panel;
        panel.resize(334, 181);
        PanelState s;
        s.barPosition = position;
        s.barMaximum = maximum;
        panel.setState(s);
        const double fill = barFill(panel);
        QVERIFY2(fill >= lowest && fill <= highest, qPrintable(QString::number(fill)));
    }

    void pointsAreFilledSquaresInTheGaps()
    {
        // A lit point is black inside its square and lies between two digits' ink.
        LcdPanelWidget panel;
        panel.resize(334, 181);
        panel.setState(state("88888", "11111", "1111", false));
        const QImage img = panel.grab().toImage();
        for (int i = 0; i < 4; ++i) {
            const QRect r = LcdPanelWidget::pointRect(i);
            QCOMPARE(QColor(img.pixel(r.center())), QColor(Qt::black));
            QVERIFY(r.left() > LcdPanelWidget::digitRect(i).right());
            QVERIFY(r.right() <= LcdPanelWidget::digitRect(i + 1).left());
        }
    }
};

QTEST_MAIN(TestLcdPanel)
#include "test_lcd_panel.moc"
