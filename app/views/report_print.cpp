#include "app/views/report_print.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

#include "app/views/reading_report.h"

namespace tavolo {

void setupReportPrinter(QPrinter& printer, const ReadingReport& report)
{
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setFullPage(true);
    printer.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    printer.setCopyCount(1);
    printer.setFromTo(report.pageCount() > 0 ? 1 : 0, report.pageCount());
}

bool printReport(const ReadingReport& report, QPrinter& printer, int firstPage, int lastPage,
                 const std::function<bool(int, int)>& progress)
{
    const int pages = report.pageCount();
    firstPage = std::max(1, firstPage);
    lastPage = std::min(pages, lastPage);
    if (pages == 0 || firstPage > lastPage)
        return true;  // nothing to print is not a failure

    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    // Device pixels per millimetre, measured on the paper rather than assumed.
    const double dotsPerMm =
        printer.pageLayout().fullRectPixels(printer.resolution()).width() /
        ReadingReport::kPaperWidthMm;
    const int total = lastPage - firstPage + 1;
    for (int page = firstPage; page <= lastPage; ++page) {
        if (page > firstPage && !printer.newPage()) {
            painter.end();
            return false;
        }
        report.renderPage(painter, page - 1, dotsPerMm);
        if (progress && !progress(page - firstPage + 1, total)) {
            printer.abort();
            painter.end();
            return false;
        }
    }
    return painter.end();
}

}  // namespace tavolo
