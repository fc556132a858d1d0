#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "serial/comm_port_driver.h"

namespace tavolo {

// Which link is in use. Serial and USB exclude each other.
enum class ConnectionMode : std::uint8_t { Idle, Serial, Usb };

// Every control of the main window that the connection state decides, named as
// on the window.
enum class ConnControl : std::uint8_t {
    COMCon,     // two-state button "COM Connect"
    USBCon,     // two-state button "USB Connect" (its caption is the USB link's business)
    BtCOM1,     // port selector panels "COM 1".."COM 4", stacked at one place
    BtCOM2,
    BtCOM3,
    BtCOM4,
    ComSetup1,  // hidden menu "ComSetup"
    COM11,      // its check items "COM1".."COM4"
    COM21,
    COM31,
    COM41,
    Connect1,   // hidden menu "Connect"
    START1,     // its items "START", "STOP"
    STOP1,
    BTCon,      // panels "Connect" / "Disconnect" below the client area
    BtDiscon,
    Count
};

inline constexpr std::size_t kConnControlCount = static_cast<std::size_t>(ConnControl::Count);

// The control's name as on the window ("COMCon", "BtCOM3", ...).
std::string_view connControlName(ConnControl control);

// One control's state. `checked` is the pressed state of the two-state buttons
// and the check mark of menu items; it means nothing for the panels.
struct ControlState {
    bool visible = true;
    bool enabled = true;
    bool checked = false;
    friend bool operator==(const ControlState&, const ControlState&) = default;
};

// A message for the user about the serial link.
struct ConnectionNotice {
    enum class Kind : std::uint8_t {
        OpenFailed,  // connecting failed; the window stayed Idle (show it, e.g. in a message box)
        DeviceLost,  // the device went away while connected; reconnecting (status line, no box)
        DeviceBack,  // the device is back; readings flow again (status line)
        OtherDevice, // while it is away, another device answers to the port name; left unopened (status line)
    };
    Kind kind = Kind::OpenFailed;
    std::string text;  // complete English text naming the port and the device
};

// The user's side of the serial link, without widgets: port choice, connect and
// disconnect, and the exclusion of the serial and USB links. The window binds each
// control to control(c), runs the handlers below from the controls' clicks and
// re-reads the state when the change callback runs. Setting state here never
// runs a handler. Everything runs on the GUI thread.
//
// The driver must outlive this object; its OnStatus event is taken over here and
// turned into notices.
class ConnectionControl {
public:
    explicit ConnectionControl(TCommPortDriver& driver);
    ConnectionControl(const ConnectionControl&) = delete;
    ConnectionControl& operator=(const ConnectionControl&) = delete;

    const ControlState& control(ConnControl c) const { return m_controls[static_cast<std::size_t>(c)]; }
    ConnectionMode mode() const;
    int selectedPort() const { return m_selectedPort; }  // 1..4, the checked COMn1 item

    // Runs after every change of any control's state.
    void setOnChanged(std::function<void()> handler) { m_onChanged = std::move(handler); }
    // Runs for every notice; the window decides how to show it.
    void setOnNotice(std::function<void(const ConnectionNotice&)> handler) { m_onNotice = std::move(handler); }

    // Port choice (menu items COM11..COM41; panels BtCOM4, BtCOM1, BtCOM2, BtCOM3 in
    // that order, so that clicking the visible panel selects the next port).
    void COM11Click();
    void COM21Click();
    void COM31Click();
    void COM41Click();

    // The COMCon button was clicked; `pressed` is its new state (the click has
    // already toggled it). Pressed: open the selected port; when that fails, the
    // button goes back up, the window stays Idle and an OpenFailed notice explains
    // why. Released: close the port.
    void COMConClick(bool pressed);
    // Connect / disconnect through BTCon and START1, BtDiscon and STOP1.
    void BTCon1Click();
    void BtDiscon1Click();

    // Hooks of the USB link. The down state of USBCon, set without any handler
    // (USB mode switched by its button, or released by the link itself).
    void setUsbConDown(bool down);
    // USB mode on hides COMCon and every selector panel; off shows COMCon and the
    // panel of the selected port again. Never opens or closes the serial port.
    void showUsbMode(bool on);

private:
    ControlState& at(ConnControl c) { return m_controls[static_cast<std::size_t>(c)]; }
    void selectPort(int port);
    bool connect();      // steps common to both connect paths; false when the port did not open
    void disconnect();   // steps common to both disconnect paths
    void setIdleControls();
    void notice(ConnectionNotice::Kind kind, std::string text);
    void changed();
    void onDriverStatus(const PortStatus& status);

    TCommPortDriver& m_driver;
    std::array<ControlState, kConnControlCount> m_controls{};
    int m_selectedPort = 1;
    bool m_usbModeShown = false;
    std::function<void()> m_onChanged;
    std::function<void(const ConnectionNotice&)> m_onNotice;
};

// The user's message for a port that did not open: port, device and the system's
// reason, with a hint for the usual causes.
std::string openFailureText(const PortOpenError& error);

}  // namespace tavolo
