#include "app/chart_panel_view.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

#include "app/click_panel.h"
#include "app/control_factory.h"
#include "app/core_text.h"
#include "app/pictures.h"
#include "app/views/bitmap_export.h"
#include "app/views/chart_model_source.h"
#include "app/views/chart_view.h"
#include "app/window_fonts.h"
#include "app/window_services.h"
#include "files/file_paths.h"
#include "record/meter_session.h"

namespace tavolo {
namespace {

// The enlarged chart at 2, 28, sized from the window's outer size (width - 12,
// height - 95). A title bar and the status line under the client area make the
// outer size taller than that rule expects, so the chart is also held inside
// the client area, ending no further right or down than the normal chart does.
QRect enlargedChartBounds(QSize outer, QSize client)
{
    constexpr int kLeft = 2;
    constexpr int kTop = 28;
    constexpr int kRightGap = 2;   // as the normal chart: 336 + 376 = 714 - 2
    constexpr int kBottomGap = 4;  // as the normal chart: 204 + 269 = 477 - 4
    const int width = std::min(outer.width() - 12, client.width() - kRightGap - kLeft);
    const int height = std::min(outer.height() - 95, client.height() - kBottomGap - kTop);
    return {kLeft, kTop, width, height};
}

}  // namespace

ChartPanelView::ChartPanelView(QWidget& client, QWidget& hidden, MeterSession& session,
                               RepaintScheduler& scheduler, WindowServices& services, QObject* parent)
    : QObject(parent),
      m_session(session),
      m_scheduler(scheduler),
      m_services(services),
      m_source(std::make_unique<ChartModelSource>(session.chart()))
{
    setObjectName(QStringLiteral("ChartPanelView"));
    createControls(client, hidden);
    Chtshow->setSource(m_source.get());
    connect(Chtshow, &ChartView::refreshWanted, this, [this] { m_scheduler.schedule(this); });
    showPageLabel();
    m_session.addObserver(this);
    m_scheduler.add(this);
}

ChartPanelView::~ChartPanelView()
{
    m_scheduler.remove(this);
    m_session.removeObserver(this);
    // The view may outlive the source it draws; it asks for nothing more.
    const QSignalBlocker quiet(Chtshow);
    Chtshow->setSource(nullptr);
}

void ChartPanelView::createControls(QWidget& client, QWidget& hidden)
{
    Chtshow = new ChartView(&client);
    Chtshow->setObjectName(QStringLiteral("Chtshow"));
    Chtshow->setGeometry(336, 204, 376, 269);
    ComboBox1 = new QComboBox(Chtshow);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems({QStringLiteral("atile"), QStringLiteral("btile")});
    ComboBox1->setGeometry(8, 8, 60, 21);
    ComboBox1->hide();

    Panel5 = panel(&client, "Panel5", QRect(341, 166, 372, 38));
    BtFill = checkBox(Panel5, "BtFill", QStringLiteral("Fill"), QRect(24, 4, 44, 17), true);
    BtFill->setFont(msSansSerifFont(13, false));
    setBackground(BtFill, kSilver);
    Maxrecord = edit(Panel5, "Maxrecord", QStringLiteral("100"), QRect(91, 2, 49, 21));
    setBackground(Maxrecord, kSilver);
    BtSave = speedButton(Panel5, "BtSave", QRect(149, 3, 28, 21), floppyIcon());
    BtFirst = speedButton(Panel5, "BtFirst", QRect(179, 3, 25, 21), firstIcon());
    BTPrevious = speedButton(Panel5, "BTPrevious", QRect(203, 3, 25, 21), previousIcon());
    Bt10 = speedButton(Panel5, "Bt10", QRect(227, 3, 25, 21), QIcon());
    Bt10->setText(QStringLiteral("1"));
    Bt10->setFont(msSansSerifFont(11, false));
    setTextColour(Bt10, Qt::blue);
    BtNext = speedButton(Panel5, "BtNext", QRect(251, 3, 25, 21), nextIcon());
    BTlast = speedButton(Panel5, "BTlast", QRect(275, 3, 25, 21), lastIcon());
    TbFd = new ClickPanel(Panel5);
    TbFd->setObjectName(QStringLiteral("TbFd"));
    TbFd->setGeometry(312, 3, 25, 25);
    TbFd->setPixmap(magnifierPicture(true));
    TbSx = new ClickPanel(Panel5);
    TbSx->setObjectName(QStringLiteral("TbSx"));
    TbSx->setGeometry(334, 6, 25, 25);
    TbSx->setPixmap(magnifierPicture(false));
    TbSx->hide();

    BtNew = speedButton(&hidden, "BtNew", QRect(8, 160, 23, 21), blankPageIcon());

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(2000);
    Timer2->setSingleShot(true);
}

void ChartPanelView::createMenu(QMenuBar& bar)
{
    Graphic = bar.addMenu(QStringLiteral("Graphic"));
    Graphic->setObjectName(QStringLiteral("Graphic"));
    First1 = menuItem(Graphic, "First1", QStringLiteral("First"));
    Previous1 = menuItem(Graphic, "Previous1", QStringLiteral("Previous"));
    Next1 = menuItem(Graphic, "Next1", QStringLiteral("Next"));
    Last1 = menuItem(Graphic, "Last1", QStringLiteral("Last"));
    Graphic->addSeparator();
    New2 = menuItem(Graphic, "New2", QStringLiteral("New"));
    Save2 = menuItem(Graphic, "Save2", QStringLiteral("Save"));
    Graphic->addSeparator();
    Fill1 = menuItem(Graphic, "Fill1", QStringLiteral("Fill"), true, true);
    Graphic->menuAction()->setVisible(false);
    wireHandlers();
}

void ChartPanelView::wireHandlers()
{
    connect(BtFill, &QCheckBox::clicked, this, &ChartPanelView::btFillClick);
    connect(Maxrecord, &QLineEdit::textChanged, this, &ChartPanelView::MaxrecordChange);
    connect(BtSave, &QToolButton::clicked, this, &ChartPanelView::BtSaveClick);
    connect(BtFirst, &QToolButton::clicked, this, &ChartPanelView::BtFirstClick);
    connect(BTPrevious, &QToolButton::clicked, this, &ChartPanelView::BTPreviousClick);
    connect(BtNext, &QToolButton::clicked, this, &ChartPanelView::BtNextClick);
    connect(BTlast, &QToolButton::clicked, this, &ChartPanelView::BTlastClick);
    connect(TbFd, &ClickPanel::clicked, this, &ChartPanelView::TbFdClick);
    connect(TbSx, &ClickPanel::clicked, this, &ChartPanelView::TbFdClick);
    connect(BtNew, &QToolButton::clicked, this, &ChartPanelView::BtNewClick);
    connect(First1, &QAction::triggered, this, &ChartPanelView::BtFirstClick);
    connect(Previous1, &QAction::triggered, this, &ChartPanelView::BTPreviousClick);
    connect(Next1, &QAction::triggered, this, &ChartPanelView::BtNextClick);
    connect(Last1, &QAction::triggered, this, &ChartPanelView::BTlastClick);
    connect(New2, &QAction::triggered, this, &ChartPanelView::BtNewClick);
    connect(Save2, &QAction::triggered, this, &ChartPanelView::BtSaveClick);
    connect(Fill1, &QAction::triggered, this, &ChartPanelView::FillClick);
    connect(Timer2, &QTimer::timeout, this, &ChartPanelView::Timer2Timer);
    Maxrecord->installEventFilter(this);
}

bool ChartPanelView::eventFilter(QObject* watched, QEvent* event)
{
    // The page size takes what the sampling interval takes.
    if (const std::optional<QChar> c = typedCharacter(event))
        if (watched == Maxrecord && !RecordingControls::RecordSITimeKeyPress(c->unicode()))
            return true;
    return QObject::eventFilter(watched, event);
}

void ChartPanelView::showPageLabel()
{
    const QString page = fromCoreText(m_session.chartPanel().Bt10());
    if (Bt10->text() != page)
        Bt10->setText(page);
}

void ChartPanelView::showSeriesChoice()
{
    // As the chart panel holds it, without running the chooser's change handler.
    const QSignalBlocker block(ComboBox1);
    ComboBox1->setCurrentIndex(m_session.chartPanel().ComboBox1());
}

void ChartPanelView::showNewChart()
{
    showPageLabel();
    showSeriesChoice();
    m_scheduler.schedule(this);
}

void ChartPanelView::modeChanged(bool restartChart)
{
    if (restartChart)
        showSeriesChoice();
    m_scheduler.schedule(this);
}

void ChartPanelView::readingHandled(const HandledReading& handled)
{
    if (handled.outcome == RecordOutcome::Recorded || handled.outcome == RecordOutcome::ChartedOnly)
        m_scheduler.schedule(this);
}

void ChartPanelView::repaintFromModel()
{
    showPageLabel();
    Chtshow->refreshNow();
}

// ---- Paging ----

void ChartPanelView::BtFirstClick()
{
    m_session.chartPanel().BtFirstClick();
    showPageLabel();
    m_scheduler.schedule(this);
}

void ChartPanelView::BTPreviousClick()
{
    m_session.chartPanel().BTPreviousClick();
    showPageLabel();
    m_scheduler.schedule(this);
}

void ChartPanelView::BtNextClick()
{
    m_session.chartPanel().BtNextClick();
    showPageLabel();
    m_scheduler.schedule(this);
}

void ChartPanelView::BTlastClick()
{
    m_session.chartPanel().BTlastClick();
    showPageLabel();
    m_scheduler.schedule(this);
}

void ChartPanelView::MaxrecordChange()
{
    m_session.chartPanel().MaxrecordChange(toCoreText(Maxrecord->text()));
    Timer2->start();  // restarts: the size applies 2 s after the last change
}

void ChartPanelView::Timer2Timer()
{
    Timer2->stop();
    const std::optional<std::string> problem = m_session.chartPanel().Timer2Timer();
    showPageLabel();
    m_scheduler.schedule(this);
    // Told without a modal box, so readings go on being recorded meanwhile.
    if (problem)
        m_services.notifyWithoutWaiting(NoticeKind::Error, QStringLiteral("Error"), fromCoreText(*problem));
}

void ChartPanelView::btFillClick()
{
    m_session.chartPanel().btFillClick(BtFill->isChecked());
    Fill1->setChecked(m_session.chartPanel().fillMenuChecked());
    m_scheduler.schedule(this);
}

void ChartPanelView::FillClick()
{
    m_session.chartPanel().FillClick();
    const QSignalBlocker block(BtFill);
    BtFill->setChecked(m_session.chartPanel().BtFill());
    Fill1->setChecked(m_session.chartPanel().fillMenuChecked());
    m_scheduler.schedule(this);
}

void ChartPanelView::BtNewClick()
{
    m_session.chartPanel().BtNewClick();
    showSeriesChoice();
    m_scheduler.schedule(this);
}

void ChartPanelView::TbFdClick()
{
    QWidget* client = Chtshow->parentWidget();
    const bool enlarge = Chtshow->y() > 50;
    if (enlarge) {
        // Over the limit panel, the record row and the grid.
        TbFd->hide();
        TbSx->show();
        SavedChartBounds = Chtshow->geometry();
        Chtshow->setGeometry(enlargedChartBounds(Chtshow->window()->frameGeometry().size(), client->size()));
        Chtshow->raise();
        Panel5->move(2, 2);
    } else {
        TbSx->hide();
        TbFd->show();
        Chtshow->setGeometry(SavedChartBounds);
        Panel5->move(341, 166);
    }
    Panel5->raise();
    emit chartEnlarged(enlarge);
}

// ---- Bitmap ----

void ChartPanelView::BtSaveClick()
{
    FileDialogRequest request;
    request.kind = FileDialogRequest::Kind::SavePicture;
    request.filter = savePictureFilter();
    request.defaultSuffix = QStringLiteral("bmp");
    request.startName = m_lastPictureName;
    request.confirmOverwrite = true;
    const QString chosen = m_services.askFile(request);
    if (chosen.isEmpty())
        return;
    m_lastPictureName = chosen;
    const QString path = fromCoreText(bitmapPathFor(toCoreText(chosen)));
    const QString failure = writeBitmapFile(Chtshow->renderImage(), path);
    if (!failure.isEmpty()) {
        m_services.notify(NoticeKind::Error, QStringLiteral("Error"), failure);
        return;
    }
    m_services.notify(NoticeKind::Information, QStringLiteral("Information"),
                      QStringLiteral("Graphic has been saved successfully at the following location: %1")
                          .arg(QDir::toNativeSeparators(path)));
}

}  // namespace tavolo
