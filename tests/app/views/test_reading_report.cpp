// The printed report: page arithmetic, the bands' texts and positions on a PDF
// (read back with pdftotext), and the preview drawing only the pages in view.
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "app/lcd_glyphs.h"
#include "app/views/reading_report.h"
#include "app/views/report_preview.h"
#include "app/views/report_print.h"
#include "record/reading_table.h"

using tavolo::ReadingReport;
using tavolo::ReadingTable;
using tavolo::RowValues;

namespace {

void fillTable(ReadingTable& table, int rows)
{
    for (int i = 0; i < rows; ++i) {
        RowValues row;
        row.no = i + 1;
        row.time = "10:15:07";
        row.dcAc = "DC";
        row.value = "01.234";
        row.unit = "K*";
        row.judge = i == 7 ? "" : "Pass";
        row.nval = 1234;
        table.appendRow(row);
    }
}

QString runTool(const QString& program, const QStringList& args)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

struct Word {
    QString text;
    double xMinPt;
    int page;
};

// Words with their left edge from "pdftotext -bbox" (points from the paper's left).
QList<Word> wordsOf(const QString& pdf)
{
    const QString html = runTool(QStringLiteral("pdftotext"), {"-bbox", pdf, "-"});
    QList<Word> words;
    int page = 0;
    static const QRegularExpression item(
        QStringLiteral("<page |<word xMin=\"([0-9.]+)\"[^>]*>([^<]*)</word>"));
    for (auto it = item.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0).startsWith(QStringLiteral("<page ")))
            ++page;
        else
            words.append({m.captured(2), m.captured(1).toDouble(), page});
    }
    return words;
}

double mmToPt(double mm)
{
    return mm * 72.0 / 25.4;
}

}  // namespace

class ReadingReportTest : public QObject {
    Q_OBJECT

private slots:
    void pageArithmetic_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("pages");
        QTest::newRow("empty table, no pages") << 0 << 0;
        QTest::newRow("one row") << 1 << 1;
        QTest::newRow("one full page") << 35 << 1;
        QTest::newRow("one row over") << 36 << 2;
        QTest::newRow("hundred rows") << 100 << 3;
    }
    void pageArithmetic()
    {
        QFETCH(int, rows);
        QFETCH(int, pages);
        QCOMPARE(ReadingReport::rowsPerPage(), 35);
        ReadingTable table;
        fillTable(table, rows);
        const ReadingReport report(table, table.rowCount());
        QCOMPARE(report.pageCount(), pages);
    }

    void rowsRecordedLaterAreNotInTheReport()
    {
        ReadingTable table;
        fillTable(table, 35);
        const ReadingReport report(table, table.rowCount());
        fillTable(table, 10);
        QCOMPARE(report.rowCount(), std::size_t(35));
        QCOMPARE(report.pageCount(), 1);
    }

    void hundredRowsOnPdf()
    {
        ReadingTable table;
        fillTable(table, 100);
        ReadingReport report(table, table.rowCount());
        report.setLcdText(tavolo::lcdDisplayText,
                          [](int pixels) { return tavolo::lcdSymbolFont(pixels); });
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        tavolo::setupReportPrinter(printer, report);
        QCOMPARE(printer.fromPage(), 1);
        QCOMPARE(printer.toPage(), 3);
        QVERIFY(tavolo::printReport(report, printer, 1, report.pageCount()));

        const QString info = runTool(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+3"))), qPrintable(info));
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Page size:\\s+595"))),
                 qPrintable(info));  // A4 width in points
        const QString text = runTool(QStringLiteral("pdftotext"), {"-layout", pdf, "-"});
        const QStringList pages = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QCOMPARE(pages.size(), 3);
        for (const QString& page : pages) {
            QVERIFY(page.contains(QStringLiteral("Data Report")));
            QVERIFY(page.contains(QRegularExpression(
                QStringLiteral("No\\s+Time\\s+Function\\s+Value\\s+Unit\\s+Judge"))));
            QVERIFY(page.contains(QStringLiteral("Test Data")));
        }
        QVERIFY(pages[0].contains(QRegularExpression(QStringLiteral("\\b1\\s+10:15:07\\s+DC\\s+01\\.234\\s+k\u03a9\\s+Pass"))));
        QVERIFY(pages[2].contains(QRegularExpression(QStringLiteral("\\b100\\s+10:15:07"))));
        QVERIFY(!pages[0].contains(QStringLiteral("K*")));

        // Left edges within a millimetre of the layout (10 mm margin + field position).
        const QList<Word> words = wordsOf(pdf);
        const auto expectAt = [&](const QString& word, double mm, int page) {
            for (const Word& w : words) {
                if (w.text == word && w.page == page) {
                    QVERIFY2(std::abs(w.xMinPt - mmToPt(10 + mm)) < mmToPt(1.0),
                             qPrintable(QStringLiteral("%1 at %2 pt").arg(word).arg(w.xMinPt)));
                    return;
                }
            }
            QFAIL(qPrintable(QStringLiteral("%1 not found on page %2").arg(word).arg(page)));
        };
        for (int page = 1; page <= 3; ++page) {
            expectAt(QStringLiteral("No"), 8.5, page);
            expectAt(QStringLiteral("Time"), 33.9, page);
            expectAt(QStringLiteral("Function"), 64.3, page);
            expectAt(QStringLiteral("Value"), 99.5, page);
            expectAt(QStringLiteral("Unit"), 132.3, page);
            expectAt(QStringLiteral("Judge"), 163.0, page);
            expectAt(QStringLiteral("Test"), 8.5, page);
        }
        expectAt(QStringLiteral("10:15:07"), 33.9, 1);
        expectAt(QStringLiteral("DC"), 65.6, 1);
        expectAt(QStringLiteral("01.234"), 99.5, 1);
        expectAt(QStringLiteral("k\u03a9"), 131.2, 1);
        expectAt(QStringLiteral("Pass"), 163.0, 1);
        expectAt(QStringLiteral("36"), 8.5, 2);
    }

    void previewDrawsOnlyPagesInView()
    {
        ReadingTable table;
        fillTable(table, 100000);  // 2858 pages
        const ReadingReport report(table, table.rowCount());
        tavolo::ReportPreview preview(report);
        preview.resize(700, 800);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        tavolo::ReportPageView* view = preview.pageView();
        view->viewport()->repaint();
        QVERIFY(view->lastPaintedPages() >= 1);
        QVERIFY(view->lastPaintedPages() <= 3);
        view->showPage(report.pageCount() - 1);
        view->viewport()->repaint();
        QCOMPARE(view->currentPage(), report.pageCount() - 1);
        QVERIFY(view->lastPaintedPages() <= 3);
    }

    void emptyReportPrintsNothing()
    {
        ReadingTable table;
        const ReadingReport report(table, 0);
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        QTemporaryDir dir;
        printer.setOutputFileName(dir.filePath(QStringLiteral("none.pdf")));
        QVERIFY(tavolo::printReport(report, printer, 1, 1));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("none.pdf"))));
    }
};

QTEST_MAIN(ReadingReportTest)
#include "test_reading_report.moc"
