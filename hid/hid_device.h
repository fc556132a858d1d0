#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "hid/hid_event.h"
#include "hid/hid_platform.h"

namespace tavolo {

class TJvHidDevice;
class TJvHidDeviceController;
class TJvHidDeviceReadThread;
class HidHandOverHub;

// Event types of the HID classes. Data points at the report bytes after the report
// ID; Size counts them. Error is an errno value.
using TJvHidPlugEvent = HidEvent<void(TJvHidDevice& HidDev)>;
using TJvHidEnumerateEvent = HidEvent<bool(TJvHidDevice& HidDev, int Idx)>;
using TJvHidNotifyEvent = HidEvent<void(TJvHidDeviceController& Sender)>;
using TJvHidDataEvent =
    HidEvent<void(TJvHidDevice& HidDev, std::uint8_t ReportID, const std::uint8_t* Data, std::uint16_t Size)>;
using TJvHidDataErrorEvent = HidEvent<void(TJvHidDevice& HidDev, std::uint32_t Error)>;

// What the system reported about an interface when it was found; never changes.
struct TJvHidPnPInfo {
    std::uint32_t DeviceInstance = 0;  // the interface's identity across re-synchronisations
    std::string InterfacePath;         // every opening of the device uses it
    HidNodeProperties Properties;      // empty where the system has none
};

// One HID interface, as lent by the controller.
//
// Ownership: the controller owns every unclaimed device of its DeviceList. A
// claimed device belongs to the application, which gives it back with
// ReleaseDevice() (the object is destroyed then); it stays in DeviceList meanwhile.
// Handles are open only while the device is accessible (plugged in, and claimed or
// being passed to an enumeration/arrival/removal handler).
//
// Every member is for the GUI thread; the device's reader thread never touches it.
class TJvHidDevice {
public:
    TJvHidDevice(const TJvHidDevice&) = delete;
    TJvHidDevice& operator=(const TJvHidDevice&) = delete;

    // The application returns a claimed device: it stops reading and is destroyed.
    // While its interface is still plugged in, a fresh unclaimed device for it takes
    // its place in the controller's list, with its report handler, unplug handler and
    // poll interval. Without a controller (it was destroyed) the device is simply
    // destroyed. Null is ignored.
    static void ReleaseDevice(TJvHidDevice* device);

    TJvHidDeviceController* OwnerController() const { return m_ownerController; }
    bool Plugged() const { return m_plugged; }
    bool Claimed() const { return m_claimed; }
    bool InEnumeration() const { return m_inEnumeration; }
    bool ReadWriteOpen() const { return m_readWriteOpen; }
    const HidAttributes& DeviceAttributes() const { return m_deviceAttributes; }
    const TJvHidPnPInfo& PnPRecord() const { return *m_pnpRecord; }
    // errno value of the last failed read/write opening (EACCES: not permitted); 0 if none failed.
    std::uint32_t ReadWriteOpenError() const { return m_readWriteOpenError; }

    // Identity strings, cached once non-empty; while empty each call asks the
    // device again (which needs it accessible). UTF-16, at most 254 characters.
    std::u16string GetProductText();
    std::u16string GetSerialText();
    // The caches alone, without asking the device.
    const std::u16string& ProductText() const { return m_productText; }
    const std::u16string& SerialText() const { return m_serialText; }

    // Report lengths; all zero when the device could not be asked.
    HidCaps GetCapabilities();
    // Obtains the report lengths once (opening the device briefly); true when held.
    bool GetPreparsed();

    // Byte 0 of `report` is the report ID. False when the device cannot be opened
    // or refuses the report. The query handle stays open.
    bool SendFeatureReport(const std::uint8_t* report, std::size_t length);

    // The report handler. Null stops the reader first; a handler then (re)starts
    // it when the device can be read. Replacing one handler by another while a
    // reader runs takes effect at the next report.
    void SetReportHandler(TJvHidDataEvent handler);
    const TJvHidDataEvent& OnReport() const { return m_onReport; }

    void SetOnReportError(TJvHidDataErrorEvent handler) { m_onReportError = std::move(handler); }
    const TJvHidDataErrorEvent& OnReportError() const { return m_onReportError; }
    void SetOnUnplugged(TJvHidPlugEvent handler) { m_onUnplugged = std::move(handler); }
    const TJvHidPlugEvent& OnUnplugged() const { return m_onUnplugged; }

    // Starts a reader only when OnReport is assigned, the device is plugged in,
    // claimed and open for read/write, and no reader exists.
    void StartReader();
    // Ends the reader and waits for it, meanwhile serving its pending hand-over (so a
    // handler may run inside this call). Never deadlocks, even from a handler.
    void StopReader();
    const TJvHidDeviceReadThread* ReaderThread() const { return m_readerThread.get(); }

    // Milliseconds the reader waits for a report before it looks for a stop
    // request; only 10..10000 are taken, other values are ignored.
    void SetPollInterval(int milliseconds);
    int PollInterval() const { return m_pollInterval; }

    // The interface is gone: reader stopped (the handler stays assigned), handles
    // closed, Plugged false, then OnUnplugged once.
    void MarkUnplugged();

    bool OpenQueryHandle();
    void CloseQueryHandle();
    std::uint32_t InputBufferCount() const { return m_inputBufferCount; }

private:
    friend class TJvHidDeviceController;

    // Opens the interface (read/write, else query only) and reads its attributes;
    // throws EControllerError "device cannot be opened" / "device cannot be identified".
    TJvHidDevice(std::unique_ptr<TJvHidPnPInfo> pnpRecord, TJvHidDeviceController& controller);
    ~TJvHidDevice();

    bool accessible() const { return m_plugged && (m_claimed || m_inEnumeration); }
    std::unique_ptr<HidHandle> openWithFallback(std::uint32_t& error);
    // Null (ENODEV) when the path now leads to a device other than this one.
    std::unique_ptr<HidHandle> openClaimedInterface(HidAccess access, std::uint32_t& error);

    TJvHidDeviceController* m_ownerController;
    std::shared_ptr<HidPlatform> m_platform;
    std::shared_ptr<HidHandOverHub> m_hub;
    std::unique_ptr<TJvHidPnPInfo> m_pnpRecord;

    bool m_plugged = true;
    bool m_claimed = false;
    bool m_inEnumeration = false;
    bool m_readWriteOpen = false;
    std::uint32_t m_readWriteOpenError = 0;

    std::unique_ptr<HidHandle> m_queryHandle;
    std::uint32_t m_inputBufferCount = 0;
    HidAttributes m_deviceAttributes;
    std::optional<HidCaps> m_preparsed;
    std::u16string m_productText;
    std::u16string m_serialText;
    int m_pollInterval = 100;

    std::unique_ptr<TJvHidDeviceReadThread> m_readerThread;
    TJvHidDataEvent m_onReport;
    TJvHidDataErrorEvent m_onReportError;
    TJvHidPlugEvent m_onUnplugged;
};

}  // namespace tavolo
