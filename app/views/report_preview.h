#pragma once

#include <QAbstractScrollArea>
#include <QDialog>

class QLabel;
class QSpinBox;

namespace tavolo {

class ReadingReport;

// Shows report pages one under the other and draws only those in view, so a
// report of 286,000 pages opens as fast as one of a single page. Zoom is in
// device pixels per millimetre. GUI thread only; the report must outlive it.
class ReportPageView : public QAbstractScrollArea {
    Q_OBJECT

public:
    static constexpr int kGapPx = 10;

    explicit ReportPageView(const ReadingReport& report, QWidget* parent = nullptr);

    double zoom() const { return m_dotsPerMm; }
    void setZoom(double dotsPerMm);
    void fitWidth();

    // 0-based page whose area holds the top of the view.
    int currentPage() const;
    void showPage(int page);

    // Pages drawn by the last paint (for tests and measurements).
    int lastPaintedPages() const { return m_lastPainted; }

signals:
    void currentPageChanged(int page);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int pageHeightPx() const;
    int pageWidthPx() const;
    void updateScrollRange();

    const ReadingReport& m_report;
    double m_dotsPerMm = 2.5;
    bool m_fitWidth = true;
    int m_lastPainted = 0;
};

// The print preview window of the report: page navigation, zoom, and "Print"
// with a print dialog offering pages 1 to the page count.
class ReportPreview : public QDialog {
    Q_OBJECT

public:
    explicit ReportPreview(const ReadingReport& report, QWidget* parent = nullptr);

    ReportPageView* pageView() const { return m_view; }
    const ReadingReport& report() const { return m_report; }

public slots:
    void printWithDialog();

private:
    void updatePageLabel(int page);

    const ReadingReport& m_report;
    ReportPageView* m_view = nullptr;
    QSpinBox* m_pageBox = nullptr;
    QLabel* m_pageLabel = nullptr;
};

}  // namespace tavolo
