#pragma once

#include <QObject>
#include <QRect>
#include <QString>

#include <memory>

#include "app/repaint_scheduler.h"
#include "record/session_observer.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLineEdit;
class QMenu;
class QMenuBar;
class QTimer;
class QToolButton;
class QWidget;

namespace tavolo {

class ChartModelSource;
class ChartView;
class ClickPanel;
class MeterSession;
class WindowServices;

// The chart Chtshow with its paging bar Panel5 ("Fill", page size, bitmap,
// first/previous/page/next/last, enlarge), the hidden Graphic menu, the hidden
// "New" chart button and the delayed page-size timer Timer2. The paging rules
// are the core's ChartPanel; the handlers forward there and the chart redraws
// at the next repaint pass. Observes the session for new points and restarts.
// GUI thread only; the session, scheduler and services outlive it.
class ChartPanelView final : public QObject, private SessionObserver, private RepaintTarget {
    Q_OBJECT

public:
    ChartPanelView(QWidget& client, QWidget& hidden, MeterSession& session, RepaintScheduler& scheduler,
                   WindowServices& services, QObject* parent = nullptr);
    ~ChartPanelView() override;

    // The hidden Graphic menu.
    void createMenu(QMenuBar& bar);
    // The chart begun again (a cleared record): page label and series chooser.
    void showNewChart();

    // ---- Controls ----
    ChartView* Chtshow = nullptr;
    QComboBox* ComboBox1 = nullptr;  // hidden series chooser, "atile"/"btile"
    QFrame* Panel5 = nullptr;
    QCheckBox* BtFill = nullptr;
    QLineEdit* Maxrecord = nullptr;
    QToolButton* BtSave = nullptr;
    QToolButton* BtFirst = nullptr;
    QToolButton* BTPrevious = nullptr;
    QToolButton* Bt10 = nullptr;
    QToolButton* BtNext = nullptr;
    QToolButton* BTlast = nullptr;
    ClickPanel* TbFd = nullptr;
    ClickPanel* TbSx = nullptr;
    QToolButton* BtNew = nullptr;  // hidden
    QMenu* Graphic = nullptr;
    QAction* First1 = nullptr;
    QAction* Previous1 = nullptr;
    QAction* Next1 = nullptr;
    QAction* Last1 = nullptr;
    QAction* New2 = nullptr;   // Graphic → "New" (chart)
    QAction* Save2 = nullptr;  // Graphic → "Save" (bitmap)
    QAction* Fill1 = nullptr;
    QTimer* Timer2 = nullptr;  // 2000 ms one-shot, stopped: delayed page-size change

    // The rectangle of the chart before it was enlarged (left, top, width, height).
    QRect SavedChartBounds;

signals:
    // The chart was enlarged over the LCD panel and the connection bar (true) or restored.
    void chartEnlarged(bool enlarged);

public slots:
    void BtFirstClick();
    void BTPreviousClick();
    void BtNextClick();
    void BTlastClick();
    void MaxrecordChange();
    void Timer2Timer();
    void btFillClick();  // BtFill, RepeatSet and multirange
    void FillClick();
    void BtNewClick();
    void TbFdClick();  // TbFd and TbSx
    void BtSaveClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls(QWidget& client, QWidget& hidden);
    void wireHandlers();
    void showPageLabel();
    void showSeriesChoice();
    void modeChanged(bool restartChart) override;
    void readingHandled(const HandledReading& handled) override;
    void repaintFromModel() override;

    MeterSession& m_session;
    RepaintScheduler& m_scheduler;
    WindowServices& m_services;
    std::unique_ptr<ChartModelSource> m_source;
    QString m_lastPictureName;  // the picture dialog starts with its last choice
};

}  // namespace tavolo
