#pragma once

// An in-process HID system for tests and demonstrations: devices come and go at
// any time, may refuse read/write access or lack strings, and send whatever input
// reports (or read failures) the test scripts. Reads wait in the same
// CancellableWait as the hidraw backend's, so a stop costs here what it costs
// there.
//
// Thread-safe: the test drives it from its own thread while readers read on theirs.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "hid/hid_platform.h"

namespace tavolo {

class SimHidPlatform final : public HidPlatform, public std::enable_shared_from_this<SimHidPlatform> {
public:
    struct DeviceSpec {
        HidAttributes attributes;
        std::optional<std::u16string> product;  // nullopt: the device refuses the request
        std::optional<std::u16string> serial;
        // The words the language-ID request writes (index 0); empty: it writes nothing.
        std::vector<char16_t> languageTable = {0x0409, 0x0000};
        HidCaps caps{0, 0, 65, 0, 11};
        bool allowReadWrite = true;  // false: only query-only and read opens work
        bool allowRead = true;       // false: the reader's open fails
        bool allowOpen = true;       // false: no open at all
        std::uint32_t refusedError = 13;  // EACCES, reported for refused opens
        bool attributesFail = false;
        bool featureAccepted = true;
        std::uint32_t numInputBuffers = 32;
        HidNodeProperties properties;
    };

    // The bridge cable: "USB to Serial", no serial number, input reports of a
    // count byte and 9 meter bytes.
    static DeviceSpec bridgeSpec();

    // The input reports by which the bridge delivers `meterBytes`: data reports of
    // up to 9 meter bytes each, then one idle report; report ID 0, 11 bytes each.
    static std::vector<std::vector<std::uint8_t>> bridgeReports(std::span<const std::uint8_t> meterBytes);

    // `changeNotices` false: the system tells nothing of devices coming and going
    // (changeNoticeFd() is -1), as where udev's monitor cannot be opened.
    explicit SimHidPlatform(bool changeNotices = true);

    // Adds a device and returns its path ("/sim/hidrawN"); a change notice follows.
    // With `node`, the device takes that path, as the system gives a removed
    // device's node name to the next device; its identity is new all the same.
    std::string addDevice(DeviceSpec setup, const std::string& node = {});
    // Removes it: its open handles fail with ENODEV from now on; a change notice follows.
    void removeDevice(const std::string& path);
    // Changes what an existing device allows (no change notice).
    void setAllowReadWrite(const std::string& path, bool allowed);
    void setAllowRead(const std::string& path, bool allowed);
    void setAllowOpen(const std::string& path, bool allowed);

    // Scripts input: a whole report (byte 0 the report ID), or a read that fails
    // with `error`. Served in order to the device's read handles.
    void queueReport(const std::string& path, std::vector<std::uint8_t> report);
    void queueReadFailure(const std::string& path, std::uint32_t error);
    // Waits until every scripted item of the device has been read; false on timeout.
    bool waitUntilDrained(const std::string& path, int timeoutMs);
    // Scripted items of the device not read yet.
    std::size_t queuedInput(const std::string& path) const;

    // What the devices saw.
    std::vector<std::vector<std::uint8_t>> featureReports(const std::string& path) const;
    int productRequests(const std::string& path) const;
    int serialRequests(const std::string& path) const;
    int opens(const std::string& path, HidAccess access) const;
    int openHandles(const std::string& path) const;
    // How often the set of interfaces was taken (each re-synchronisation takes it once).
    int snapshots() const;

    // HidPlatform
    std::vector<HidInterfaceEntry> snapshot() override;
    std::unique_ptr<HidHandle> open(const std::string& path, HidAccess access, std::uint32_t& error) override;
    int changeNoticeFd() const override { return m_eventFd; }
    bool drainChangeNotices() override;

    ~SimHidPlatform() override;

private:
    class Handle;
    struct Device {
        Device();
        ~Device();
        DeviceSpec setup;
        std::uint32_t instance = 0;
        bool present = true;
        // Readable while a read would not wait: input queued, or the device gone.
        int inputFd = -1;
        bool inputSignalled = false;
        std::deque<std::pair<std::vector<std::uint8_t>, std::uint32_t>> input;  // report, or error
        std::vector<std::vector<std::uint8_t>> features;
        int productRequests = 0;
        int serialRequests = 0;
        int opens[3] = {0, 0, 0};
        int openHandles = 0;
    };

    void notifyChange();
    static void updateInputSignal(Device& device);  // platform mutex held

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<std::string, std::shared_ptr<Device>> m_devices;
    std::vector<std::string> m_order;  // paths in the order they were added
    std::uint32_t m_nextInstance = 1;
    int m_nextNode = 0;
    int m_snapshots = 0;
    int m_eventFd = -1;
};

}  // namespace tavolo
