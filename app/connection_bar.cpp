#include "app/connection_bar.h"

#include <QAction>
#include <QFrame>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QToolButton>

#include "app/click_panel.h"
#include "app/control_factory.h"
#include "app/core_text.h"
#include "app/window_fonts.h"
#include "app/window_services.h"
#include "decode/meter_decoder.h"
#include "serial/comm_port_driver.h"
#include "serial/connection_control.h"
#include "serial/qt/qt_poll_timer.h"

namespace tavolo {
namespace {

// A port selector panel: silver, lowered inner bevel, "COM n" in Arial 16 bold.
ClickPanel* selectorPanel(QWidget* parent, const char* name, int port, const QRect& geometry)
{
    auto* p = new ClickPanel(QStringLiteral("COM %1").arg(port), parent);
    p->setObjectName(QLatin1String(name));
    p->setGeometry(geometry);
    p->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    p->setFont(arialFont(16, true));
    setBackground(p, kSilver);
    setTextColour(p, Qt::black);
    return p;
}

// The two-state speed buttons of the bar: like every speed button, Tab passes them by.
QToolButton* twoState(QWidget* parent, const char* name, const QString& caption, const QRect& geometry)
{
    QToolButton* b = speedButton(parent, name, geometry, QIcon());
    b->setText(caption);
    b->setCheckable(true);
    b->setFont(arialFont(13, true));
    setTextColour(b, Qt::black);
    return b;
}

}  // namespace

ConnectionBar::ConnectionBar(QWidget& client, QWidget& hidden, MeterDecoder& decoder, WindowServices& services,
                             QObject* parent)
    : QObject(parent), m_decoder(decoder), m_services(services)
{
    setObjectName(QStringLiteral("ConnectionBar"));
    createControls(client, hidden);

    COMM2 = std::make_unique<TCommPortDriver>(std::make_unique<QtPollTimer>());
    // The meter's line: 19200 bit/s, 7 data bits, odd parity; COM1 until the user chooses.
    COMM2->SetComPort(TComPortNumber::pnCOM1);
    COMM2->SetComPortSpeed(TComPortBaudRate::br19200);
    COMM2->SetComPortDataBits(TComPortDataBits::db7BITS);
    COMM2->SetComPortParity(TComPortParity::ptODD);
    m_connection = std::make_unique<ConnectionControl>(*COMM2);
    m_connection->setOnChanged([this] { applyConnectionState(); });
    m_connection->setOnNotice([this](const ConnectionNotice& n) { connectionNotice(n); });
}

ConnectionBar::~ConnectionBar()
{
    // The port closes before the decoder it feeds goes.
    if (COMM2)
        COMM2->ClosePort();
    m_connection.reset();
    COMM2.reset();
}

void ConnectionBar::createControls(QWidget& client, QWidget& hidden)
{
    // The bar's top 4 pixels lie above the client area.
    Panel6 = panel(&client, "Panel6", QRect(5, -4, 707, 34));
    BtCOM1 = selectorPanel(Panel6, "BtCOM1", 1, QRect(5, 6, 61, 24));
    BtCOM2 = selectorPanel(Panel6, "BtCOM2", 2, QRect(3, 6, 61, 24));
    BtCOM3 = selectorPanel(Panel6, "BtCOM3", 3, QRect(5, 6, 61, 24));
    BtCOM4 = selectorPanel(Panel6, "BtCOM4", 4, QRect(3, 5, 61, 24));
    BtCOM2->hide();
    BtCOM3->hide();
    BtCOM4->hide();
    COMCon = twoState(Panel6, "COMCon", QStringLiteral("COM Connect"), QRect(66, 5, 152, 25));
    USBCon = twoState(Panel6, "USBCon", QStringLiteral("USB Connect"), QRect(221, 6, 119, 25));
    BitBtn1 = new QPushButton(QStringLiteral("QUIT"), Panel6);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(605, 5, 89, 25);
    BitBtn1->setFont(arialFont(14, true, true));
    setTextColour(BitBtn1, Qt::black);

    BTCon = actionPanel(&hidden, "BTCon", QStringLiteral("Connect"), QRect(8, 32, 120, 30), 19);
    BtDiscon = actionPanel(&hidden, "BtDiscon", QStringLiteral("Disconnect"), QRect(136, 32, 120, 30), 16);
    BtDiscon->hide();
    BtExit = actionPanel(&hidden, "BtExit", QStringLiteral("Exit"), QRect(264, 32, 80, 30), 19);
}

void ConnectionBar::createMenus(QMenuBar& bar)
{
    ComSetup1 = bar.addMenu(QStringLiteral("ComSetup"));
    ComSetup1->setObjectName(QStringLiteral("ComSetup1"));
    COM11 = menuItem(ComSetup1, "COM11", QStringLiteral("COM1"), true, true);
    COM21 = menuItem(ComSetup1, "COM21", QStringLiteral("COM2"), true);
    COM31 = menuItem(ComSetup1, "COM31", QStringLiteral("COM3"), true);
    COM41 = menuItem(ComSetup1, "COM41", QStringLiteral("COM4"), true);
    ComSetup1->menuAction()->setVisible(false);

    Connect1 = bar.addMenu(QStringLiteral("Connect"));
    Connect1->setObjectName(QStringLiteral("Connect1"));
    START1 = menuItem(Connect1, "START1", QStringLiteral("START"), true);
    STOP1 = menuItem(Connect1, "STOP1", QStringLiteral("STOP"), true);
    STOP1->setEnabled(false);
    Connect1->menuAction()->setVisible(false);

    wireHandlers();
    applyConnectionState();
}

void ConnectionBar::wireHandlers()
{
    // Port selector: the panel showing port n selects port n + 1.
    connect(BtCOM1, &ClickPanel::clicked, this, &ConnectionBar::COM21Click);
    connect(BtCOM2, &ClickPanel::clicked, this, &ConnectionBar::COM31Click);
    connect(BtCOM3, &ClickPanel::clicked, this, &ConnectionBar::COM41Click);
    connect(BtCOM4, &ClickPanel::clicked, this, &ConnectionBar::COM11Click);
    connect(COM11, &QAction::triggered, this, &ConnectionBar::COM11Click);
    connect(COM21, &QAction::triggered, this, &ConnectionBar::COM21Click);
    connect(COM31, &QAction::triggered, this, &ConnectionBar::COM31Click);
    connect(COM41, &QAction::triggered, this, &ConnectionBar::COM41Click);

    // COMCon and USBCon are one group that may be all up: pressing one releases the other.
    connect(COMCon, &QToolButton::clicked, this, [this](bool down) {
        if (down)
            USBCon->setChecked(false);
        COMConClick();
    });
    connect(USBCon, &QToolButton::clicked, this, [this](bool down) {
        if (down)
            COMCon->setChecked(false);
        USBConClick();
    });
    connect(BTCon, &ClickPanel::clicked, this, &ConnectionBar::BTCon1Click);
    connect(START1, &QAction::triggered, this, &ConnectionBar::BTCon1Click);
    connect(BtDiscon, &ClickPanel::clicked, this, &ConnectionBar::BtDiscon1Click);
    connect(STOP1, &QAction::triggered, this, &ConnectionBar::BtDiscon1Click);
    connect(BitBtn1, &QPushButton::clicked, this, &ConnectionBar::BitBtn1Click);
    connect(BtExit, &ClickPanel::clicked, this, &ConnectionBar::BtExit1Click);
}

void ConnectionBar::useMeterProfile(bool nineBytePayload)
{
    if (nineBytePayload)
        COMM2->SetOnReceiveData(
            [this](TCommPortDriver*, const std::uint8_t* bytes, std::int32_t size) { HKorinRData(bytes, size); });
    else
        COMM2->SetOnReceiveData(
            [this](TCommPortDriver*, const std::uint8_t* bytes, std::int32_t size) { VexaDATA(bytes, size); });
}

void ConnectionBar::VexaDATA(const std::uint8_t* bytes, std::int32_t size)
{
    if (size > 0)
        m_decoder.VexaDATA(bytes, static_cast<std::size_t>(size));
}

void ConnectionBar::HKorinRData(const std::uint8_t* bytes, std::int32_t size)
{
    if (size > 0)
        m_decoder.HKorinRData(bytes, static_cast<std::size_t>(size));
}

void ConnectionBar::applyConnectionState()
{
    if (!START1)
        return;  // the menus are not built yet; createMenus applies the state
    const auto state = [this](ConnControl c) { return m_connection->control(c); };
    const auto button = [&](QToolButton* b, ConnControl c) {
        b->setVisible(state(c).visible);
        b->setEnabled(state(c).enabled);
        b->setChecked(state(c).checked);
    };
    const auto clickPanel = [&](ClickPanel* p, ConnControl c) {
        p->setVisible(state(c).visible);
        p->setEnabled(state(c).enabled);
    };
    const auto item = [&](QAction* a, ConnControl c) {
        a->setVisible(state(c).visible);
        a->setEnabled(state(c).enabled);
        a->setChecked(state(c).checked);
    };
    const auto menu = [&](QMenu* m, ConnControl c) {
        m->menuAction()->setVisible(state(c).visible);
        m->setEnabled(state(c).enabled);
    };
    button(COMCon, ConnControl::COMCon);
    USBCon->setVisible(state(ConnControl::USBCon).visible);
    clickPanel(BtCOM1, ConnControl::BtCOM1);
    clickPanel(BtCOM2, ConnControl::BtCOM2);
    clickPanel(BtCOM3, ConnControl::BtCOM3);
    clickPanel(BtCOM4, ConnControl::BtCOM4);
    menu(ComSetup1, ConnControl::ComSetup1);
    item(COM11, ConnControl::COM11);
    item(COM21, ConnControl::COM21);
    item(COM31, ConnControl::COM31);
    item(COM41, ConnControl::COM41);
    menu(Connect1, ConnControl::Connect1);
    item(START1, ConnControl::START1);
    item(STOP1, ConnControl::STOP1);
    clickPanel(BTCon, ConnControl::BTCon);
    clickPanel(BtDiscon, ConnControl::BtDiscon);
}

void ConnectionBar::connectionNotice(const ConnectionNotice& notice)
{
    const QString text = fromCoreText(notice.text);
    if (notice.kind == ConnectionNotice::Kind::DeviceBack)
        m_decoder.discardPendingFrame();  // the bytes before the gap belong to no frame now
    m_services.statusNote(text);
    // The user has just pressed the button and waits for an answer.
    if (notice.kind == ConnectionNotice::Kind::OpenFailed)
        m_services.showInformation(text);
}

void ConnectionBar::showUsbState(bool down, const QString& caption, bool comControlsVisible)
{
    USBCon->setChecked(down);
    USBCon->setText(caption);
    // The serial side hides its button and selector while USB mode is on.
    m_connection->setUsbConDown(down);
    m_connection->showUsbMode(!comControlsVisible);
}

void ConnectionBar::disableUsb() { USBCon->setEnabled(false); }

void ConnectionBar::COM11Click() { m_connection->COM11Click(); }
void ConnectionBar::COM21Click() { m_connection->COM21Click(); }
void ConnectionBar::COM31Click() { m_connection->COM31Click(); }
void ConnectionBar::COM41Click() { m_connection->COM41Click(); }

void ConnectionBar::COMConClick()
{
    const bool wasOpen = COMM2->IsPortOpen();
    m_connection->COMConClick(COMCon->isChecked());
    const QString port = QStringLiteral("COM%1").arg(m_connection->selectedPort());
    if (!wasOpen && COMM2->IsPortOpen()) {
        // A half frame from an earlier connection must not join the new bytes.
        m_decoder.discardPendingFrame();
        m_services.statusNote(port + QStringLiteral(" open (") + fromCoreText(COMM2->DevicePath()) +
                              QLatin1Char(')'));
    } else if (wasOpen && !COMM2->IsPortOpen()) {
        m_services.statusNote(port + QStringLiteral(" closed"));
    }
}

void ConnectionBar::USBConClick() { emit usbConClicked(USBCon->isChecked()); }

void ConnectionBar::BTCon1Click()
{
    const bool wasOpen = COMM2->IsPortOpen();
    m_connection->BTCon1Click();
    if (!wasOpen && COMM2->IsPortOpen())
        m_decoder.discardPendingFrame();
}

void ConnectionBar::BtDiscon1Click() { m_connection->BtDiscon1Click(); }

void ConnectionBar::BitBtn1Click() { emit quitRequested(true); }

void ConnectionBar::BtExit1Click() { emit quitRequested(false); }

}  // namespace tavolo
