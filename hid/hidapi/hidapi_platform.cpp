// The HID platform on Linux: hidapi's hidraw backend for the devices, sysfs for
// identities and report lengths, a udev monitor for device changes.

#include <hidapi.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <optional>

#include "hid/hid_platform.h"
#include "hid/hidapi/hidraw_read_handle.h"
#include "hid/hidapi/report_descriptor.h"
#include "hid/hidapi/udev_monitor.h"
#include "hid/utf8_text.h"

namespace tavolo {

namespace {

// hidapi keeps the reason of a failed enumeration or open in one global string;
// the GUI thread enumerates while readers open their handles.
std::mutex g_hidapiGlobals;

// Used when the report descriptor cannot be read: a full-speed interrupt report
// and its ID byte. hidraw returns whole reports whatever the buffer, so a longer
// report is only cut, never mixed with the next.
constexpr std::uint16_t kFallbackReportLength = 65;

std::string nodeName(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The sysfs folder of the HID device behind a node, by the node's name ...
std::string sysfsDevice(const std::string& path)
{
    return "/sys/class/hidraw/" + nodeName(path) + "/device";
}

// ... or behind an open node: the very device the descriptor reads, whatever
// the name means by now.
std::string sysfsDeviceOfOpenNode(int fd)
{
    struct stat status{};
    if (::fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode))
        return {};
    return "/sys/dev/char/" + std::to_string(major(status.st_rdev)) + ":" + std::to_string(minor(status.st_rdev)) +
           "/device";
}

// The HID core numbers each device it binds (".0005" in "0003:1A86:E008.0005")
// and never reuses a number until reboot: a replugged cable gets a new one.
// Where sysfs cannot tell, a value derived from the node's path stands in.
std::uint32_t deviceInstanceAt(const std::string& sysfsDeviceFolder, const std::string& path)
{
    char resolved[PATH_MAX];
    if (!sysfsDeviceFolder.empty() && ::realpath(sysfsDeviceFolder.c_str(), resolved)) {
        const std::string name = nodeName(resolved);
        const auto dot = name.find_last_of('.');
        if (dot != std::string::npos && dot + 1 < name.size()) {
            char* end = nullptr;
            const unsigned long number = std::strtoul(name.c_str() + dot + 1, &end, 16);
            if (end && *end == '\0')
                return static_cast<std::uint32_t>(number) + 1;  // keep 0 for "unknown"
        }
    }
    return static_cast<std::uint32_t>(std::hash<std::string>{}(path)) | 0x80000000u;
}

std::uint32_t deviceInstanceOf(const std::string& path)
{
    return deviceInstanceAt(sysfsDevice(path), path);
}

std::optional<ReportDescriptorSummary> readDescriptorAt(const std::string& sysfsDeviceFolder)
{
    std::ifstream file(sysfsDeviceFolder + "/report_descriptor", std::ios::binary);
    if (!file)
        return std::nullopt;
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.empty())
        return std::nullopt;
    return summariseReportDescriptor(bytes);
}

// Report lengths and numbering; a full-speed interrupt report when unknown.
struct ReportLayout {
    HidCaps caps{0, 0, kFallbackReportLength, kFallbackReportLength, kFallbackReportLength};
    bool usesReportIds = false;
};

ReportLayout reportLayoutAt(const std::string& sysfsDeviceFolder)
{
    ReportLayout layout;
    if (const auto descriptor = readDescriptorAt(sysfsDeviceFolder)) {
        layout.usesReportIds = descriptor->usesReportIds;
        layout.caps = {descriptor->usage, descriptor->usagePage, descriptor->inputReportByteLength,
                       descriptor->outputReportByteLength, descriptor->featureReportByteLength};
    }
    return layout;
}

std::string toUtf8(const wchar_t* text)
{
    std::string out;
    if (!text)
        return out;
    for (; *text; ++text)
        appendUtf8(out, static_cast<char32_t>(*text));
    return out;
}

// hidapi's strings are UTF-32 wchar_t; the device layer's are UTF-16.
void toUtf16(const std::wstring& text, std::span<char16_t> buffer)
{
    std::size_t at = 0;
    for (wchar_t w : text) {
        const auto c = static_cast<char32_t>(w);
        if (c >= 0x10000) {
            if (at + 2 > buffer.size())
                break;
            buffer[at++] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            buffer[at++] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            if (at + 1 > buffer.size())
                break;
            buffer[at++] = static_cast<char16_t>(c);
        }
    }
    if (at < buffer.size())
        buffer[at] = u'\0';
}

// What enumeration told about a node; query-only handles answer from it, since
// hidraw offers no opening without read/write access.
struct NodeInfo {
    HidAttributes attributes;
    std::wstring product;
    std::wstring serial;
};

const char* busName(hid_bus_type bus)
{
    switch (bus) {
    case HID_API_BUS_USB: return "USB";
    case HID_API_BUS_BLUETOOTH: return "Bluetooth";
    case HID_API_BUS_I2C: return "I2C";
    case HID_API_BUS_SPI: return "SPI";
    default: return "";
    }
}

class HidapiHandle final : public HidHandle {
public:
    // The identity is taken after the opening, so a node that changed hands
    // just before it shows the new owner's.
    HidapiHandle(std::string path, hid_device* device, NodeInfo info)
        : m_path(std::move(path)),
          m_device(device),
          m_info(std::move(info)),
          m_caps(reportLayoutAt(sysfsDevice(m_path)).caps),
          m_deviceInstance(deviceInstanceOf(m_path))
    {
    }

    ~HidapiHandle() override
    {
        if (m_device)
            hid_close(m_device);
    }

    std::uint32_t deviceInstance() const override { return m_deviceInstance; }

    bool getAttributes(HidAttributes& attributes) override
    {
        if (m_device) {
            if (hid_device_info* info = hid_get_device_info(m_device)) {
                attributes = {info->vendor_id, info->product_id, info->release_number};
                return true;
            }
        }
        attributes = m_info.attributes;
        return true;
    }

    bool getCaps(HidCaps& caps) override
    {
        caps = m_caps;
        return true;
    }

    bool getProductString(std::span<char16_t> buffer) override
    {
        return getString(&hid_get_product_string, m_info.product, buffer);
    }

    bool getSerialNumberString(std::span<char16_t> buffer) override
    {
        return getString(&hid_get_serial_number_string, m_info.serial, buffer);
    }

    bool getIndexedString(int index, std::span<char16_t> buffer) override
    {
        if (index == 0) {
            // hidraw cannot read the language-ID table (hidapi has no way to ask for
            // string descriptor 0): behave as if it holds one entry, US English.
            const char16_t table[] = {0x0409, 0x0000};
            std::copy_n(table, std::min<std::size_t>(2, buffer.size()), buffer.begin());
            return true;
        }
        if (!m_device)
            return false;
        std::wstring text(kHidStringWords, L'\0');
        if (hid_get_indexed_string(m_device, index, text.data(), text.size()) != 0)
            return false;
        text.resize(std::wcslen(text.c_str()));
        toUtf16(text, buffer);
        return true;
    }

    bool setNumInputBuffers(std::uint32_t) override { return false; }

    bool getNumInputBuffers(std::uint32_t& count) override
    {
        count = kHidrawRingReports;
        return true;
    }

    bool sendFeatureReport(std::span<const std::uint8_t> report) override
    {
        if (!m_device || report.empty())
            return false;
        return hid_send_feature_report(m_device, report.data(), report.size()) >= 0;
    }

    // Input reports are read through a HidrawReadHandle, never through hidapi.
    HidReadOutcome read(std::span<std::uint8_t>, int) override { return {HidReadOutcome::Status::Failed, 0, EBADF}; }
    void cancelRead() override {}

private:
    using StringGetter = int (*)(hid_device*, wchar_t*, size_t);

    bool getString(StringGetter getter, const std::wstring& cached, std::span<char16_t> buffer)
    {
        if (!m_device) {
            toUtf16(cached, buffer);
            return true;
        }
        std::wstring text(kHidStringWords, L'\0');
        if (getter(m_device, text.data(), text.size()) != 0)
            return false;
        text.resize(std::wcslen(text.c_str()));
        toUtf16(text, buffer);
        return true;
    }

    std::string m_path;
    hid_device* m_device;  // null for a query-only handle
    NodeInfo m_info;
    HidCaps m_caps;
    std::uint32_t m_deviceInstance;
};

class HidapiPlatform final : public HidPlatform {
public:
    HidapiPlatform() = default;
    ~HidapiPlatform() override { hid_exit(); }

    std::vector<HidInterfaceEntry> snapshot() override
    {
        std::vector<HidInterfaceEntry> entries;
        std::map<std::string, NodeInfo> nodes;
        std::unique_lock globals(g_hidapiGlobals);
        hid_device_info* list = hid_enumerate(0, 0);
        for (hid_device_info* info = list; info; info = info->next) {
            if (!info->path)
                continue;
            HidInterfaceEntry entry;
            entry.path = info->path;
            entry.deviceInstance = deviceInstanceOf(entry.path);
            entry.properties.DeviceDescr = toUtf8(info->product_string);
            entry.properties.Mfg = toUtf8(info->manufacturer_string);
            entry.properties.EnumeratorName = busName(info->bus_type);
            char hardwareId[48];
            std::snprintf(hardwareId, sizeof hardwareId, "HID\\VID_%04X&PID_%04X&REV_%04X",
                          static_cast<unsigned>(info->vendor_id), static_cast<unsigned>(info->product_id),
                          static_cast<unsigned>(info->release_number));
            entry.properties.HardwareID.push_back(hardwareId);
            if (info->interface_number >= 0)
                entry.properties.LocationInfo = "interface " + std::to_string(info->interface_number);
            NodeInfo node;
            node.attributes = {info->vendor_id, info->product_id, info->release_number};
            node.product = info->product_string ? info->product_string : L"";
            node.serial = info->serial_number ? info->serial_number : L"";
            nodes[entry.path] = std::move(node);
            entries.push_back(std::move(entry));
        }
        hid_free_enumeration(list);
        globals.unlock();
        std::lock_guard lock(m_mutex);
        m_nodes = std::move(nodes);
        return entries;
    }

    std::unique_ptr<HidHandle> open(const std::string& path, HidAccess access, std::uint32_t& error) override
    {
        NodeInfo info;
        {
            std::lock_guard lock(m_mutex);
            auto it = m_nodes.find(path);
            if (it == m_nodes.end()) {
                error = ENOENT;
                return nullptr;
            }
            info = it->second;
        }
        if (access == HidAccess::QueryOnly) {
            if (::access(path.c_str(), F_OK) != 0) {
                error = static_cast<std::uint32_t>(errno);
                return nullptr;
            }
            error = 0;
            return std::make_unique<HidapiHandle>(path, nullptr, std::move(info));
        }
        if (access == HidAccess::Read)
            return openForReading(path, error);
        // hidapi reports no reason for a failed open; ask the node first, so a
        // missing permission is told as such.
        const int probe = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
        if (probe < 0) {
            error = static_cast<std::uint32_t>(errno);
            return nullptr;
        }
        ::close(probe);
        hid_device* device = nullptr;
        {
            std::lock_guard globals(g_hidapiGlobals);
            device = hid_open_path(path.c_str());
        }
        if (!device) {
            error = EIO;
            return nullptr;
        }
        error = 0;
        return std::make_unique<HidapiHandle>(path, device, std::move(info));
    }

    int changeNoticeFd() const override { return m_monitor.fd(); }

    // The reader's own descriptor on the node; identity and report layout are
    // taken from the device it actually opened.
    static std::unique_ptr<HidHandle> openForReading(const std::string& path, std::uint32_t& error)
    {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            error = static_cast<std::uint32_t>(errno);
            return nullptr;
        }
        const std::string folder = sysfsDeviceOfOpenNode(fd);
        const ReportLayout layout = reportLayoutAt(folder);
        return HidrawReadHandle::adopt(fd, layout.usesReportIds, layout.caps, deviceInstanceAt(folder, path), error);
    }
    bool drainChangeNotices() override { return m_monitor.drain(); }

private:
    std::mutex m_mutex;  // m_nodes: the reader thread opens too
    std::map<std::string, NodeInfo> m_nodes;
    UdevHidrawMonitor m_monitor;
};

}  // namespace

std::shared_ptr<HidPlatform> createSystemHidPlatform()
{
    if (hid_init() != 0)
        return nullptr;
    return std::make_shared<HidapiPlatform>();
}

}  // namespace tavolo
