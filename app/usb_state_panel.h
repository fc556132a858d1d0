#pragma once

#include <QObject>

#include <memory>
#include <string_view>

#include "app/repaint_scheduler.h"
#include "record/session_observer.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QToolButton;
class QWidget;

namespace tavolo {

class HidPlatform;
class MeterSession;
class QtHidChangeWatcher;
class QtHidDispatcher;
class TJvHidDeviceController;
class UsbBridgeLink;
class WindowServices;

// The hidden USB and state controls (meter profile IFVexa/IFHalvo, Read, Clear,
// Info, SetFeature, the device and history lists, the trace memos, USBtxt) and
// the idle watchdog ConTimer, with the HID controller HidCtl and the USB bridge
// link they drive. Frames from the cable go straight to the decoder; the
// session's trace and watchdog steps come back here as an observer.
//
// The USB button lives on the connection bar: its clicks arrive through
// connectClicked and the link's button state leaves as usbButtonChanged.
// GUI thread only; the session, scheduler and services outlive it.
class UsbStatePanel final : public QObject, private SessionObserver, private RepaintTarget {
    Q_OBJECT

public:
    UsbStatePanel(QWidget& hidden, MeterSession& session, RepaintScheduler& scheduler, WindowServices& services,
                  QObject* parent = nullptr);
    // Stops the HID readers before the controls and the session go.
    ~UsbStatePanel() override;

    // Creates the HID controller over `platform` and lists the devices a first
    // time. Without a controller, usbUnavailable is sent and the serial link
    // still works.
    void start(std::shared_ptr<HidPlatform> platform);

    // The USB button went down or up (the click has toggled it already).
    void connectClicked(bool down);

    // The link (valid after a successful start()).
    UsbBridgeLink& link() { return *m_usb; }
    TJvHidDeviceController* controller() { return HidCtl.get(); }

    // ---- Controls ----
    QCheckBox* IFVexa = nullptr;
    QCheckBox* IFHalvo = nullptr;
    QToolButton* ReadBtn = nullptr;
    QToolButton* ClearBtn = nullptr;
    QToolButton* InfoBtn = nullptr;
    QPushButton* SetFeature = nullptr;
    QListWidget* DevListBox = nullptr;
    QListWidget* HistoryListBox = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPlainTextEdit* Memo2 = nullptr;
    QLabel* USBtxt = nullptr;
    QTimer* ConTimer = nullptr;  // 300 ms, running: USB idle watchdog

signals:
    // The USB button's state as the link wants it shown.
    void usbButtonChanged(bool down, const QString& caption, bool comControlsVisible, bool lcdSendVisible);
    void usbUnavailable();

public slots:
    void SetFeatureClick();
    void ReadBtnClick();
    void ClearBtnClick();
    void InfoBtnClick();
    void ConTimerTimer();
    void HidCtlDeviceChange();

private:
    void createControls(QWidget& hidden);
    void applyUsbState(unsigned changes);
    void syncHiddenLogs();
    void resetUsbWatchdogTicks() override;
    void traceFrame(std::string_view frameText, std::string_view frameBits) override;
    void frameEnded(std::string_view frameText, bool accepted) override;
    void repaintFromModel() override;

    MeterSession& m_session;
    RepaintScheduler& m_scheduler;
    WindowServices& m_services;
    bool m_memosDirty = false;    // Memo1/Memo2 behind their logs
    bool m_historyDirty = false;  // HistoryListBox behind its log
    // The dispatcher carries reader hand-overs to the GUI thread and outlives
    // the controller and the link.
    std::unique_ptr<QtHidDispatcher> m_hidDispatcher;
    std::unique_ptr<TJvHidDeviceController> HidCtl;
    std::unique_ptr<QtHidChangeWatcher> m_hidWatcher;
    std::unique_ptr<UsbBridgeLink> m_usb;
};

}  // namespace tavolo
