// The whole window as a user runs it, under a real X server: a simulated meter
// on a pseudo-terminal as COM1 (and then the USB bridge on the simulated HID
// system), a few hundred readings across many functions recorded, the table
// saved as ".xls", ".txt" and ".xml", cleared, each file opened again and
// compared with what the meter sent, the chart saved as a bitmap and the
// report printed to PDF. Dialogs and message boxes are answered through the
// window's hooks; everything else goes through its buttons and handlers.

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>
#include <string>
#include <vector>

#include "app/lcd_glyphs.h"
#include "app/chart_panel_view.h"
#include "app/connection_bar.h"
#include "app/dialog_services.h"
#include "app/lcd_panel_view.h"
#include "app/limit_panel_view.h"
#include "app/recording_bar.h"
#include "app/usb_state_panel.h"
#include "app/tfcomm.h"
#include "record/meter_session.h"
#include "app/views/reading_report.h"
#include "app/views/report_preview.h"
#include "app/views/report_print.h"
#include "hid/sim/sim_hid_platform.h"
#include "meter_modes.h"

namespace {

// One reading as the table holds it: value, unit, AC/DC (the meter's part of a row).
struct Sent {
    QString value, unit, acDc;
    bool operator==(const Sent&) const = default;
};

QString cell(const tavolo::ReadingTable& t, std::size_t row, tavolo::TableField f)
{
    const std::string_view s = t.text(row, f);
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

// Every field of every row as text, for exact comparisons of reopened tables.
QStringList rowsOf(const tavolo::ReadingTable& t, bool withNVal)
{
    QStringList rows;
    for (std::size_t r = 0; r < t.rowCount(); ++r) {
        QStringList cells;
        for (int f = 0; f < tavolo::kTableFieldCount; ++f) {
            const auto field = static_cast<tavolo::TableField>(f);
            if (field == tavolo::TableField::NVal && !withNVal)
                continue;
            if (tavolo::isIntegerField(field)) {
                const auto v = t.intValue(r, field);
                cells << (v ? QString::number(*v) : QStringLiteral("-"));
            } else {
                cells << cell(t, r, field);
            }
        }
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

std::vector<Sent> meterPartOf(const tavolo::ReadingTable& t)
{
    std::vector<Sent> rows;
    for (std::size_t r = 0; r < t.rowCount(); ++r)
        rows.push_back({cell(t, r, tavolo::TableField::Value), cell(t, r, tavolo::TableField::Unit),
                        cell(t, r, tavolo::TableField::DcAc)});
    return rows;
}

Sent sentOf(const tavolo::sim::IntendedReading& r)
{
    return {QString::fromStdString(r.valueText), QString::fromStdString(r.unitText),
            QString::fromStdString(r.acDcText)};
}

}  // namespace

class WholeProgram : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QStringList m_notices;
    QString m_nextFile;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // Hooks on every dialog and box of the window: files come from m_nextFile,
    // questions are answered Yes, boxes are collected.
    void hook(TFCOMM& w)
    {
        w.services().setQuestionHook([](const QString&) { return true; });
        w.services().setMessageHook([this](const QString& text) { m_notices << text; });
        w.services().setNoticeHook([this](tavolo::NoticeKind, const QString& title, const QString& text) {
            m_notices << (title.isEmpty() ? text : title + QStringLiteral(": ") + text);
        });
        w.services().setFileDialogHook([this](const tavolo::FileDialogRequest&) { return m_nextFile; });
    }

    // Save in the three formats, clear, reopen each and compare; bitmap and PDF.
    void saveClearReopen(TFCOMM& w, const QString& stem)
    {
        tavolo::MeterSession& session = w.session();
        const QStringList recorded = rowsOf(session.table(), true);
        const QStringList recordedNoNVal = rowsOf(session.table(), false);
        for (const char* ext : {".xls", ".txt", ".xml"}) {
            m_notices.clear();
            m_nextFile = path(stem + QLatin1String(ext));
            w.recordingBar().saveasClick();
            QVERIFY2(QFile::exists(m_nextFile), qPrintable(m_nextFile));
            if (QLatin1String(ext) != QLatin1String(".xml"))
                QCOMPARE(m_notices, QStringList{QStringLiteral("save table to specified file: ") +
                                                QDir::toNativeSeparators(m_nextFile) + QStringLiteral(" Scuss!")});
            else
                QVERIFY2(m_notices.isEmpty(), qPrintable(m_notices.join(QLatin1Char('\n'))));
        }
        QCOMPARE(rowsOf(session.table(), true), recorded);  // saving changes nothing

        // Chart bitmap: a 24-bit BMP whose header matches the file.
        m_nextFile = path(stem + QStringLiteral("-chart.bmp"));
        w.chartPanel().BtSaveClick();
        QFile bmp(m_nextFile);
        QVERIFY2(bmp.open(QIODevice::ReadOnly), qPrintable(m_nextFile));
        const QByteArray bytes = bmp.readAll();
        QVERIFY(bytes.size() > 54);
        QCOMPARE(bytes.left(2), QByteArray("BM"));
        auto le32 = [&bytes](int at) {
            return static_cast<qint32>(static_cast<quint8>(bytes[at]) | static_cast<quint8>(bytes[at + 1]) << 8 |
                                       static_cast<quint8>(bytes[at + 2]) << 16 |
                                       static_cast<quint32>(static_cast<quint8>(bytes[at + 3])) << 24);
        };
        QCOMPARE(le32(2), static_cast<qint32>(bytes.size()));
        const qint32 width = le32(18);
        const qint32 height = le32(22);
        QVERIFY(width >= 200 && height >= 100);
        QCOMPARE(static_cast<int>(static_cast<quint8>(bytes[28])), 24);

        // Report: the print preview opens on the table; its pages go to a PDF.
        const QString pdf = path(stem + QStringLiteral("-report.pdf"));
        bool previewShown = false;
        w.services().setPreviewHook([&](tavolo::ReportPreview& preview) {
            previewShown = preview.pageView() != nullptr;
            tavolo::ReadingReport report(session.table(), session.table().rowCount());
            report.setLcdText(tavolo::lcdDisplayText, [](int pixels) { return tavolo::lcdSymbolFont(pixels); });
            QPrinter printer(QPrinter::HighResolution);
            tavolo::setupReportPrinter(printer, report);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            QVERIFY(tavolo::printReport(report, printer, 1, 1000000));
        });
        w.recordingBar().BtPrintClick();
        w.services().setPreviewHook({});
        QVERIFY(previewShown);
        QProcess pdftotext;
        pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        if (pdftotext.waitForStarted(5000)) {
            QVERIFY(pdftotext.waitForFinished(30000));
            const QString text = QString::fromLocal8Bit(pdftotext.readAllStandardOutput());
            // The first and the last row's values are in the printed text.
            const tavolo::ReadingTable& t = session.table();
            QVERIFY2(text.contains(cell(t, 0, tavolo::TableField::Value)), qPrintable(text.left(400)));
            QVERIFY(text.contains(cell(t, t.rowCount() - 1, tavolo::TableField::Time)));
        } else {
            qWarning("pdftotext missing: the PDF was written but not read back");
            QVERIFY(QFileInfo(pdf).size() > 1000);
        }

        // Faults through the window: a save into a folder that does not exist
        // and a damaged packet opened over the table. Each says so once and
        // leaves the table and the files as they were.
        m_notices.clear();
        m_nextFile = path(QStringLiteral("no-such-folder/") + stem + QStringLiteral(".xls"));
        w.recordingBar().saveasClick();
        QCOMPARE(m_notices, QStringList{QStringLiteral("Could not save table to specified file: ") +
                                        QDir::toNativeSeparators(m_nextFile)});
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("no-such-folder"))));
        QFile packet(path(stem + QStringLiteral(".xml")));
        QVERIFY(packet.open(QIODevice::ReadOnly));
        const QByteArray whole = packet.readAll();
        packet.close();
        QFile cut(path(stem + QStringLiteral("-cut.xml")));
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(whole.left(whole.size() * 2 / 3));
        cut.close();
        m_notices.clear();
        m_nextFile = cut.fileName();
        w.recordingBar().SpeedButton2Click();
        QCOMPARE(m_notices, QStringList{QStringLiteral("Error: Failed to Load File!")});
        QCOMPARE(rowsOf(session.table(), true), recorded);

        // Clear (Yes to the question), then each file into the empty table.
        for (const char* ext : {".xls", ".txt", ".xml"}) {
            w.recordingBar().RecordNewClick();
            QCOMPARE(session.table().rowCount(), std::size_t{0});
            m_notices.clear();
            m_nextFile = path(stem + QLatin1String(ext));
            w.recordingBar().SpeedButton2Click();
            QVERIFY2(m_notices.isEmpty(), qPrintable(m_notices.join(QLatin1Char('\n'))));
            const bool xml = QLatin1String(ext) == QLatin1String(".xml");
            QCOMPARE(rowsOf(session.table(), xml), xml ? recorded : recordedNoNVal);
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // TAVOLO_SYSTEM_KEEP=1 keeps the files (tables, bitmap, PDF) for a look.
        if (qEnvironmentVariableIsSet("TAVOLO_SYSTEM_KEEP")) {
            m_dir.setAutoRemove(false);
            qInfo("files kept in %s", qPrintable(m_dir.path()));
        }
        qputenv("TAVOLO_PORT_DIR", QFile::encodeName(path(QStringLiteral("ports"))));
        QDir().mkpath(path(QStringLiteral("ports")));
    }

    void serialLinkEndToEnd()
    {
        TFCOMM w(std::make_shared<tavolo::SimHidPlatform>());
        hook(w);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        tavolo::MeterSession& session = w.session();

        // 300 readings at the wire's full rate with damaged frames and garbage
        // between them; the feeder waits until the window has opened the port.
        QProcess feeder;
        feeder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const QString sentFile = path(QStringLiteral("sent.tsv"));
        feeder.start(QStringLiteral(TAVOLO_SOAK_FEEDER),
                     {QStringLiteral("--port"), QStringLiteral("COM1"), QStringLiteral("--frames"),
                      QStringLiteral("300"), QStringLiteral("--rate"), QStringLiteral("137"), QStringLiteral("--seed"),
                      QStringLiteral("9"), QStringLiteral("--noise"), QStringLiteral("0.1"), QStringLiteral("--sent"),
                      sentFile, QStringLiteral("--wait-open"), QStringLiteral("20")});
        QVERIFY(feeder.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path(QStringLiteral("ports/COM1"))), 10000);
        QTest::mouseClick(w.connectionBar().COMCon, Qt::LeftButton);
        QVERIFY(w.connectionBar().COMCon->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(feeder.state() == QProcess::NotRunning, 60000);
        QCOMPARE(feeder.exitCode(), 0);
        QTest::qWait(300);  // the last poll tick
        QTest::mouseClick(w.connectionBar().COMCon, Qt::LeftButton);
        QVERIFY(!w.connectionBar().COMCon->isChecked());

        std::vector<Sent> sent;
        QFile file(sentFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        while (!file.atEnd()) {
            const QList<QByteArray> parts = file.readLine().trimmed().split('\t');
            QCOMPARE(parts.size(), 3);
            sent.push_back({QString::fromLatin1(parts[0]), QString::fromLatin1(parts[1]), QString::fromLatin1(parts[2])});
        }
        QCOMPARE(sent.size(), std::size_t{300});
        QSet<QString> units;
        for (const Sent& s : sent)
            units.insert(s.unit);
        QVERIFY2(units.size() >= 5, "the run covers several functions");
        const std::vector<Sent> recorded = meterPartOf(session.table());
        for (std::size_t i = 0; i < std::min(sent.size(), recorded.size()); ++i)
            QVERIFY2(recorded[i] == sent[i], qPrintable(QStringLiteral("row %1: %2 %3 %4 recorded, %5 %6 %7 sent")
                                                             .arg(i)
                                                             .arg(recorded[i].value, recorded[i].unit, recorded[i].acDc,
                                                                  sent[i].value, sent[i].unit, sent[i].acDc)));
        QCOMPARE(recorded.size(), sent.size());
        saveClearReopen(w, QStringLiteral("serial"));
    }

    void usbLinkEndToEnd()
    {
        auto hid = std::make_shared<tavolo::SimHidPlatform>();
        const std::string bridge = hid->addDevice(tavolo::SimHidPlatform::bridgeSpec());
        TFCOMM w(hid);
        hook(w);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        tavolo::MeterSession& session = w.session();
        QTest::mouseClick(w.connectionBar().USBCon, Qt::LeftButton);
        QVERIFY(w.connectionBar().USBCon->isChecked());

        // The bridge carries up to nine meter bytes per report; a report
        // without meter bytes ends the frame. Noise from the script is sent too.
        tavolo::sim::FrameScript script("random", 0.1, 4);
        std::vector<Sent> sent;
        while (sent.size() < 200) {
            const tavolo::sim::SimEvent event = script.next();
            for (std::size_t at = 0; at < event.bytes.size(); at += 9) {
                const std::size_t n = std::min<std::size_t>(9, event.bytes.size() - at);
                std::vector<std::uint8_t> report{0, static_cast<std::uint8_t>(n)};
                report.insert(report.end(), event.bytes.begin() + static_cast<std::ptrdiff_t>(at),
                              event.bytes.begin() + static_cast<std::ptrdiff_t>(at + n));
                report.resize(11, 0);  // report ID, count byte, nine meter bytes
                hid->queueReport(bridge, report);
            }
            hid->queueReport(bridge, std::vector<std::uint8_t>(10, 0));
            if (event.isReading)
                sent.push_back(sentOf(event.reading));
        }
        QTRY_VERIFY_WITH_TIMEOUT(session.table().rowCount() >= sent.size(), 30000);
        // Every report read; the disconnect hands over the last one still held.
        QVERIFY(hid->waitUntilDrained(bridge, 30000));
        QTest::mouseClick(w.connectionBar().USBCon, Qt::LeftButton);
        QVERIFY(!w.connectionBar().USBCon->isChecked());
        const std::vector<Sent> recorded = meterPartOf(session.table());
        QCOMPARE(recorded.size(), sent.size());
        for (std::size_t i = 0; i < sent.size(); ++i)
            QVERIFY2(recorded[i] == sent[i], qPrintable(QStringLiteral("row %1: %2 %3 recorded, %4 %5 sent")
                                                             .arg(i)
                                                             .arg(recorded[i].value, recorded[i].unit, sent[i].value,
                                                                  sent[i].unit)));
        saveClearReopen(w, QStringLiteral("usb"));
    }
};

QTEST_MAIN(WholeProgram)
#include "whole_program_test.moc"
