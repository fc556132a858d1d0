// The window's controls as the layout builds them: which buttons the keyboard
// reaches, the text faces of the grid and the chart, the record-limit menu as
// one choice, and the verdict circle. Offscreen.
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QFontInfo>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

#include <cstdint>
#include <memory>
#include <vector>

#include "app/shape_circle.h"
#include "app/chart_panel_view.h"
#include "app/connection_bar.h"
#include "app/dialog_services.h"
#include "app/lcd_panel_view.h"
#include "app/limit_panel_view.h"
#include "app/recording_bar.h"
#include "app/usb_state_panel.h"
#include "app/tfcomm.h"
#include "app/views/reading_grid.h"
#include "app/views/reading_table_model.h"
#include "app/views/chart_view.h"
#include "app/window_fonts.h"
#include "decode/meter_decoder.h"
#include "frame_encoder.h"
#include "hid/sim/sim_hid_platform.h"

namespace {

struct Window {
    Window() : w(std::make_shared<tavolo::SimHidPlatform>()) { w.show(); }

    // One DC volts reading, so the grid has a row.
    void reading()
    {
        tavolo::sim::MeterFrame f;
        f.range = 1;
        f.digits = "01234";
        f.function = 11;
        f.options = 10;  // DC, AUTO
        std::vector<std::uint8_t> bytes{tavolo::sim::kLf};  // the line end before the first frame
        const auto frame = tavolo::sim::encodeFrame(f);
        bytes.insert(bytes.end(), frame.begin(), frame.end());
        w.decoder().VexaDATA(bytes.data(), bytes.size());
        w.repaintNow();
    }

    TFCOMM w;
};

QString describe(const QFont& font)
{
    return QStringLiteral("%1 %2px weight %3 (drawn in %4)")
        .arg(font.families().join(QLatin1Char(',')))
        .arg(font.pixelSize())
        .arg(font.weight())
        .arg(QFontInfo(font).family());
}

}  // namespace

class WindowLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void tabPassesTheSpeedButtonsBy()
    {
        Window t;
        TFCOMM& w = t.w;
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const QList<QToolButton*> speedButtons{w.connectionBar().COMCon,     w.connectionBar().USBCon,  w.chartPanel().BtSave,        w.chartPanel().BtFirst,
                                               w.chartPanel().BTPrevious, w.chartPanel().Bt10,    w.chartPanel().BtNext,        w.chartPanel().BTlast,
                                               w.recordingBar().RecordNew,  w.recordingBar().OpenDataFiles, w.recordingBar().saveas, w.recordingBar().BtPrint};
        for (QToolButton* b : speedButtons)
            QVERIFY2(b->focusPolicy() == Qt::NoFocus, qPrintable(b->text() + b->toolTip()));

        // Round the whole window with Tab: QUIT and the edits come up, no speed button does.
        w.limitPanel().T1HI->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.limitPanel().T1HI));
        QSet<QWidget*> reached;
        for (int i = 0; i < 40; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            reached << QApplication::focusWidget();
        }
        QVERIFY(reached.contains(w.connectionBar().BitBtn1));
        QVERIFY(reached.contains(w.limitPanel().T1LO) && reached.contains(w.chartPanel().Maxrecord) && reached.contains(w.recordingBar().RecordSITime));
        for (QToolButton* b : speedButtons)
            QVERIFY2(!reached.contains(b), qPrintable(b->text() + b->toolTip()));

        // "Close Data" is flat: no bevel until the mouse is over it.
        QVERIFY(w.recordingBar().RecordNew->autoRaise());
    }

    void textFacesGoThroughTheFontMapping()
    {
        Window t;
        TFCOMM& w = t.w;
        t.reading();
        auto* chart = qobject_cast<tavolo::ChartView*>(w.chartPanel().Chtshow);
        QVERIFY(chart);
        const QAbstractItemModel* grid = w.recordingBar().DBGrid1->model();
        QCOMPARE(grid->rowCount(), 1);
        const QFont titles = tavolo::msSansSerifFont(11);
        const struct {
            const char* place;
            QFont font;
            QFont expected;
        } faces[] = {
            {"grid column titles", grid->headerData(0, Qt::Horizontal, Qt::FontRole).value<QFont>(), titles},
            {"grid cells", grid->data(grid->index(0, 0), Qt::FontRole).value<QFont>(), tavolo::arialFont(12)},
            {"\"Record Number\"", chart->xAxis->labelFont(), titles},
            {"\"Value\"", chart->yAxis->labelFont(), titles},
            {"bottom axis numbers", chart->xAxis->tickLabelFont(), titles},
            {"left axis numbers", chart->yAxis->tickLabelFont(), titles},
        };
        for (const auto& face : faces) {
            const bool same = face.font.families() == face.expected.families() &&
                              face.font.pixelSize() == face.expected.pixelSize() &&
                              face.font.weight() == face.expected.weight();
            QVERIFY2(same, qPrintable(QStringLiteral("%1: %2, expected %3")
                                          .arg(QLatin1String(face.place), describe(face.font),
                                               describe(face.expected))));
        }
    }

    void recordLimitsAreOneRadioChoice()
    {
        Window t;
        TFCOMM& w = t.w;
        const QList<QAction*> items{w.recordingBar().N10001, w.recordingBar().N50001, w.recordingBar().N100001, w.recordingBar().N500001, w.recordingBar().N1000001, w.recordingBar().limitess};
        QActionGroup* group = w.recordingBar().N10001->actionGroup();
        QVERIFY(group);
        // An exclusive group is what the menu draws as radio items.
        QVERIFY(group->isExclusive());
        QCOMPARE(group->actions(), items);
        QCOMPARE(group->checkedAction(), w.recordingBar().N100001);
        for (QAction* chosen : items) {
            for (int again = 0; again < 2; ++again) {  // choosing the marked item keeps its mark
                chosen->trigger();
                for (QAction* item : items)
                    QCOMPARE(item->isChecked(), item == chosen);
            }
        }
    }

    void verdictShapeIsACircle_data()
    {
        QTest::addColumn<QSize>("box");
        QTest::addColumn<QRect>("circle");
        QTest::newRow("the limit panel's 113 x 121") << QSize(113, 121) << QRect(0, 4, 113, 113);
        QTest::newRow("wider than tall") << QSize(121, 113) << QRect(4, 0, 113, 113);
        QTest::newRow("square") << QSize(60, 60) << QRect(0, 0, 60, 60);
    }

    void verdictShapeIsACircle()
    {
        QFETCH(QSize, box);
        QFETCH(QRect, circle);
        tavolo::ShapeCircle shape;
        shape.resize(box);
        shape.setBrushColor(Qt::green);
        QImage image(box, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        shape.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        QRect painted;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) > 0)
                    painted |= QRect(x, y, 1, 1);
        QCOMPARE(painted, circle);
        QCOMPARE(image.pixelColor(circle.center()), QColor(Qt::green));
    }
};

QTEST_MAIN(WindowLayoutTest)
#include "test_window_layout.moc"
