// The window's recording half as a user drives it: readings becoming rows and
// points, the repeat filter, the record limit menu, the clear question, paging,
// the delayed page size, enlarging the chart, saving and opening each format,
// the chart bitmap and the printed report. Offscreen; every dialog and message
// box is answered by the test.
#include <QAction>
#include <QCheckBox>
#include <QImage>
#include <QLayout>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <memory>
#include <string>
#include <vector>

#include "app/click_panel.h"
#include "app/lcd_panel_widget.h"
#include "app/chart_panel_view.h"
#include "app/connection_bar.h"
#include "app/dialog_services.h"
#include "app/lcd_panel_view.h"
#include "app/limit_panel_view.h"
#include "app/recording_bar.h"
#include "app/usb_state_panel.h"
#include "app/tfcomm.h"
#include "app/views/reading_grid.h"
#include "record/meter_session.h"
#include "app/views/chart_view.h"
#include "app/views/reading_report.h"
#include "app/views/reading_table_model.h"
#include "app/views/report_preview.h"
#include "app/views/report_print.h"
#include "decode/meter_decoder.h"
#include "frame_encoder.h"
#include "hid/sim/sim_hid_platform.h"
#include "hid/usb_bridge_link.h"

using tavolo::FileDialogRequest;
using tavolo::NoticeKind;

namespace {

// A DC volts frame showing the five digits on the 22 V range ("dd.ddd" V).
std::vector<std::uint8_t> dcVoltsFrame(const std::string& digits)
{
    tavolo::sim::MeterFrame f;
    f.range = tavolo::frame::range::volts::k22V;
    f.digits = digits;
    f.function = tavolo::frame::function::kVolts;
    f.options = tavolo::frame::option3::kDc | tavolo::frame::option3::kAuto;
    const auto bytes = tavolo::sim::encodeFrame(f);
    return {bytes.begin(), bytes.end()};
}

struct Notice {
    NoticeKind kind;
    QString title;
    QString text;
};

// The window with every box and dialog answered by the test.
struct Window {
    Window() : w(std::make_shared<tavolo::SimHidPlatform>())
    {
        w.services().setQuestionHook([this](const QString& text) {
            questions << text;
            return answer;
        });
        w.services().setMessageHook([this](const QString& text) { messages << text; });
        w.services().setFileDialogHook([this](const FileDialogRequest& request) {
            dialogs.append(request);
            return nextPath;
        });
        w.services().setNoticeHook([this](NoticeKind kind, const QString& title, const QString& text) {
            notices.append({kind, title, text});
        });
        w.show();
        const std::uint8_t lf = tavolo::sim::kLf;  // the line end before the first frame
        w.decoder().VexaDATA(&lf, 1);
    }


    void frame(const std::string& digits)
    {
        const auto bytes = dcVoltsFrame(digits);
        w.decoder().VexaDATA(bytes.data(), bytes.size());
    }
    // Distinct readings 0001, 0002, ... so the repeat filter never holds one back.
    void readings(int count)
    {
        for (int i = 0; i < count; ++i)
            frame(QStringLiteral("%1").arg(++m_next % 100000, 5, 10, QLatin1Char('0')).toStdString());
        w.repaintNow();
    }

    int gridRows() { return w.recordingBar().DBGrid1->model()->rowCount(); }

    TFCOMM w;
    bool answer = false;
    QStringList questions;
    QStringList messages;
    QList<FileDialogRequest> dialogs;
    QList<Notice> notices;
    QString nextPath;
    int m_next = 0;
};

}  // namespace

class RecordingWindowTest : public QObject {
    Q_OBJECT

private slots:
    void readingsBecomeRowsAndPoints()
    {
        Window t;
        t.readings(5);
        QCOMPARE(t.w.session().table().rowCount(), std::size_t(5));
        QCOMPARE(t.gridRows(), 5);
        QCOMPARE(t.w.recordingBar().DBGrid1->currentRow(), 4);  // the grid follows the newest row
        QCOMPARE(t.w.recordingBar().DBGrid1->model()->data(t.w.recordingBar().DBGrid1->model()->index(4, 0)).toString(), QStringLiteral("5"));
        QCOMPARE(t.w.recordingBar().DBGrid1->model()->data(t.w.recordingBar().DBGrid1->model()->index(4, 3)).toString(),
                 QStringLiteral("00.005"));
        QCOMPARE(t.w.session().chart().pointCount(), std::size_t(6));  // start point + 5
        auto* chart = qobject_cast<tavolo::ChartView*>(t.w.chartPanel().Chtshow);
        QVERIFY(chart);
        QCOMPARE(chart->plottedPointCount(), 6);
        QCOMPARE(t.w.chartPanel().Bt10->text(), QStringLiteral("1"));
    }

    // The recall clock, the sampling interval and its edit as the user sets
    // them reach the frame steps; every frame leaves its twelve trace lines.
    void recordingControlsReachTheFrameSteps()
    {
        Window t;
        const tavolo::ReadingTable& table = t.w.session().table();
        t.w.recordingBar().RecallCheck->click();
        t.w.recordingBar().TimeInt->setText(QStringLiteral("3600"));
        t.frame("00001");
        t.frame("00002");
        QCOMPARE(table.rowCount(), std::size_t(2));
        QCOMPARE(table.text(0, tavolo::TableField::Time), std::string("01:00:00"));
        QCOMPARE(table.text(1, tavolo::TableField::Time), std::string("02:00:00"));

        // The countdown stored with the last row ("10") holds readings back
        // once sampling is on; after ten ticks the next one is recorded and
        // the edit's new interval is stored.
        t.w.recordingBar().RecordSITime->setText(QStringLiteral("5"));
        t.w.recordingBar().RecordSI->click();
        t.frame("00003");
        QCOMPARE(table.rowCount(), std::size_t(2));
        for (int tick = 0; tick < 10; ++tick)
            t.w.recordingBar().TrecordTimer();
        t.frame("00004");
        QCOMPARE(table.rowCount(), std::size_t(3));
        QCOMPARE(t.w.session().recordRule().state().SampleCountdown, 5);

        const tavolo::BoundedLog& memo1 = t.w.usbLink().Memo1();
        const tavolo::BoundedLog& memo2 = t.w.usbLink().Memo2();
        QCOMPARE(memo1.size(), std::size_t(4 * 12));
        QCOMPARE(memo2.size(), std::size_t(4 * 12));
        QCOMPARE(memo1.lines()[36].size(), std::size_t(4));   // the fourth frame's first prefix
        QCOMPARE(memo1.back().size(), std::size_t(48));       // ... and its whole bits
        QCOMPARE(memo2.lines()[36], memo2.back());            // its text on every line
    }

    // A restore changes the session behind the panels: the window shows the
    // restored rows, page and record limit at once.
    void restoredSessionIsShown()
    {
        Window t;
        t.readings(2);
        tavolo::MeterSession& session = t.w.session();
        tavolo::ReadingTable restored;
        for (int i = 1; i <= 150; ++i) {
            tavolo::RowValues row;
            row.no = i;
            row.value = "01.000";
            restored.appendRow(row);
        }
        session.table().swap(restored);
        session.controls().chooseRecordLimit(tavolo::RecordLimit::N50000);
        for (int i = 0; i < 150; ++i)
            session.chart().addPoint(1.0);
        t.w.showRestoredSession();
        QCOMPARE(t.gridRows(), 150);
        QCOMPARE(t.w.recordingBar().DBGrid1->currentRow(), 149);
        QVERIFY(t.w.recordingBar().N500001->isChecked() && !t.w.recordingBar().N100001->isChecked());
        QCOMPARE(t.w.chartPanel().Bt10->text(), QString::fromStdString(session.chartPanel().Bt10()));
    }

    void steadyReadingWithRepeatOff()
    {
        Window t;
        t.w.recordingBar().RepeatSet->click();
        QVERIFY(!t.w.recordingBar().RepeatSet->isChecked());
        for (int i = 0; i < 4; ++i)
            t.frame("01234");
        t.w.repaintNow();
        QCOMPARE(t.w.session().table().rowCount(), std::size_t(1));
        QCOMPARE(t.gridRows(), 1);
        QCOMPARE(t.w.session().chart().pointCount(), std::size_t(5));  // every frame still charted
    }

    void recordLimitMenu()
    {
        Window t;
        const QList<QAction*> items{t.w.recordingBar().N10001, t.w.recordingBar().N50001, t.w.recordingBar().N100001,
                                    t.w.recordingBar().N500001, t.w.recordingBar().N1000001, t.w.recordingBar().limitess};
        for (QAction* item : items)
            QCOMPARE(item->isChecked(), item == t.w.recordingBar().N100001);
        t.w.recordingBar().N10001->trigger();
        for (QAction* item : items)
            QCOMPARE(item->isChecked(), item == t.w.recordingBar().N10001);
        QCOMPARE(t.w.session().recordRule().state().MaxRecords, 1000);
        t.w.recordingBar().limitess->trigger();
        QCOMPARE(t.w.session().recordRule().state().MaxRecords, 10000000);
        QVERIFY(t.w.recordingBar().limitess->isChecked() && !t.w.recordingBar().N10001->isChecked());

        // Below the rows already recorded: recording stops, nothing is charted.
        t.readings(3);
        t.w.session().recordRule().state().MaxRecords = 3;
        t.readings(2);
        QCOMPARE(t.w.session().table().rowCount(), std::size_t(3));
        QCOMPARE(t.w.session().chart().pointCount(), std::size_t(4));
    }

    void clearAnsweredNoThenYes()
    {
        Window t;
        t.readings(150);
        QCOMPARE(t.w.chartPanel().Bt10->text(), QStringLiteral("2"));
        t.answer = false;
        t.w.recordingBar().RecordNew->click();
        QCOMPARE(t.questions, QStringList{QStringLiteral("Do you want to delete this record?")});
        QCOMPARE(t.w.session().table().rowCount(), std::size_t(150));
        QCOMPARE(t.gridRows(), 150);
        QCOMPARE(t.w.session().chart().pointCount(), std::size_t(151));

        t.answer = true;
        t.w.recordingBar().RecordNew->click();
        QCOMPARE(t.w.session().table().rowCount(), std::size_t(0));
        QCOMPARE(t.gridRows(), 0);
        QCOMPARE(t.w.session().chart().pointCount(), std::size_t(1));
        QCOMPARE(t.w.chartPanel().Bt10->text(), QStringLiteral("1"));
        QCOMPARE(t.w.session().chart().windowMinimum(), 1);
        t.readings(1);
        QCOMPARE(t.w.recordingBar().DBGrid1->model()->data(t.w.recordingBar().DBGrid1->model()->index(0, 0)).toString(), QStringLiteral("1"));
    }

    void pagingThroughTwoHundredFiftyValues()
    {
        Window t;
        t.readings(250);
        const tavolo::ChartModel& chart = t.w.session().chart();
        QCOMPARE(t.w.chartPanel().Bt10->text(), QStringLiteral("3"));
        QCOMPARE(chart.windowMinimum(), 201);
        QCOMPARE(chart.windowMaximum(), 300);

        t.w.chartPanel().BtFirst->click();
        QCOMPARE(t.w.chartPanel().Bt10->text(), QStringLiteral("1"));
        QCOMPARE(chart.windowMinimum(), 1);
        t.readings(5);  // browsing: the window stays
        QCOMPARE(chart.windowMinimum(), 1);
        QCOMPARE(t.w.chartPanel().Bt10->text(), QStringLiteral("1"));
        t.w.chartPanel().BTPrevious->click();  // nothing before page 1
        QCOMPARE(t.w.chartPanel().Bt10->text(), QStringLiteral("1"));
        t.w.chartPanel().BtNext->click();
        QCOMPARE(t.w.chartPanel().Bt10->text(), QStringLiteral("2"));
        QCOMPARE(chart.windowMinimum(), 101);
        t.w.chartPanel().BTlast->click();
        QCOMPARE(t.w.chartPanel().Bt10->text(), QStringLiteral("3"));
        QCOMPARE(chart.windowMaximum(), 300);
        t.w.chartPanel().BtNext->click();  // nothing after the last page
        QCOMPARE(t.w.chartPanel().Bt10->text(), QStringLiteral("3"));
        auto* view = qobject_cast<tavolo::ChartView*>(t.w.chartPanel().Chtshow);
        view->refreshNow();
        QCOMPARE(view->xAxis->range().lower, 201.0);
        QCOMPARE(view->xAxis->range().upper, 300.0);
    }

    void pageSizeAppliedOnceTwoSecondsAfterTheLastKey()
    {
        Window t;
        t.readings(250);
        QSignalSpy ticks(t.w.chartPanel().Timer2, &QTimer::timeout);
        t.w.chartPanel().Maxrecord->clear();
        QTest::keyClicks(t.w.chartPanel().Maxrecord, QStringLiteral("5"));
        QTest::qWait(500);
        QTest::keyClicks(t.w.chartPanel().Maxrecord, QStringLiteral("0"));
        QTest::qWait(1700);  // 2.2 s after the first key, 1.7 s after the last
        QCOMPARE(ticks.count(), 0);
        QCOMPARE(t.w.session().ChartCtl().PageSize(), 100);
        QTRY_COMPARE_WITH_TIMEOUT(ticks.count(), 1, 1000);
        QCOMPARE(t.w.session().ChartCtl().PageSize(), 50);
        QCOMPARE(t.w.session().chart().windowMinimum(), 201);
        QCOMPARE(t.w.session().chart().windowMaximum(), 250);
        QCOMPARE(t.w.chartPanel().Bt10->text(), QStringLiteral("5"));
        QVERIFY(t.notices.isEmpty());

        // An empty text fails the conversion: told, nothing changes.
        t.w.chartPanel().Maxrecord->setText(QStringLiteral("20"));
        t.w.chartPanel().Maxrecord->clear();
        t.w.chartPanel().Timer2Timer();
        QCOMPARE(t.notices.size(), 1);
        QCOMPARE(t.notices[0].text, QStringLiteral("'' is not a valid integer value"));
        QCOMPARE(t.w.session().ChartCtl().PageSize(), 50);
        // A page size of 0 is refused and the old size kept.
        t.w.chartPanel().Maxrecord->setText(QStringLiteral("0"));
        t.w.chartPanel().Timer2Timer();
        QCOMPARE(t.notices.size(), 2);
        QCOMPARE(t.w.session().ChartCtl().PageSize(), 50);
        t.readings(1);  // recording goes on
        QCOMPARE(t.w.session().table().rowCount(), std::size_t(251));
    }

    void enlargeAndRestore_data()
    {
        // A frame as a window manager draws it (left, top with the title bar,
        // right, bottom), added to the offscreen platform's 2-pixel border: the
        // window's own contents margins make its outer size grow the same way.
        QTest::addColumn<QMargins>("frame");
        QTest::addColumn<bool>("heldInside");  // the outer-size rule would run past the client area
        QTest::newRow("border only") << QMargins() << false;
        QTest::newRow("thin frame, title bar") << QMargins(4, 30, 4, 4) << true;
        QTest::newRow("thick frame, tall title bar") << QMargins(8, 38, 8, 8) << true;
    }

    void enlargeAndRestore()
    {
        QFETCH(QMargins, frame);
        QFETCH(bool, heldInside);
        Window t;
        t.w.setContentsMargins(frame);
        t.w.layout()->activate();
        QWidget* client = t.w.centralWidget();
        QCOMPARE(client->size(), QSize(714, 477));
        const QSize outer = t.w.frameGeometry().size();
        QCOMPARE(t.w.chartPanel().Chtshow->geometry(), QRect(336, 204, 376, 269));

        t.w.chartPanel().TbFd->click();
        const QRect big = t.w.chartPanel().Chtshow->geometry();
        if (heldInside)  // as far as the normal chart reaches: right 712, bottom 473
            QCOMPARE(big, QRect(2, 28, 710, 445));
        else
            QCOMPARE(big, QRect(2, 28, outer.width() - 12, outer.height() - 95));
        // The whole chart, its "Record Number" title included, lies in the client
        // area, above the status line.
        auto* view = qobject_cast<tavolo::ChartView*>(t.w.chartPanel().Chtshow);
        view->replot(QCustomPlot::rpImmediateRefresh);
        const QRect drawn = view->axisRect()->outerRect();
        QVERIFY(view->rect().contains(drawn));
        QVERIFY(drawn.bottom() > view->axisRect()->rect().bottom() + 10);  // room for the title
        QVERIFY(client->rect().contains(big));
        QVERIFY2(client->mapTo(&t.w, big.bottomLeft()).y() < t.w.statusBar()->y(),
                 qPrintable(QStringLiteral("chart bottom %1, status line at %2")
                                .arg(client->mapTo(&t.w, big.bottomLeft()).y())
                                .arg(t.w.statusBar()->y())));
        QCOMPARE(t.w.chartPanel().Panel5->pos(), QPoint(2, 2));
        QVERIFY(!t.w.lcdPanel().Panel1->isVisible());
        QVERIFY(!t.w.connectionBar().Panel6->isVisible());
        QVERIFY(!t.w.chartPanel().TbFd->isVisible());
        QVERIFY(t.w.chartPanel().TbSx->isVisible());
        // The chart covers the grid; the tool bar stays above the chart.
        const QPoint inGrid = t.w.recordingBar().DBGrid1->mapTo(client, QPoint(20, 60));
        QWidget* top = client->childAt(inGrid);
        QVERIFY(top == t.w.chartPanel().Chtshow || t.w.chartPanel().Chtshow->isAncestorOf(top));
        QWidget* onBar = client->childAt(t.w.chartPanel().Panel5->geometry().center());
        QVERIFY(onBar == t.w.chartPanel().Panel5 || t.w.chartPanel().Panel5->isAncestorOf(onBar));

        // The bitmap takes the enlarged size.
        QTemporaryDir dir;
        t.nextPath = dir.filePath(QStringLiteral("big.bmp"));
        t.w.chartPanel().BtSave->click();
        QCOMPARE(QImage(t.nextPath).size(), t.w.chartPanel().Chtshow->size());

        t.w.chartPanel().TbSx->click();
        QCOMPARE(t.w.chartPanel().Chtshow->geometry(), QRect(336, 204, 376, 269));
        QCOMPARE(t.w.chartPanel().SavedChartBounds, QRect(336, 204, 376, 269));
        QCOMPARE(t.w.chartPanel().Panel5->pos(), QPoint(341, 166));
        QVERIFY(t.w.lcdPanel().Panel1->isVisible());
        QVERIFY(t.w.connectionBar().Panel6->isVisible());
        QVERIFY(t.w.chartPanel().TbFd->isVisible());
        QVERIFY(!t.w.chartPanel().TbSx->isVisible());
    }

    void saveThenOpen_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("xml");
        QTest::newRow("xls") << "data.xls" << false;
        QTest::newRow("txt") << "data.txt" << false;
        QTest::newRow("xml") << "data.xml" << true;
        QTest::newRow("upper-case XML is text") << "data.XML" << false;
        QTest::newRow("csv") << "data.csv" << false;
    }
    void saveThenOpen()
    {
        QFETCH(QString, name);
        QFETCH(bool, xml);
        Window t;
        t.readings(3);
        QTemporaryDir dir;
        t.nextPath = dir.filePath(name);
        t.w.recordingBar().saveas->click();
        QCOMPARE(t.dialogs.size(), 1);
        QCOMPARE(t.dialogs[0].filter, QStringLiteral("Excel File(*.xls);;XML(*.xml);;Txt File(*.txt);;CSV (*.csv)"));
        QCOMPARE(t.dialogs[0].defaultSuffix, QStringLiteral("xls"));
        QVERIFY(t.dialogs[0].confirmOverwrite);
        QVERIFY(QFile::exists(t.nextPath));
        if (xml) {
            QVERIFY(t.notices.isEmpty());
        } else {
            QCOMPARE(t.notices.size(), 1);
            QCOMPARE(t.notices[0].text,
                     QStringLiteral("save table to specified file: %1 Scuss!").arg(t.nextPath));
        }

        t.answer = true;
        t.w.recordingBar().RecordNew->click();
        QCOMPARE(t.gridRows(), 0);
        t.notices.clear();
        t.w.recordingBar().OpenDataFiles->click();
        QCOMPARE(t.dialogs[1].filter, QStringLiteral("Exel File(*.xls);;XML (*.xml);;Txt File(*.txt);;CSV (*.csv)"));
        QVERIFY(t.notices.isEmpty());
        QCOMPARE(t.w.session().table().rowCount(), std::size_t(3));
        QCOMPARE(t.gridRows(), 3);
        QCOMPARE(t.w.recordingBar().DBGrid1->model()->data(t.w.recordingBar().DBGrid1->model()->index(2, 3)).toString(),
                 QStringLiteral("00.003"));
        // The open dialog starts with the name chosen last time.
        t.nextPath.clear();
        t.w.recordingBar().OpenDataFiles->click();
        QCOMPARE(t.dialogs[2].startName, dir.filePath(name));
    }

    void failedSaveAndLoadAreReported()
    {
        Window t;
        t.readings(2);
        QTemporaryDir dir;
        t.nextPath = dir.filePath(QStringLiteral("missing/data.xls"));
        t.w.recordingBar().saveas->click();
        QCOMPARE(t.notices.size(), 1);
        QCOMPARE(t.notices[0].text, QStringLiteral("Could not save table to specified file: %1").arg(t.nextPath));

        QFile broken(dir.filePath(QStringLiteral("broken.xml")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("<?xml version=\"1.0\"?><nonsense/>");
        broken.close();
        t.nextPath = broken.fileName();
        t.w.recordingBar().OpenDataFiles->click();
        QCOMPARE(t.notices.size(), 2);
        QCOMPARE(t.notices[1].kind, NoticeKind::Error);
        QCOMPARE(t.notices[1].title, QStringLiteral("Error"));
        QCOMPARE(t.notices[1].text, QStringLiteral("Failed to Load File!"));
        t.readings(1);  // the table still records
        QCOMPARE(t.gridRows(), int(t.w.session().table().rowCount()));
    }

    void chartBitmapNames_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("bmp") << "chart.bmp" << "chart.bmp";
        QTest::newRow("png replaced") << "chart.png" << "chart.bmp";
        QTest::newRow("upper-case BMP replaced") << "chart.BMP" << "chart.bmp";
        QTest::newRow("none added") << "chart" << "chart.bmp";
    }
    void chartBitmapNames()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        Window t;
        t.readings(20);
        QTemporaryDir dir;
        t.nextPath = dir.filePath(chosen);
        t.w.chartPanel().BtSave->click();
        QCOMPARE(t.dialogs[0].filter, QStringLiteral("Bitmaps (*.bmp)"));
        const QString path = dir.filePath(written);
        QCOMPARE(t.notices.size(), 1);
        QCOMPARE(t.notices[0].text,
                 QStringLiteral("Graphic has been saved successfully at the following location: %1").arg(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(2), QByteArray("BM"));
        QCOMPARE(QImage(path).size(), QSize(376, 269));
        if (chosen != written)
            QVERIFY(!QFile::exists(dir.filePath(chosen)));
    }

    void chartBitmapThatCannotBeCreated()
    {
        Window t;
        QTemporaryDir dir;
        t.nextPath = dir.filePath(QStringLiteral("no/such/chart.bmp"));
        t.w.chartPanel().BtSave->click();
        QCOMPARE(t.notices.size(), 1);
        QVERIFY(t.notices[0].text.startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(t.nextPath)));
        QVERIFY(!t.notices[0].text.contains(QStringLiteral("successfully")));
    }

    void reportPrintedWhileRecordingGoesOn()
    {
        Window t;
        t.readings(100);
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
        bool frozenDuringPreview = false;
        int rowsShownDuringPreview = -1;
        t.w.services().setPreviewHook([&](tavolo::ReportPreview& preview) {
            preview.show();
            t.readings(7);  // readings arrive while the preview is open
            frozenDuringPreview = t.w.recordingBar().gridModel().isFrozen();
            rowsShownDuringPreview = t.gridRows();
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            const tavolo::ReadingReport& report = preview.report();
            QCOMPARE(report.rowCount(), std::size_t(100));  // the rows when the preview opened
            tavolo::setupReportPrinter(printer, report);
            QVERIFY(tavolo::printReport(report, printer, 1, report.pageCount()));
        });
        t.w.recordingBar().BtPrint->click();
        QVERIFY(frozenDuringPreview);
        QCOMPARE(rowsShownDuringPreview, 100);
        QCOMPARE(t.w.session().table().rowCount(), std::size_t(107));
        QCOMPARE(t.gridRows(), 107);  // follows again after the preview
        QCOMPARE(t.w.recordingBar().DBGrid1->currentRow(), 106);

        QProcess text;
        text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(30000));
        const QStringList pages =
            QString::fromUtf8(text.readAllStandardOutput()).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QCOMPARE(pages.size(), 3);
        for (const QString& page : pages)
            QVERIFY(page.contains(QStringLiteral("Data Report")) && page.contains(QStringLiteral("Test Data")));
    }
};

QTEST_MAIN(RecordingWindowTest)
#include "test_recording_window.moc"
