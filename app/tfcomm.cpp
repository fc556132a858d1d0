// The composition root: construction, the wiring between panels, start-up
// (FormCreate) and the ways out of the program.
#include "app/tfcomm.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusBar>
#include <QSysInfo>
#include <QTimer>

#include "app/chart_panel_view.h"
#include "app/connection_bar.h"
#include "app/core_text.h"
#include "app/dialog_services.h"
#include "app/lcd_panel_view.h"
#include "app/lcd_panel_widget.h"
#include "app/limit_panel_view.h"
#include "app/pictures.h"
#include "app/recording_bar.h"
#include "app/repaint_scheduler.h"
#include "app/usb_state_panel.h"
#include "app/views/chart_view.h"
#include "app/window_fonts.h"
#include "hid/hid_device_controller.h"
#include "record/meter_session.h"
#include "record/session_observer.h"

TFCOMM* FCOMM = nullptr;

namespace {

constexpr int kClientWidth = 714;
constexpr int kClientHeight = 477;

const QString kQuitQuestion = QStringLiteral("Are you sure that you want to quit this application?");

}  // namespace

class TFCOMM::SessionAnswers final : public tavolo::SessionObserver {
public:
    explicit SessionAnswers(TFCOMM& window) : m_window(window) {}
    std::string decimalSymbol() override { return tavolo::toCoreText(GetDecimalSymbol()); }
    void beep() override { QApplication::beep(); }
    void conversionError(std::string_view message) override { m_window.conversionNotice(message); }

private:
    TFCOMM& m_window;
};

TFCOMM::TFCOMM(QWidget* parent) : TFCOMM(tavolo::createSystemHidPlatform(), parent) {}

TFCOMM::TFCOMM(std::shared_ptr<tavolo::HidPlatform> hidPlatform, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint)
{
    FCOMM = this;
    setObjectName(QStringLiteral("FCOMM"));
    setWindowIcon(tavolo::windowIcon());
    construct(std::move(hidPlatform));
    // Fixed size: the client area is 714 × 477 under the menu bar, the status
    // line below it; the user cannot resize or maximise the window.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    FormCreate();
    m_usbPanel->ConTimer->start();
    m_recordingBar->Trecord->start();
}

TFCOMM::~TFCOMM()
{
    // The port closes and the HID readers stop before anything they feed goes;
    // every panel leaves the session before it ends.
    delete m_connectionBar;
    delete m_usbPanel;
    delete m_chartPanel;
    delete m_recordingBar;
    delete m_limitPanel;
    delete m_lcdPanel;
    m_session.reset();
    if (FCOMM == this)
        FCOMM = nullptr;
}

void TFCOMM::construct(std::shared_ptr<tavolo::HidPlatform> hidPlatform)
{
    using namespace tavolo;
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);
    // The window's default font: "MS Sans Serif" 11 px bold.
    setFont(msSansSerifFont(11, true));

    // A status line under the client area for notices that must not block.
    m_statusLine = new QLabel(this);
    m_statusLine->setObjectName(QStringLiteral("StatusLine"));
    m_statusLine->setFont(msSansSerifFont(11, false));
    statusBar()->addWidget(m_statusLine, 1);
    statusBar()->setSizeGripEnabled(false);
    m_services = std::make_unique<DialogServices>(*this, *m_statusLine);
    m_scheduler = new RepaintScheduler(this);

    // The session first: the decoder asks this window for the decimal symbol while built.
    m_answers = std::make_unique<SessionAnswers>(*this);
    m_session = std::make_unique<MeterSession>(m_answers.get());

    // A container that is never shown holds the controls the user never sees.
    m_hiddenArea = new QWidget(client);
    m_hiddenArea->setObjectName(QStringLiteral("HiddenArea"));
    m_hiddenArea->setGeometry(0, kClientHeight, kClientWidth, 400);
    m_hiddenArea->hide();

    // The panels in the order their controls stack, lowest first (the chart
    // goes under all of them below, so the paging bar and the LCD panel lie
    // above it when it is enlarged).
    m_connectionBar = new ConnectionBar(*client, *m_hiddenArea, m_session->decoder(), *m_services, this);
    m_lcdPanel = new LcdPanelView(*client, *m_session, *m_scheduler, this);
    m_limitPanel = new LimitPanelView(*client, *m_hiddenArea, *m_session, *m_scheduler, *m_services, this);
    m_recordingBar = new RecordingBar(*client, *m_hiddenArea, *m_session, *m_scheduler, *m_services, this);
    m_chartPanel = new ChartPanelView(*client, *m_hiddenArea, *m_session, *m_scheduler, *m_services, this);
    m_usbPanel = new UsbStatePanel(*m_hiddenArea, *m_session, *m_scheduler, *m_services, this);
    m_chartPanel->Chtshow->lower();
    // The record row's edit lies on the blank part of RecordSI's caption.
    m_recordingBar->RecordSITime->raise();
    m_hiddenArea->raise();
    // Nothing in the hidden container takes the focus, should it ever be shown.
    for (QWidget* w : m_hiddenArea->findChildren<QWidget*>())
        w->setFocusPolicy(Qt::NoFocus);

    // Menus (only Record shows).
    m_connectionBar->createMenus(*menuBar());
    m_chartPanel->createMenu(*menuBar());
    m_recordingBar->createMenu(*menuBar());

    wirePanels();
    // The HID controller's events are assigned after the controls they fill;
    // that lists the HID devices a first time.
    m_usbPanel->start(std::move(hidPlatform));
}

void TFCOMM::wirePanels()
{
    using namespace tavolo;
    connect(m_connectionBar, &ConnectionBar::quitRequested, this, &TFCOMM::quit);
    connect(m_connectionBar, &ConnectionBar::usbConClicked, m_usbPanel, &UsbStatePanel::connectClicked);
    connect(m_usbPanel, &UsbStatePanel::usbUnavailable, m_connectionBar, &ConnectionBar::disableUsb);
    connect(m_usbPanel, &UsbStatePanel::usbButtonChanged, this,
            [this](bool down, const QString& caption, bool comControlsVisible, bool lcdSendVisible) {
                m_connectionBar->showUsbState(down, caption, comControlsVisible);
                m_lcdPanel->setSendVisible(lcdSendVisible);
            });
    // "Repeat" and "Continue Record" choose the chart's series as "Fill" does.
    connect(m_recordingBar->RepeatSet, &QCheckBox::clicked, m_chartPanel, &ChartPanelView::btFillClick);
    connect(m_limitPanel->multirange, &QCheckBox::clicked, m_chartPanel, &ChartPanelView::btFillClick);
    connect(m_recordingBar, &RecordingBar::recordsCleared, m_chartPanel, &ChartPanelView::showNewChart);
    // The enlarged chart covers the LCD panel and takes the connection bar's place.
    connect(m_chartPanel, &ChartPanelView::chartEnlarged, this, [this](bool enlarged) {
        m_lcdPanel->Panel1->setVisible(!enlarged);
        m_connectionBar->Panel6->setVisible(!enlarged);
    });
}

QMenu* TFCOMM::recordMenu() const { return m_recordingBar->Record1; }

tavolo::MeterDecoder& TFCOMM::decoder() { return m_session->decoder(); }

tavolo::UsbBridgeLink& TFCOMM::usbLink() { return m_usbPanel->link(); }

void TFCOMM::repaintNow() { m_scheduler->repaintNow(); }

void TFCOMM::showRestoredSession()
{
    m_chartPanel->showNewChart();
    m_recordingBar->showRestoredSession();
    m_scheduler->scheduleAll();
    m_scheduler->repaintNow();
}

QString TFCOMM::GetDecimalSymbol()
{
    // The user's locale as Qt reads it from the environment (LC_NUMERIC, LANG).
    return QLocale().decimalPoint();
}

bool TFCOMM::IsWow64Host()
{
    // The title's suffix tells the host processor's width: "(x64)" on a 64-bit
    // x86 (or Itanium) host, "(x86)" on anything else.
    const QString arch = QSysInfo::currentCpuArchitecture();
    return arch == QLatin1String("x86_64") || arch == QLatin1String("ia64");
}

void TFCOMM::conversionNotice(std::string_view message)
{
    // A damaged frame must not stop the user with a box per frame: the status
    // line tells the time, the reason and how many frames were lost so far.
    ++m_conversionErrors;
    m_services->statusNote(QStringLiteral("Reading not decoded: %1 (%2 so far)")
                               .arg(tavolo::fromCoreText(message))
                               .arg(m_conversionErrors));
}

void TFCOMM::FormCreate()
{
    // 2, 3. The user's number format and decimal separator.
    LocaleFormat = QLocale();
    DecimalSymbol = GetDecimalSymbol();
    // 9. The series chooser at "atile" without its change handler.
    {
        const QSignalBlocker block(m_chartPanel->ComboBox1);
        m_chartPanel->ComboBox1->setCurrentIndex(0);
    }
    // 10, 11. The meter profile picks the frame handler and the title.
    QString caption;
    if (m_usbPanel->IFVexa->isChecked()) {
        m_connectionBar->useMeterProfile(false);
        caption = QStringLiteral("Tavolo Interface Program Ver 4.02");
    }
    if (m_usbPanel->IFHalvo->isChecked()) {
        m_connectionBar->useMeterProfile(true);
        caption = QStringLiteral("Yaro Interface Program _Ver: 1.00");
        caption = QStringLiteral("Luvix Interface Program _Ver: 1.00");
    }
    // 14. The host's processor width, appended without a blank.
    caption += IsWow64Host() ? QStringLiteral("(x64)") : QStringLiteral("(x86)");
    setWindowTitle(caption);
    // 12. The count class's row (applied by the decoder) on the controls:
    // alarm texts and the bar graph's maximum.
    m_scheduler->scheduleAll();
    m_scheduler->repaintNow();
}

void TFCOMM::quit(bool askFirst)
{
    if (askFirst && !m_services->askYesNo(kQuitQuestion))
        return;
    m_quitConfirmed = true;
    QCoreApplication::quit();
}

void TFCOMM::closeEvent(QCloseEvent* event)
{
    // The close box would throw away every recorded reading without a word:
    // it asks the same question as QUIT.
    if (m_quitConfirmed || m_services->askYesNo(kQuitQuestion)) {
        m_quitConfirmed = true;
        event->accept();
        QCoreApplication::quit();
    } else {
        event->ignore();
    }
}
