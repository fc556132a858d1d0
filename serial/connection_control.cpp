#include "serial/connection_control.h"

namespace tavolo {
namespace {

constexpr std::string_view kNames[kConnControlCount] = {
    "COMCon", "USBCon", "BtCOM1", "BtCOM2", "BtCOM3", "BtCOM4", "ComSetup1", "COM11",
    "COM21",  "COM31",  "COM41",  "Connect1", "START1", "STOP1", "BTCon",  "BtDiscon"};

ConnControl panelOf(int port)
{
    return static_cast<ConnControl>(static_cast<int>(ConnControl::BtCOM1) + port - 1);
}

ConnControl menuItemOf(int port)
{
    return static_cast<ConnControl>(static_cast<int>(ConnControl::COM11) + port - 1);
}

}  // namespace

std::string_view connControlName(ConnControl control)
{
    const auto i = static_cast<std::size_t>(control);
    return i < kConnControlCount ? kNames[i] : std::string_view();
}

std::string openFailureText(const PortOpenError& error)
{
    std::string text = "Cannot open " + error.portName;
    if (!error.error.device.empty() && error.error.device != error.portName)
        text += " (" + error.error.device + ")";
    text += ": " + (error.error.message.empty() ? std::string("unknown error") : error.error.message);
    if (text.back() != '.' && text.back() != '?')
        text += '.';
    return text;
}

ConnectionControl::ConnectionControl(TCommPortDriver& driver) : m_driver(driver)
{
    // The hidden menus exist for their handlers only; the user never sees them.
    at(ConnControl::ComSetup1).visible = false;
    at(ConnControl::Connect1).visible = false;
    at(ConnControl::STOP1).enabled = false;
    at(ConnControl::BtDiscon).visible = false;
    selectPort(1);
    m_driver.SetOnStatus([this](TCommPortDriver*, const PortStatus& status) { onDriverStatus(status); });
}

ConnectionMode ConnectionControl::mode() const
{
    if (control(ConnControl::COMCon).checked)
        return ConnectionMode::Serial;
    if (control(ConnControl::USBCon).checked)
        return ConnectionMode::Usb;
    return ConnectionMode::Idle;
}

void ConnectionControl::COM11Click() { selectPort(1); }
void ConnectionControl::COM21Click() { selectPort(2); }
void ConnectionControl::COM31Click() { selectPort(3); }
void ConnectionControl::COM41Click() { selectPort(4); }

void ConnectionControl::selectPort(int port)
{
    // The choice is disabled while connected; a call that gets here anyway must not
    // show a port other than the open one.
    if (m_driver.IsPortOpen())
        return;
    m_selectedPort = port;
    for (int n = 1; n <= 4; ++n) {
        at(menuItemOf(n)).checked = n == port;
        // In USB mode every panel stays hidden; the choice shows when it ends.
        at(panelOf(n)).visible = n == port && !m_usbModeShown;
    }
    m_driver.SetComPort(static_cast<TComPortNumber>(port - 1));
    changed();
}

void ConnectionControl::COMConClick(bool pressed)
{
    at(ConnControl::COMCon).checked = pressed;
    if (pressed)
        connect();
    else
        disconnect();
    changed();
}

void ConnectionControl::BTCon1Click()
{
    connect();
    changed();
}

void ConnectionControl::BtDiscon1Click()
{
    disconnect();
    changed();
}

bool ConnectionControl::connect()
{
    // The serial link never runs beside the USB link: COMCon is hidden in USB mode,
    // and the other connect paths are refused there too.
    if (m_usbModeShown || control(ConnControl::USBCon).checked) {
        at(ConnControl::COMCon).checked = false;
        return false;
    }
    if (!m_driver.OpenPort()) {
        setIdleControls();
        notice(ConnectionNotice::Kind::OpenFailed, openFailureText(m_driver.LastOpenError()));
        return false;
    }
    at(ConnControl::ComSetup1).enabled = false;
    at(ConnControl::START1) = {true, false, true};
    at(ConnControl::STOP1) = {true, true, false};
    at(ConnControl::BTCon).visible = false;
    at(ConnControl::BtDiscon).visible = true;
    for (int n = 1; n <= 4; ++n)
        at(panelOf(n)).enabled = false;
    at(ConnControl::COMCon).checked = true;
    // Every connect path hides the USB button, so the links stay exclusive.
    at(ConnControl::USBCon).visible = false;
    return true;
}

void ConnectionControl::disconnect()
{
    m_driver.ClosePort();
    setIdleControls();
    at(ConnControl::STOP1).checked = true;
}

void ConnectionControl::setIdleControls()
{
    at(ConnControl::ComSetup1).enabled = true;
    at(ConnControl::START1) = {true, true, false};
    at(ConnControl::STOP1) = {true, false, false};
    at(ConnControl::BTCon).visible = true;
    at(ConnControl::BtDiscon).visible = false;
    for (int n = 1; n <= 4; ++n)
        at(panelOf(n)).enabled = true;
    at(ConnControl::COMCon).checked = false;
    if (!m_usbModeShown)
        at(ConnControl::USBCon).visible = true;
}

void ConnectionControl::setUsbConDown(bool down)
{
    at(ConnControl::USBCon).checked = down;
    changed();
}

void ConnectionControl::showUsbMode(bool on)
{
    m_usbModeShown = on;
    at(ConnControl::COMCon).visible = !on;
    for (int n = 1; n <= 4; ++n)
        at(panelOf(n)).visible = !on && n == m_selectedPort;
    changed();
}

void ConnectionControl::notice(ConnectionNotice::Kind kind, std::string text)
{
    if (m_onNotice)
        m_onNotice(ConnectionNotice{kind, std::move(text)});
}

void ConnectionControl::changed()
{
    if (m_onChanged)
        m_onChanged();
}

void ConnectionControl::onDriverStatus(const PortStatus& status)
{
    switch (status.kind) {
    case PortStatusKind::DeviceLost: notice(ConnectionNotice::Kind::DeviceLost, status.message); break;
    case PortStatusKind::DeviceBack: notice(ConnectionNotice::Kind::DeviceBack, status.message); break;
    case PortStatusKind::OtherDevice: notice(ConnectionNotice::Kind::OtherDevice, status.message); break;
    }
}

}  // namespace tavolo
