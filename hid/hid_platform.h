#pragma once

// The operating system's HID services, as narrow as the device controller needs.
// One backend is built into the program (hid/hidapi/ on Linux, or none), and the
// tests use the in-process simulation (hid/sim/). Nothing above this header knows
// which backend it drives.

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tavolo {

// How an interface is opened.
enum class HidAccess {
    ReadWrite,  // attributes, strings, feature reports (the query handle)
    QueryOnly,  // attributes and strings only; for devices that refuse read/write
    Read,       // input reports (the reader thread's handle)
};

// What the system tells about a device node besides its path. Texts are empty and
// numbers 0 where the system has no such property.
struct HidNodeProperties {
    std::uint32_t Capabilities = 0;
    std::string ClassDescr;
    std::string ClassGUID;
    std::vector<std::string> CompatibleIDs;
    std::uint32_t ConfigFlags = 0;
    std::string DeviceDescr;
    std::string Driver;
    std::string FriendlyName;
    std::vector<std::string> HardwareID;
    std::vector<std::string> LowerFilters;
    std::string Mfg;
    std::vector<std::string> UpperFilters;
    std::string Service;
    std::string Address;
    std::uint32_t BusNumber = 0;
    std::string BusType;
    std::string Characteristics;
    std::uint32_t DevType = 0;
    std::string EnumeratorName;
    std::uint32_t Exclusive = 0;
    std::uint32_t LegacyBusType = 0;
    std::string LocationInfo;
    std::string PhysDevObjName;
    std::string Security;
    std::uint32_t UINumber = 0;
    std::string UINumberFormat;
};

// One HID interface present when the snapshot was taken.
struct HidInterfaceEntry {
    // Identity of the interface while it stays plugged in: the same value in every
    // snapshot until it is removed, and a new value when it is plugged in again.
    std::uint32_t deviceInstance = 0;
    std::string path;  // opens the interface, e.g. "/dev/hidraw3"
    HidNodeProperties properties;
};

// Vendor, product and version numbers of a device.
struct HidAttributes {
    std::uint16_t VendorID = 0;
    std::uint16_t ProductID = 0;
    std::uint16_t VersionNumber = 0;
};

// Report lengths in bytes, each counting the report-ID byte (0 when the device has
// no report of that kind).
struct HidCaps {
    std::uint16_t Usage = 0;
    std::uint16_t UsagePage = 0;
    std::uint16_t InputReportByteLength = 0;
    std::uint16_t OutputReportByteLength = 0;
    std::uint16_t FeatureReportByteLength = 0;
};

// Length of the string buffers, in 16-bit words (508 bytes).
inline constexpr std::size_t kHidStringWords = 254;

// The result of one read.
struct HidReadOutcome {
    enum class Status {
        Report,     // one whole input report: `bytes` bytes, byte 0 the report ID (0 without IDs)
        Timeout,    // nothing arrived within the timeout; the read may be started again
        Cancelled,  // cancelRead() ended the wait
        Failed,     // the read could not be done; `error` tells why (an errno value,
                    // ENODEV when the device has gone away)
    };
    Status status = Status::Timeout;
    std::size_t bytes = 0;
    std::uint32_t error = 0;
};

// An open interface. A handle is used by one thread at a time (the GUI thread for
// query handles, the reader thread for read handles); cancelRead() alone may be
// called from any thread. Closing = destroying the handle.
class HidHandle {
public:
    virtual ~HidHandle() = default;

    // Identity of the interface this handle is open on, as snapshot() gives it
    // (HidInterfaceEntry::deviceInstance); 0 when the backend cannot tell. A node
    // opened by path may belong to another device than the one listed there
    // before: the system reuses node names.
    virtual std::uint32_t deviceInstance() const = 0;

    virtual bool getAttributes(HidAttributes& attributes) = 0;
    virtual bool getCaps(HidCaps& caps) = 0;

    // UTF-16 strings, NUL-terminated when shorter than the buffer. Index 0 of
    // getIndexedString is the device's language-ID table. Each call writes only
    // what the device gives; false when the device refuses the request.
    virtual bool getProductString(std::span<char16_t> buffer) = 0;
    virtual bool getSerialNumberString(std::span<char16_t> buffer) = 0;
    virtual bool getIndexedString(int index, std::span<char16_t> buffer) = 0;

    // The driver's input report ring of this handle, in reports.
    virtual bool setNumInputBuffers(std::uint32_t count) = 0;
    virtual bool getNumInputBuffers(std::uint32_t& count) = 0;

    // Byte 0 of `report` is the report ID (0 for devices without IDs).
    virtual bool sendFeatureReport(std::span<const std::uint8_t> report) = 0;

    // Waits at most `timeoutMs` milliseconds for one input report. A report longer
    // than `buffer` is cut to its size.
    virtual HidReadOutcome read(std::span<std::uint8_t> buffer, int timeoutMs) = 0;

    // Ends a read() that is waiting at once (one that has not begun yet ends as
    // soon as it begins): every backend waits on the device and a wake-up
    // descriptor together, so the timeout never delays a stop. Any thread.
    virtual void cancelRead() = 0;
};

// The system's set of HID interfaces.
class HidPlatform {
public:
    virtual ~HidPlatform() = default;

    // The interfaces present now, in the system's order. GUI thread.
    virtual std::vector<HidInterfaceEntry> snapshot() = 0;

    // Opens an interface by path; nullptr on failure with the reason (an errno
    // value, e.g. EACCES when this user may not open the node) in `error`.
    // Any thread: the reader opens its read handle on its own thread.
    virtual std::unique_ptr<HidHandle> open(const std::string& path, HidAccess access,
                                            std::uint32_t& error) = 0;

    // Notice of device changes. The GUI thread watches this descriptor for
    // readability (-1: the backend cannot notice changes) and then calls
    // drainChangeNotices(), which consumes what is pending and says whether the
    // set of HID interfaces may have changed.
    virtual int changeNoticeFd() const = 0;
    virtual bool drainChangeNotices() = 0;
};

// Errors of a read or of a read handle's opening that mean the device is not
// there any more (unplugged, or its node now names another device).
inline bool isDeviceGoneError(std::uint32_t error)
{
    return error == ENOENT || error == ENXIO || error == ENODEV || error == ESHUTDOWN;
}

// True when a handle opened for the interface `claimed` (an identity from
// snapshot()) is open on another one; an identity of 0 (unknown) matches any.
inline bool isOtherInterface(std::uint32_t claimed, std::uint32_t opened)
{
    return claimed != 0 && opened != 0 && claimed != opened;
}

// The backend this program was built with; nullptr when the system's HID library
// cannot be used (built without it, or it fails to start). The controller is then
// inert: no devices, no change notices.
std::shared_ptr<HidPlatform> createSystemHidPlatform();

}  // namespace tavolo
