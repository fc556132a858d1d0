// The connection controls: port selector, COM connect/disconnect and the USB
// button. The state lives in the serial link's ConnectionControl; the handlers
// forward the clicks there and the controls are redrawn from its state.
#include <QAction>
#include <QDateTime>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

#include "app/click_panel.h"
#include "app/tfcomm.h"
#include "decode/meter_decoder.h"
#include "serial/comm_port_driver.h"
#include "serial/connection_control.h"
#include "serial/qt/qt_poll_timer.h"

using tavolo::ConnControl;

void TFCOMM::createSerialLink()
{
    COMM2 = std::make_unique<tavolo::TCommPortDriver>(std::make_unique<tavolo::QtPollTimer>());
    // The meter's line: 19200 bit/s, 7 data bits, odd parity; COM1 until the user chooses.
    COMM2->SetComPort(tavolo::TComPortNumber::pnCOM1);
    COMM2->SetComPortSpeed(tavolo::TComPortBaudRate::br19200);
    COMM2->SetComPortDataBits(tavolo::TComPortDataBits::db7BITS);
    COMM2->SetComPortParity(tavolo::TComPortParity::ptODD);

    m_connection = std::make_unique<tavolo::ConnectionControl>(*COMM2);
    m_connection->setOnChanged([this] { applyConnectionState(); });
    m_connection->setOnNotice([this](const tavolo::ConnectionNotice& n) { connectionNotice(n); });
    applyConnectionState();
}

void TFCOMM::applyConnectionState()
{
    const auto state = [this](ConnControl c) { return m_connection->control(c); };
    const auto button = [&](QToolButton* b, ConnControl c) {
        b->setVisible(state(c).visible);
        b->setEnabled(state(c).enabled);
        b->setChecked(state(c).checked);
    };
    const auto panel = [&](tavolo::ClickPanel* p, ConnControl c) {
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
    panel(BtCOM1, ConnControl::BtCOM1);
    panel(BtCOM2, ConnControl::BtCOM2);
    panel(BtCOM3, ConnControl::BtCOM3);
    panel(BtCOM4, ConnControl::BtCOM4);
    menu(ComSetup1, ConnControl::ComSetup1);
    item(COM11, ConnControl::COM11);
    item(COM21, ConnControl::COM21);
    item(COM31, ConnControl::COM31);
    item(COM41, ConnControl::COM41);
    menu(Connect1, ConnControl::Connect1);
    item(START1, ConnControl::START1);
    item(STOP1, ConnControl::STOP1);
    panel(BTCon, ConnControl::BTCon);
    panel(BtDiscon, ConnControl::BtDiscon);
}

void TFCOMM::connectionNotice(const tavolo::ConnectionNotice& notice)
{
    const QString text = QString::fromStdString(notice.text);
    if (notice.kind == tavolo::ConnectionNotice::Kind::DeviceBack)
        decoder().discardPendingFrame();  // the bytes before the gap belong to no frame now
    if (notice.kind == tavolo::ConnectionNotice::Kind::OpenFailed) {
        // The user has just pressed the button and waits for an answer.
        statusNote(text);
        showInformation(text);
    } else {
        statusNote(text);
    }
}

void TFCOMM::statusNote(const QString& text)
{
    StatusLine->setText(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss  ")) + text);
}

void TFCOMM::COM11Click() { m_connection->COM11Click(); }
void TFCOMM::COM21Click() { m_connection->COM21Click(); }
void TFCOMM::COM31Click() { m_connection->COM31Click(); }
void TFCOMM::COM41Click() { m_connection->COM41Click(); }

void TFCOMM::COMConClick()
{
    const bool wasOpen = COMM2->IsPortOpen();
    m_connection->COMConClick(COMCon->isChecked());
    const QString port = QStringLiteral("COM%1").arg(m_connection->selectedPort());
    if (!wasOpen && COMM2->IsPortOpen()) {
        // A half frame from an earlier connection must not join the new bytes.
        decoder().discardPendingFrame();
        statusNote(port + QStringLiteral(" open (") + QString::fromStdString(COMM2->DevicePath()) +
                   QLatin1Char(')'));
    } else if (wasOpen && !COMM2->IsPortOpen()) {
        statusNote(port + QStringLiteral(" closed"));
    }
}

void TFCOMM::BTCon1Click()
{
    const bool wasOpen = COMM2->IsPortOpen();
    m_connection->BTCon1Click();
    if (!wasOpen && COMM2->IsPortOpen())
        decoder().discardPendingFrame();
}

void TFCOMM::BtDiscon1Click() { m_connection->BtDiscon1Click(); }
