#pragma once

// The HID device controller: a live list of every HID interface on the computer,
// from which the program claims devices to read.
//
// Exactly one controller may exist at a time. Everything here runs on the GUI
// thread; the devices' reader threads reach it only through the hand-over.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "hid/hid_controller_error.h"
#include "hid/hid_device.h"
#include "hid/hid_event.h"
#include "hid/hid_hand_over.h"
#include "hid/hid_platform.h"

namespace tavolo {

// An interface that the last scan left out because it could not be opened or
// identified; kept so the program can explain a missing device.
struct HidScanFailure {
    std::string path;
    std::uint32_t error = 0;  // errno value of the failed opening; 0 when it opened but gave no attributes
    std::string message;      // kDeviceCannotBeOpenedText or kDeviceCannotBeIdentifiedText
};

class TJvHidDeviceController {
public:
    // `platform` null = no HID library: the controller is inert (empty list, no
    // change notices). `dispatcher` carries hand-overs to the GUI thread and must
    // outlive the controller and every device it lends; null means hand-overs are
    // served only by serviceHandOvers() and StopReader.
    // Throws EControllerError kOnlyOneControllerText when another controller exists.
    TJvHidDeviceController(std::shared_ptr<HidPlatform> platform, HidGuiDispatcher* dispatcher);
    // Claimed devices are detached and marked unplugged (their readers stop); the
    // application still owns them and returns them with TJvHidDevice::ReleaseDevice.
    ~TJvHidDeviceController();

    TJvHidDeviceController(const TJvHidDeviceController&) = delete;
    TJvHidDeviceController& operator=(const TJvHidDeviceController&) = delete;

    // Published properties.
    int DevThreadSleepTime() const { return m_devThreadSleepTime; }
    void SetDevThreadSleepTime(int milliseconds);
    static constexpr std::string_view Version() { return "1.0.22"; }

    const TJvHidPlugEvent& OnArrival() const { return m_onArrival; }
    void SetOnArrival(TJvHidPlugEvent handler) { m_onArrival = std::move(handler); }
    const TJvHidEnumerateEvent& OnEnumerate() const { return m_onEnumerate; }
    void SetOnEnumerate(TJvHidEnumerateEvent handler) { m_onEnumerate = std::move(handler); }
    const TJvHidNotifyEvent& OnDeviceChange() const { return m_onDeviceChange; }
    // A new handler runs the first re-synchronisation at once (and so fires the
    // handler even when nothing changed). Clearing the handler rescans nothing.
    void SetOnDeviceChange(TJvHidNotifyEvent handler);
    const TJvHidDataEvent& OnDeviceData() const { return m_onDeviceData; }
    void SetOnDeviceData(TJvHidDataEvent handler);
    const TJvHidDataErrorEvent& OnDeviceDataError() const { return m_onDeviceDataError; }
    void SetOnDeviceDataError(TJvHidDataErrorEvent handler);
    const TJvHidPlugEvent& OnDeviceUnplug() const { return m_onDeviceUnplug; }
    void SetOnDeviceUnplug(TJvHidPlugEvent handler);
    const TJvHidPlugEvent& OnRemoval() const { return m_onRemoval; }
    void SetOnRemoval(TJvHidPlugEvent handler) { m_onRemoval = std::move(handler); }

    // The HID interface class; Linux has no such GUID, so the published one is kept.
    const std::string& InterfaceClassGuid() const { return m_interfaceClassGuid; }
    // The pool, in order of discovery (arrivals appended).
    const std::vector<TJvHidDevice*>& DeviceList() const { return m_deviceList; }
    int FreeCount() const { return m_freeCount; }
    int ClaimedCount() const { return m_claimedCount; }
    int UnpluggedCount() const { return m_unpluggedCount; }
    bool ChangeReported() const { return m_changeReported; }
    const std::vector<HidScanFailure>& LastScanFailures() const { return m_lastScanFailures; }

    // Re-synchronises DeviceList with the system: OnRemoval for each vanished device
    // (last to first), OnArrival for each new one (in order), then OnDeviceChange.
    void DeviceChange();
    // Passes each plugged-in device to OnEnumerate until it answers false; returns
    // how many were passed (1 without a handler when any is plugged in).
    int EnumerateDevices();
    // Lends the device at `Index`; false (and HidDev null) when out of range or claimed.
    bool ClaimByIndex(int Index, TJvHidDevice*& HidDev);

    // Device-change notice: the descriptor to watch (-1: none), and the call to
    // make when it is readable. Returns false (the notice is never consumed).
    int changeNoticeFd() const;
    bool DeviceChangeHook();
    // A reader found its device gone: as good a notice as the system's, and the
    // only one where the system sends none. DeviceChange runs once the current
    // hand-over is done, through the dispatcher (without one, nothing happens);
    // several notices before it runs make one re-synchronisation.
    void DeviceGoneNotice();

    // Serves every parked reader hand-over now (the dispatcher's task does this).
    void serviceHandOvers();

private:
    friend class TJvHidDevice;

    std::vector<TJvHidDevice*> ScanInterfaces();
    void recount();
    static void destroyDevice(TJvHidDevice* device);

    static int s_instanceCount;

    std::shared_ptr<HidPlatform> m_platform;
    HidGuiDispatcher* m_dispatcher;
    std::shared_ptr<HidHandOverHub> m_hub;
    bool m_counted = false;
    // Tasks posted to the dispatcher hold this weakly: they may outlive the controller.
    std::shared_ptr<TJvHidDeviceController*> m_self;
    bool m_resyncPosted = false;

    int m_devThreadSleepTime = 100;
    std::string m_interfaceClassGuid;
    std::vector<TJvHidDevice*> m_deviceList;
    int m_freeCount = 0;
    int m_claimedCount = 0;
    int m_unpluggedCount = 0;
    bool m_changeReported = false;
    std::vector<HidScanFailure> m_lastScanFailures;

    TJvHidPlugEvent m_onArrival;
    TJvHidEnumerateEvent m_onEnumerate;
    TJvHidNotifyEvent m_onDeviceChange;
    TJvHidDataEvent m_onDeviceData;
    TJvHidDataErrorEvent m_onDeviceDataError;
    TJvHidPlugEvent m_onDeviceUnplug;
    TJvHidPlugEvent m_onRemoval;
};

}  // namespace tavolo
