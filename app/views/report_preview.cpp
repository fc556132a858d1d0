#include "app/views/report_preview.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <cmath>

#include "app/views/reading_report.h"
#include "app/views/report_print.h"

namespace tavolo {

ReportPageView::ReportPageView(const ReadingReport& report, QWidget* parent)
    : QAbstractScrollArea(parent), m_report(report)
{
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(24);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { emit currentPageChanged(currentPage()); });
}

int ReportPageView::pageHeightPx() const
{
    return static_cast<int>(std::lround(ReadingReport::kPaperHeightMm * m_dotsPerMm));
}

int ReportPageView::pageWidthPx() const
{
    return static_cast<int>(std::lround(ReadingReport::kPaperWidthMm * m_dotsPerMm));
}

void ReportPageView::setZoom(double dotsPerMm)
{
    // The whole column of pages must stay within the scroll bar's int range.
    const int pages = std::max(1, m_report.pageCount());
    const double limit = (double(INT_MAX) / pages - kGapPx - 1) / ReadingReport::kPaperHeightMm;
    const int keepPage = currentPage();
    m_dotsPerMm = std::clamp(dotsPerMm, 0.5, std::min(20.0, limit));
    m_fitWidth = false;
    updateScrollRange();
    showPage(keepPage);
    viewport()->update();
}

void ReportPageView::fitWidth()
{
    const double width = std::max(100, viewport()->width() - 2 * kGapPx);
    setZoom(width / ReadingReport::kPaperWidthMm);
    m_fitWidth = true;
}

int ReportPageView::currentPage() const
{
    const int pages = m_report.pageCount();
    if (pages == 0)
        return 0;
    const int stride = pageHeightPx() + kGapPx;
    return std::min(pages - 1, verticalScrollBar()->value() / stride);
}

void ReportPageView::showPage(int page)
{
    page = std::clamp(page, 0, std::max(0, m_report.pageCount() - 1));
    verticalScrollBar()->setValue(page * (pageHeightPx() + kGapPx));
}

void ReportPageView::updateScrollRange()
{
    const int pages = m_report.pageCount();
    const qint64 total = qint64(pages) * (pageHeightPx() + kGapPx) + kGapPx;
    const int visible = viewport()->height();
    verticalScrollBar()->setPageStep(visible);
    verticalScrollBar()->setRange(0, int(std::max<qint64>(0, total - visible)));
    const int width = pageWidthPx() + 2 * kGapPx;
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
}

void ReportPageView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (m_fitWidth)
        fitWidth();
    else
        updateScrollRange();
}

void ReportPageView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const int pages = m_report.pageCount();
    m_lastPainted = 0;
    if (pages == 0) {
        painter.setPen(palette().color(QPalette::BrightText));
        painter.drawText(viewport()->rect(), Qt::AlignCenter,
                         tr("The table holds no rows: the report has no pages."));
        return;
    }
    const int stride = pageHeightPx() + kGapPx;
    const int scrollY = verticalScrollBar()->value();
    const int pageWidth = pageWidthPx();
    const int x = std::max(kGapPx, (viewport()->width() - pageWidth) / 2) -
                  horizontalScrollBar()->value();
    // Only the pages that intersect the viewport are drawn.
    const int first = std::max(0, scrollY / stride);
    for (int page = first; page < pages; ++page) {
        const int y = kGapPx + page * stride - scrollY;
        if (y > viewport()->height())
            break;
        const QRect paper(x, y, pageWidth, pageHeightPx());
        painter.fillRect(paper.translated(3, 3), QColor(0, 0, 0, 90));
        painter.fillRect(paper, Qt::white);
        painter.save();
        painter.setClipRect(paper);
        painter.translate(paper.topLeft());
        m_report.renderPage(painter, page, m_dotsPerMm);
        painter.restore();
        ++m_lastPainted;
    }
}

ReportPreview::ReportPreview(const ReadingReport& report, QWidget* parent)
    : QDialog(parent), m_report(report)
{
    setWindowTitle(tr("Print Preview"));
    resize(720, 860);
    setSizeGripEnabled(true);

    m_view = new ReportPageView(report, this);

    auto* first = new QPushButton(tr("First"), this);
    auto* previous = new QPushButton(tr("Previous"), this);
    m_pageBox = new QSpinBox(this);
    m_pageBox->setRange(report.pageCount() > 0 ? 1 : 0, report.pageCount());
    m_pageBox->setKeyboardTracking(false);
    m_pageLabel = new QLabel(this);
    auto* next = new QPushButton(tr("Next"), this);
    auto* last = new QPushButton(tr("Last"), this);
    auto* zoomOut = new QPushButton(tr("Zoom -"), this);
    auto* zoomIn = new QPushButton(tr("Zoom +"), this);
    auto* fit = new QPushButton(tr("Fit width"), this);
    auto* print = new QPushButton(tr("Print..."), this);
    auto* close = new QPushButton(tr("Close"), this);
    print->setEnabled(report.pageCount() > 0);

    auto* bar = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{first, previous, m_pageBox, m_pageLabel, next,
                                                       last, zoomOut, zoomIn, fit})
        bar->addWidget(w);
    bar->addStretch(1);
    bar->addWidget(print);
    bar->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_view, 1);

    connect(first, &QPushButton::clicked, this, [this] { m_view->showPage(0); });
    connect(previous, &QPushButton::clicked, this,
            [this] { m_view->showPage(m_view->currentPage() - 1); });
    connect(next, &QPushButton::clicked, this,
            [this] { m_view->showPage(m_view->currentPage() + 1); });
    connect(last, &QPushButton::clicked, this,
            [this] { m_view->showPage(m_report.pageCount() - 1); });
    connect(m_pageBox, &QSpinBox::valueChanged, this, [this](int page) {
        if (page >= 1 && page - 1 != m_view->currentPage())
            m_view->showPage(page - 1);
    });
    connect(zoomOut, &QPushButton::clicked, this, [this] { m_view->setZoom(m_view->zoom() / 1.25); });
    connect(zoomIn, &QPushButton::clicked, this, [this] { m_view->setZoom(m_view->zoom() * 1.25); });
    connect(fit, &QPushButton::clicked, m_view, &ReportPageView::fitWidth);
    connect(print, &QPushButton::clicked, this, &ReportPreview::printWithDialog);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_view, &ReportPageView::currentPageChanged, this, &ReportPreview::updatePageLabel);
    updatePageLabel(0);
}

void ReportPreview::updatePageLabel(int page)
{
    const int pages = m_report.pageCount();
    m_pageLabel->setText(tr("of %1").arg(pages));
    if (pages > 0) {
        const QSignalBlocker block(m_pageBox);
        m_pageBox->setValue(page + 1);
    }
}

void ReportPreview::printWithDialog()
{
    const int pages = m_report.pageCount();
    if (pages == 0)
        return;
    QPrinter printer(QPrinter::HighResolution);
    setupReportPrinter(printer, m_report);
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, pages);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    if (dialog.exec() != QDialog::Accepted)
        return;
    int from = 1;
    int to = pages;
    if (printer.printRange() == QPrinter::PageRange) {
        from = printer.fromPage();
        to = printer.toPage();
    }
    QProgressDialog progress(tr("Printing the report..."), tr("Stop"), 0, to - from + 1, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    const bool printed = printReport(m_report, printer, from, to, [&progress](int pagesDone, int) {
        progress.setValue(pagesDone);
        return !progress.wasCanceled();
    });
    const bool stopped = progress.wasCanceled();
    progress.reset();
    if (!printed && !stopped)
        QMessageBox::warning(this, tr("Print"), tr("The report could not be printed."));
}

}  // namespace tavolo
