#pragma once

#include <QObject>

#include <cstdint>
#include <memory>

class QAction;
class QFrame;
class QMenu;
class QMenuBar;
class QPushButton;
class QToolButton;
class QWidget;

namespace tavolo {

class ClickPanel;
class ConnectionControl;
class MeterDecoder;
class TCommPortDriver;
class WindowServices;
struct ConnectionNotice;

// The connection bar Panel6 (port selector, "COM Connect", "USB Connect",
// "QUIT"), the hidden ComSetup and Connect menus and the hidden Connect,
// Disconnect and Exit panels; with the serial port driver COMM2 and the
// connection state behind them. Received bytes go straight to the decoder;
// what they change reaches the screen through the session's observers.
//
// The USB button only belongs here: its clicks go out as usbConClicked, and
// the USB link's state comes back through showUsbState. GUI thread only.
class ConnectionBar : public QObject {
    Q_OBJECT

public:
    // Builds the bar on `client` and the hidden panels on `hidden`.
    ConnectionBar(QWidget& client, QWidget& hidden, MeterDecoder& decoder, WindowServices& services,
                  QObject* parent = nullptr);
    ~ConnectionBar() override;

    // The hidden ComSetup and Connect menus, in this order.
    void createMenus(QMenuBar& bar);
    // The meter profile chooses the receive handler: VexaDATA, or HKorinRData for the 9-payload meter.
    void useMeterProfile(bool nineBytePayload);

    TCommPortDriver& port() { return *COMM2; }

    // The USB link's button state; the COM button and selector step aside while it is down.
    void showUsbState(bool down, const QString& caption, bool comControlsVisible);
    // No HID controller: the USB button stays disabled.
    void disableUsb();

    // ---- Controls ----
    QFrame* Panel6 = nullptr;
    ClickPanel* BtCOM1 = nullptr;
    ClickPanel* BtCOM2 = nullptr;
    ClickPanel* BtCOM3 = nullptr;
    ClickPanel* BtCOM4 = nullptr;
    QToolButton* COMCon = nullptr;
    QToolButton* USBCon = nullptr;
    QPushButton* BitBtn1 = nullptr;  // "QUIT"
    QMenu* ComSetup1 = nullptr;
    QAction* COM11 = nullptr;
    QAction* COM21 = nullptr;
    QAction* COM31 = nullptr;
    QAction* COM41 = nullptr;
    QMenu* Connect1 = nullptr;
    QAction* START1 = nullptr;
    QAction* STOP1 = nullptr;
    ClickPanel* BTCon = nullptr;     // hidden
    ClickPanel* BtDiscon = nullptr;  // hidden
    ClickPanel* BtExit = nullptr;    // hidden

signals:
    // The USB button went down (true) or up.
    void usbConClicked(bool down);
    // QUIT (ask first) or the hidden Exit (end at once).
    void quitRequested(bool askFirst);

public slots:
    void COM11Click();
    void COM21Click();
    void COM31Click();
    void COM41Click();
    void COMConClick();
    void USBConClick();
    void BTCon1Click();
    void BtDiscon1Click();
    void BitBtn1Click();
    void BtExit1Click();

private:
    void createControls(QWidget& client, QWidget& hidden);
    void wireHandlers();
    void applyConnectionState();
    void connectionNotice(const ConnectionNotice& notice);
    void VexaDATA(const std::uint8_t* bytes, std::int32_t size);
    void HKorinRData(const std::uint8_t* bytes, std::int32_t size);

    MeterDecoder& m_decoder;
    WindowServices& m_services;
    // The serial port driver (19200 bit/s, 7 data bits, odd parity, COM1 at
    // start) and the state of the connection controls bound to it.
    std::unique_ptr<TCommPortDriver> COMM2;
    std::unique_ptr<ConnectionControl> m_connection;
};

}  // namespace tavolo
