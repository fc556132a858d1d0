#include "hid/sim/sim_hid_platform.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "hid/cancellable_wait.h"

namespace tavolo {

namespace {

void copyString(const std::u16string& text, std::span<char16_t> buffer)
{
    const std::size_t n = std::min(text.size(), buffer.size());
    std::copy_n(text.begin(), n, buffer.begin());
    if (n < buffer.size())
        buffer[n] = u'\0';
}

}  // namespace

class SimHidPlatform::Handle final : public HidHandle {
public:
    Handle(std::shared_ptr<SimHidPlatform> platform, std::shared_ptr<Device> device, HidAccess access)
        : m_platform(std::move(platform)), m_device(std::move(device)), m_access(access)
    {
    }

    ~Handle() override
    {
        std::lock_guard lock(m_platform->m_mutex);
        --m_device->openHandles;
    }

    // A read handle that cannot wait is no handle: `error` says why.
    bool usable(std::uint32_t& error) const
    {
        if (m_access != HidAccess::Read || m_wait.valid())
            return true;
        error = static_cast<std::uint32_t>(m_wait.creationError());
        return false;
    }

    std::uint32_t deviceInstance() const override { return m_device->instance; }

    bool getAttributes(HidAttributes& attributes) override
    {
        std::lock_guard lock(m_platform->m_mutex);
        if (!m_device->present || m_device->setup.attributesFail)
            return false;
        attributes = m_device->setup.attributes;
        return true;
    }

    bool getCaps(HidCaps& caps) override
    {
        std::lock_guard lock(m_platform->m_mutex);
        if (!m_device->present)
            return false;
        caps = m_device->setup.caps;
        return true;
    }

    bool getProductString(std::span<char16_t> buffer) override
    {
        std::lock_guard lock(m_platform->m_mutex);
        ++m_device->productRequests;
        if (!m_device->present || !m_device->setup.product)
            return false;
        copyString(*m_device->setup.product, buffer);
        return true;
    }

    bool getSerialNumberString(std::span<char16_t> buffer) override
    {
        std::lock_guard lock(m_platform->m_mutex);
        ++m_device->serialRequests;
        if (!m_device->present || !m_device->setup.serial)
            return false;
        copyString(*m_device->setup.serial, buffer);
        return true;
    }

    bool getIndexedString(int index, std::span<char16_t> buffer) override
    {
        std::lock_guard lock(m_platform->m_mutex);
        if (!m_device->present || index != 0)
            return false;
        const auto& table = m_device->setup.languageTable;
        std::copy_n(table.begin(), std::min(table.size(), buffer.size()), buffer.begin());
        return !table.empty();
    }

    bool setNumInputBuffers(std::uint32_t count) override
    {
        std::lock_guard lock(m_platform->m_mutex);
        if (count < 2 || count > 512)
            return false;
        m_device->setup.numInputBuffers = count;
        return true;
    }

    bool getNumInputBuffers(std::uint32_t& count) override
    {
        std::lock_guard lock(m_platform->m_mutex);
        count = m_device->setup.numInputBuffers;
        return true;
    }

    bool sendFeatureReport(std::span<const std::uint8_t> report) override
    {
        std::lock_guard lock(m_platform->m_mutex);
        if (!m_device->present || m_access != HidAccess::ReadWrite || !m_device->setup.featureAccepted)
            return false;
        m_device->features.emplace_back(report.begin(), report.end());
        return true;
    }

    HidReadOutcome read(std::span<std::uint8_t> buffer, int timeoutMs) override
    {
        using Status = HidReadOutcome::Status;
        if (m_access != HidAccess::Read)
            return {Status::Failed, 0, EBADF};
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            int error = 0;
            switch (m_wait.wait(m_device->inputFd, static_cast<int>(std::max<long long>(left.count(), 0)), error)) {
            case CancellableWait::Result::Cancelled:
                return {Status::Cancelled, 0, 0};
            case CancellableWait::Result::Timeout:
                return {Status::Timeout, 0, 0};
            case CancellableWait::Result::Failed:
                return {Status::Failed, 0, static_cast<std::uint32_t>(error)};
            case CancellableWait::Result::Readable:
            case CancellableWait::Result::HungUp:
                break;
            }
            std::lock_guard lock(m_platform->m_mutex);
            if (!m_device->present)
                return {Status::Failed, 0, ENODEV};
            if (m_device->input.empty())
                continue;  // another handle of the device took it
            auto [report, failure] = std::move(m_device->input.front());
            m_device->input.pop_front();
            updateInputSignal(*m_device);
            m_platform->m_changed.notify_all();  // waitUntilDrained
            if (failure != 0)
                return {Status::Failed, 0, failure};
            const std::size_t n = std::min(report.size(), buffer.size());
            std::copy_n(report.begin(), n, buffer.begin());
            return {Status::Report, n, 0};
        }
    }

    void cancelRead() override { m_wait.cancel(); }

private:
    std::shared_ptr<SimHidPlatform> m_platform;
    std::shared_ptr<Device> m_device;
    HidAccess m_access;
    CancellableWait m_wait;
};

SimHidPlatform::Device::Device() : inputFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

SimHidPlatform::Device::~Device()
{
    if (inputFd >= 0)
        ::close(inputFd);
}

void SimHidPlatform::updateInputSignal(Device& device)
{
    const bool ready = !device.present || !device.input.empty();
    if (ready == device.inputSignalled || device.inputFd < 0)
        return;
    std::uint64_t count = 1;
    [[maybe_unused]] const auto done = ready ? ::write(device.inputFd, &count, sizeof count)
                                             : ::read(device.inputFd, &count, sizeof count);
    device.inputSignalled = ready;
}

SimHidPlatform::DeviceSpec SimHidPlatform::bridgeSpec()
{
    DeviceSpec setup;
    setup.attributes = {0x1A86, 0xE008, 0x1200};
    setup.product = u"USB to Serial";
    setup.serial = std::nullopt;
    setup.caps = HidCaps{0x0001, 0xFFA0, 11, 0, 10};  // ID, count, 9 meter bytes; ID + line settings
    setup.properties.DeviceDescr = "USB to Serial";
    return setup;
}

std::vector<std::vector<std::uint8_t>> SimHidPlatform::bridgeReports(std::span<const std::uint8_t> meterBytes)
{
    std::vector<std::vector<std::uint8_t>> reports;
    for (std::size_t at = 0; at < meterBytes.size(); at += 9) {
        const std::size_t n = std::min<std::size_t>(9, meterBytes.size() - at);
        std::vector<std::uint8_t> report(11, 0);
        report[1] = static_cast<std::uint8_t>(n);
        std::copy_n(meterBytes.begin() + static_cast<std::ptrdiff_t>(at), n, report.begin() + 2);
        reports.push_back(std::move(report));
    }
    reports.emplace_back(11, 0);
    return reports;
}

SimHidPlatform::SimHidPlatform(bool changeNotices)
    : m_eventFd(changeNotices ? ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC) : -1)
{
}

SimHidPlatform::~SimHidPlatform()
{
    if (m_eventFd >= 0)
        ::close(m_eventFd);
}

void SimHidPlatform::notifyChange()
{
    if (m_eventFd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(m_eventFd, &one, sizeof one);
    }
}

std::string SimHidPlatform::addDevice(DeviceSpec setup, const std::string& node)
{
    std::string path;
    {
        std::lock_guard lock(m_mutex);
        path = node.empty() ? "/sim/hidraw" + std::to_string(m_nextNode++) : node;
        if (m_devices.count(path) != 0)
            return {};  // the node is taken
        auto device = std::make_shared<Device>();
        device->setup = std::move(setup);
        device->instance = m_nextInstance++;
        m_devices[path] = device;
        m_order.push_back(path);
    }
    notifyChange();
    return path;
}

void SimHidPlatform::removeDevice(const std::string& path)
{
    {
        std::lock_guard lock(m_mutex);
        auto it = m_devices.find(path);
        if (it == m_devices.end())
            return;
        it->second->present = false;
        updateInputSignal(*it->second);
        m_devices.erase(it);
        m_order.erase(std::find(m_order.begin(), m_order.end(), path));
    }
    m_changed.notify_all();
    notifyChange();
}

void SimHidPlatform::setAllowReadWrite(const std::string& path, bool allowed)
{
    std::lock_guard lock(m_mutex);
    if (auto it = m_devices.find(path); it != m_devices.end())
        it->second->setup.allowReadWrite = allowed;
}

void SimHidPlatform::setAllowRead(const std::string& path, bool allowed)
{
    std::lock_guard lock(m_mutex);
    if (auto it = m_devices.find(path); it != m_devices.end())
        it->second->setup.allowRead = allowed;
}

void SimHidPlatform::setAllowOpen(const std::string& path, bool allowed)
{
    std::lock_guard lock(m_mutex);
    if (auto it = m_devices.find(path); it != m_devices.end())
        it->second->setup.allowOpen = allowed;
}

void SimHidPlatform::queueReport(const std::string& path, std::vector<std::uint8_t> report)
{
    {
        std::lock_guard lock(m_mutex);
        if (auto it = m_devices.find(path); it != m_devices.end()) {
            it->second->input.emplace_back(std::move(report), 0);
            updateInputSignal(*it->second);
        }
    }
    m_changed.notify_all();
}

void SimHidPlatform::queueReadFailure(const std::string& path, std::uint32_t error)
{
    {
        std::lock_guard lock(m_mutex);
        if (auto it = m_devices.find(path); it != m_devices.end()) {
            it->second->input.emplace_back(std::vector<std::uint8_t>{}, error);
            updateInputSignal(*it->second);
        }
    }
    m_changed.notify_all();
}

bool SimHidPlatform::waitUntilDrained(const std::string& path, int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        auto it = m_devices.find(path);
        return it == m_devices.end() || it->second->input.empty();
    });
}

std::size_t SimHidPlatform::queuedInput(const std::string& path) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_devices.find(path);
    return it == m_devices.end() ? 0 : it->second->input.size();
}

std::vector<std::vector<std::uint8_t>> SimHidPlatform::featureReports(const std::string& path) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_devices.find(path);
    return it == m_devices.end() ? std::vector<std::vector<std::uint8_t>>{} : it->second->features;
}

int SimHidPlatform::productRequests(const std::string& path) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_devices.find(path);
    return it == m_devices.end() ? 0 : it->second->productRequests;
}

int SimHidPlatform::serialRequests(const std::string& path) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_devices.find(path);
    return it == m_devices.end() ? 0 : it->second->serialRequests;
}

int SimHidPlatform::opens(const std::string& path, HidAccess access) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_devices.find(path);
    return it == m_devices.end() ? 0 : it->second->opens[static_cast<int>(access)];
}

int SimHidPlatform::openHandles(const std::string& path) const
{
    std::lock_guard lock(m_mutex);
    auto it = m_devices.find(path);
    return it == m_devices.end() ? 0 : it->second->openHandles;
}

int SimHidPlatform::snapshots() const
{
    std::lock_guard lock(m_mutex);
    return m_snapshots;
}

std::vector<HidInterfaceEntry> SimHidPlatform::snapshot()
{
    std::lock_guard lock(m_mutex);
    ++m_snapshots;
    std::vector<HidInterfaceEntry> entries;
    for (const std::string& path : m_order) {
        const Device& device = *m_devices.at(path);
        entries.push_back({device.instance, path, device.setup.properties});
    }
    return entries;
}

std::unique_ptr<HidHandle> SimHidPlatform::open(const std::string& path, HidAccess access, std::uint32_t& error)
{
    std::shared_ptr<Device> device;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_devices.find(path);
        if (it == m_devices.end()) {
            error = ENOENT;
            return nullptr;
        }
        const DeviceSpec& setup = it->second->setup;
        const bool allowed = setup.allowOpen && (access != HidAccess::ReadWrite || setup.allowReadWrite) &&
                             (access != HidAccess::Read || setup.allowRead);
        if (!allowed) {
            error = setup.refusedError;
            return nullptr;
        }
        device = it->second;
        ++device->opens[static_cast<int>(access)];
        ++device->openHandles;
    }
    error = 0;
    auto handle = std::make_unique<Handle>(shared_from_this(), std::move(device), access);
    if (!handle->usable(error))
        return nullptr;
    return handle;
}

bool SimHidPlatform::drainChangeNotices()
{
    std::uint64_t count = 0;
    return m_eventFd >= 0 && ::read(m_eventFd, &count, sizeof count) == static_cast<ssize_t>(sizeof count) &&
           count > 0;
}

}  // namespace tavolo
