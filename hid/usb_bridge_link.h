#pragma once

// The main window's USB side, without the window: picks the "USB to Serial" bridge
// from the HID devices, switches USB mode with the USB button, sets the bridge's
// line settings, turns its input reports into meter frames for the decoder and
// watches for a silent meter.
//
// The window owns one UsbBridgeLink, binds its controls to the state below and
// calls the handlers from its controls and its 300 ms ConTimer. Everything runs on
// the GUI thread; report handlers come through the controller's hand-over and may
// run inside any call that stops a reader (USBConClick, ReadBtnClick,
// HidCtlDeviceChange, ConTimerTimer).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hid/bounded_log.h"
#include "hid/hid_device.h"
#include "hid/hid_device_controller.h"

namespace tavolo {

class UsbBridgeLink {
public:
    // Lines kept by HistoryListBox, Memo1 and Memo2 (about a quarter of an hour of
    // reports in the history at the bridge's rate; older lines are dropped).
    static constexpr std::size_t kLogTailLines = 5000;
    // Meter bytes collected for one frame at most; a burst without end would
    // otherwise grow without bound. Only the first 14 are ever decoded.
    static constexpr std::size_t kMaxBurstBytes = 256;
    // Report bytes shown in one history line; longer reports (not the bridge's)
    // end their line with "...".
    static constexpr std::size_t kMaxLoggedReportBytes = 64;

    static constexpr std::string_view kNotConnectedText =
        "USB interface cable is not securely connected, please check and re-try.";
    static constexpr std::string_view kMeterNotReadyText =
        "USB interface cable is securely connected, please check if the meter is ready.";
    static constexpr std::string_view kCableRemovedText =
        "USB interface cable was removed; reading has stopped. Plug it in and press \"USB Connect\".";

    enum class MessageKind {
        InformationBox,  // modal box, information icon, one OK button
        StatusNote,      // a note that must not block (status line)
    };
    struct Message {
        MessageKind kind = MessageKind::InformationBox;
        std::string text;
    };

    // What changed, for the window to refresh (bits, combined).
    enum Change : unsigned {
        DeviceListChanged = 1u << 0,  // DevListBox lines or selection
        HistoryChanged = 1u << 1,     // HistoryListBox (the newest line is the selected one)
        MemosChanged = 1u << 2,       // Memo1 / Memo2
        UsbButtonChanged = 1u << 3,   // USBCon down/caption, LCDsend, COM controls
        ReadButtonChanged = 1u << 4,  // ReadBtn down
        UsbTxtChanged = 1u << 5,      // USBtxt caption
    };

    // One DevListBox line: the device's description and the device claimed for it
    // (null when the claim failed). The link owns the claimed devices.
    struct DeviceLine {
        std::string text;
        TJvHidDevice* device = nullptr;
    };

    // `HidCtl` must outlive the link.
    explicit UsbBridgeLink(TJvHidDeviceController& HidCtl);
    // Unbinds from the controller and returns every claimed device.
    ~UsbBridgeLink();

    UsbBridgeLink(const UsbBridgeLink&) = delete;
    UsbBridgeLink& operator=(const UsbBridgeLink&) = delete;

    // Assigns the controller's events (OnArrival, OnEnumerate, OnDeviceChange,
    // OnDeviceDataError, OnRemoval, in this order); assigning OnDeviceChange fills
    // DevListBox the first time. Connect the callbacks first.
    void bindController();

    // Callbacks the window connects.
    std::function<void(std::string_view frameText)> onDecodeFrame;  // the decoder (LcdDisplayVexa)
    std::function<void(std::string_view frameText)> onMaluFrame;    // LcdDisplayMalu (drops frames)
    std::function<void(const Message&)> onMessage;
    std::function<void(unsigned changes)> onChanged;

    // Controls' state.
    const std::vector<DeviceLine>& DevListBox() const { return m_devListBox; }
    int DevListBoxItemIndex() const { return m_devListBoxItemIndex; }  // -1: none selected
    void setDevListBoxItemIndex(int index);                              // the user's choice
    const BoundedLog& HistoryListBox() const { return m_historyListBox; }
    BoundedLog& Memo1() { return m_memo1; }  // the decoder's trace may go here too
    BoundedLog& Memo2() { return m_memo2; }
    const BoundedLog& Memo1() const { return m_memo1; }
    const BoundedLog& Memo2() const { return m_memo2; }

    bool USBConDown() const { return m_usbConDown; }
    const std::string& USBConCaption() const { return m_usbConCaption; }
    bool LCDsendVisible() const { return m_lcdSendVisible; }
    // COMCon and the selected port's selector panel (hidden while USB mode is on).
    bool comControlsVisible() const { return m_comControlsVisible; }
    bool ReadBtnDown() const { return m_readBtnDown; }
    bool IFVexa() const { return m_ifVexa; }
    void setIFVexa(bool checked) { m_ifVexa = checked; }
    const std::string& USBtxt() const { return m_usbTxt; }

    // Working state, for the window's diagnostics and the tests.
    TJvHidDevice* CurrentHidDevice() const { return m_currentHidDevice; }
    const std::string& HidText() const { return m_hidText; }
    const std::string& FrameText() const { return m_frameText; }
    bool HidFramePending() const { return m_hidFramePending; }
    int IdleReportCount() const { return m_idleReportCount; }
    int ConTimerTicks() const { return m_conTimerTicks; }

    // Clicks as the user makes them: the button toggles, then its handler runs.
    void clickUSBCon();
    void clickReadBtn();
    // Setting a button's down state from code, without its handler.
    void setUSBConDown(bool down);
    void setReadBtnDown(bool down);

    // Handlers.
    void USBConClick();
    void SetFeatureClick();
    void ReadBtnClick();
    void ClearBtnClick();
    // The selected device's identity as text for the window's info box; nothing
    // when no line is selected.
    std::optional<std::string> InfoBtnClick();
    void ConTimerTimer();          // every 300 ms
    void resetWatchdogTicks();     // the decoder, at every decoded frame (either link)

    void HidCtlArrival(TJvHidDevice& HidDev);
    void HidCtlRemoval(TJvHidDevice& HidDev);
    bool HidCtlEnumerate(TJvHidDevice& HidDev, int Idx);
    void HidCtlDeviceChange();
    void HidCtlDeviceDataError(TJvHidDevice& HidDev, std::uint32_t Error);
    void HidVexaData(TJvHidDevice& HidDev, std::uint8_t ReportID, const std::uint8_t* Data, std::uint16_t Size);
    void HidMaluData(TJvHidDevice& HidDev, std::uint8_t ReportID, const std::uint8_t* Data, std::uint16_t Size);

    // A device's line text: its product string, else "Device VID=xxxx PID=xxxx",
    // then " (Serial=...)" when it has a serial number. UTF-8.
    static std::string HidDeviceText(TJvHidDevice& HidDev);

private:
    enum class FrameProfile { Vexa, Malu };

    void changed(unsigned changes);
    void message(MessageKind kind, std::string text);
    void addHistoryLine(std::string line);
    TJvHidDevice* selectedDevice() const;
    void releaseAllLines();
    // USB mode is off: no device may go on feeding the decoder.
    void detachVexaHandlers();
    void showUsbModeOff();
    void showUsbModeOn();
    void attachVexaHandler(TJvHidDevice& device);
    void dropPendingBurst();
    void explainNoReadWrite(const TJvHidDevice& device);
    void handleInputReport(FrameProfile profile, std::uint8_t ReportID, const std::uint8_t* Data,
                           std::uint16_t Size);
    void completeVexaFrame();
    void completeMaluFrame();
    std::string missingCableText() const;

    TJvHidDeviceController& m_hidCtl;
    bool m_bound = false;
    TJvHidDataEvent m_vexaHandler;
    TJvHidDataEvent m_maluHandler;

    std::vector<DeviceLine> m_devListBox;
    int m_devListBoxItemIndex = -1;
    BoundedLog m_historyListBox{kLogTailLines};
    BoundedLog m_memo1{kLogTailLines};
    BoundedLog m_memo2{kLogTailLines};

    bool m_usbConDown = false;
    std::string m_usbConCaption = "USB Connect";
    bool m_lcdSendVisible = false;
    bool m_comControlsVisible = true;
    bool m_readBtnDown = false;
    bool m_ifVexa = true;
    std::string m_usbTxt = "6001";

    TJvHidDevice* m_currentHidDevice = nullptr;
    std::string m_hidText;
    std::string m_frameText;
    bool m_hidFramePending = false;
    int m_idleReportCount = 0;
    int m_conTimerTicks = 0;
};

}  // namespace tavolo
