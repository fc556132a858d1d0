#include "hid/hid_device_controller.h"

#include <algorithm>

namespace tavolo {

namespace {

// The HID interface class; kept as its published value since hidraw has no class GUID.
constexpr const char* kHidInterfaceClassGuid = "{4D1E55B2-F16F-11CF-88CB-001111000030}";

// Sets a device's InEnumeration for the length of one handler call, also when the
// handler throws.
class EnumerationScope {
public:
    explicit EnumerationScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~EnumerationScope() { m_flag = false; }
    EnumerationScope(const EnumerationScope&) = delete;
    EnumerationScope& operator=(const EnumerationScope&) = delete;

private:
    bool& m_flag;
};

}  // namespace

int TJvHidDeviceController::s_instanceCount = 0;

TJvHidDeviceController::TJvHidDeviceController(std::shared_ptr<HidPlatform> platform,
                                               HidGuiDispatcher* dispatcher)
    : m_platform(std::move(platform)),
      m_dispatcher(dispatcher),
      m_hub(std::make_shared<HidHandOverHub>(dispatcher)),
      m_self(std::make_shared<TJvHidDeviceController*>(this)),
      m_interfaceClassGuid(kHidInterfaceClassGuid)
{
    if (++s_instanceCount > 1) {
        --s_instanceCount;
        throw EControllerError(kOnlyOneControllerText);
    }
    m_counted = true;
    m_deviceList = ScanInterfaces();
    m_freeCount = static_cast<int>(m_deviceList.size());
}

TJvHidDeviceController::~TJvHidDeviceController()
{
    if (m_counted)
        --s_instanceCount;
    m_onDeviceChange = nullptr;
    m_onDeviceUnplug = nullptr;
    m_onEnumerate = nullptr;
    for (TJvHidDevice* device : m_deviceList) {
        device->m_ownerController = nullptr;
        if (device->m_claimed)
            device->MarkUnplugged();  // the application still owns it
        else
            destroyDevice(device);
    }
    m_deviceList.clear();
}

void TJvHidDeviceController::destroyDevice(TJvHidDevice* device)
{
    delete device;
}

std::vector<TJvHidDevice*> TJvHidDeviceController::ScanInterfaces()
{
    std::vector<TJvHidDevice*> found;
    m_lastScanFailures.clear();
    if (!m_platform)
        return found;
    for (HidInterfaceEntry& entry : m_platform->snapshot()) {
        auto pnp = std::make_unique<TJvHidPnPInfo>();
        pnp->DeviceInstance = entry.deviceInstance;
        pnp->InterfacePath = entry.path;
        pnp->Properties = std::move(entry.properties);
        try {
            found.push_back(new TJvHidDevice(std::move(pnp), *this));
        } catch (const EControllerError& error) {
            m_lastScanFailures.push_back({entry.path, error.systemError(), error.what()});
        }
    }
    return found;
}

void TJvHidDeviceController::recount()
{
    int claimed = 0;
    int unplugged = 0;
    for (const TJvHidDevice* device : m_deviceList) {
        claimed += device->m_claimed ? 1 : 0;
        unplugged += device->m_plugged ? 0 : 1;
    }
    m_freeCount = static_cast<int>(m_deviceList.size()) - claimed;
    m_unpluggedCount = unplugged;
    m_claimedCount = claimed - unplugged;
}

void TJvHidDeviceController::DeviceChange()
{
    std::vector<TJvHidDevice*> fresh = ScanInterfaces();
    bool changed = false;

    auto listedAndPlugged = [this](std::uint32_t instance) {
        return std::any_of(m_deviceList.begin(), m_deviceList.end(), [&](const TJvHidDevice* d) {
            return d->m_plugged && d->m_pnpRecord->DeviceInstance == instance;
        });
    };

    // Removals, from the last to the first.
    for (std::size_t i = m_deviceList.size(); i-- > 0;) {
        if (i >= m_deviceList.size())
            continue;  // a handler shortened the list
        TJvHidDevice* device = m_deviceList[i];
        const bool present = std::any_of(fresh.begin(), fresh.end(), [&](const TJvHidDevice* n) {
            return n->m_pnpRecord->DeviceInstance == device->m_pnpRecord->DeviceInstance;
        });
        if (present && device->m_plugged)
            continue;
        device->MarkUnplugged();
        {
            EnumerationScope scope(device->m_inEnumeration);
            if (m_onRemoval)
                m_onRemoval(*device);
        }
        changed = true;
        if (!device->m_claimed) {
            auto it = std::find(m_deviceList.begin(), m_deviceList.end(), device);
            if (it != m_deviceList.end()) {
                m_deviceList.erase(it);
                destroyDevice(device);
            }
        }
    }

    // Interfaces already listed: the fresh objects are not needed.
    std::vector<TJvHidDevice*> arrivals;
    for (TJvHidDevice* candidate : fresh) {
        if (listedAndPlugged(candidate->m_pnpRecord->DeviceInstance)) {
            candidate->m_ownerController = nullptr;
            destroyDevice(candidate);
        } else {
            arrivals.push_back(candidate);
        }
    }

    // Arrivals, in order.
    for (TJvHidDevice* device : arrivals) {
        m_deviceList.push_back(device);
        changed = true;
        EnumerationScope scope(device->m_inEnumeration);
        if (m_onArrival)
            m_onArrival(*device);
    }

    recount();
    if ((changed || !m_changeReported) && m_onDeviceChange)
        m_onDeviceChange(*this);
}

int TJvHidDeviceController::EnumerateDevices()
{
    int count = 0;
    for (std::size_t i = 0; i < m_deviceList.size(); ++i) {
        TJvHidDevice* device = m_deviceList[i];
        if (!device->m_plugged)
            continue;
        ++count;
        if (!m_onEnumerate)
            break;
        bool goOn = false;
        {
            EnumerationScope scope(device->m_inEnumeration);
            goOn = m_onEnumerate(*device, static_cast<int>(i));
        }
        if (!device->m_claimed)
            device->CloseQueryHandle();
        if (!goOn)
            break;
    }
    return count;
}

bool TJvHidDeviceController::ClaimByIndex(int Index, TJvHidDevice*& HidDev)
{
    HidDev = nullptr;
    if (Index < 0 || Index >= static_cast<int>(m_deviceList.size()))
        return false;
    TJvHidDevice* device = m_deviceList[static_cast<std::size_t>(Index)];
    if (device->m_claimed)
        return false;
    device->m_claimed = true;
    ++m_claimedCount;
    --m_freeCount;
    device->StartReader();
    HidDev = device;
    return true;
}

void TJvHidDeviceController::SetOnDeviceChange(TJvHidNotifyEvent handler)
{
    if (handler == m_onDeviceChange)
        return;
    m_onDeviceChange = std::move(handler);
    // Letting go of the controller (the program ending) needs no rescan: it would
    // open every HID node only to tell nobody.
    if (!m_onDeviceChange)
        return;
    DeviceChange();
    m_changeReported = true;
}

void TJvHidDeviceController::SetOnDeviceData(TJvHidDataEvent handler)
{
    if (handler == m_onDeviceData)
        return;
    for (TJvHidDevice* device : m_deviceList)
        if (device->m_onReport == m_onDeviceData)
            device->SetReportHandler(handler);
    m_onDeviceData = std::move(handler);
}

void TJvHidDeviceController::SetOnDeviceDataError(TJvHidDataErrorEvent handler)
{
    if (handler == m_onDeviceDataError)
        return;
    for (TJvHidDevice* device : m_deviceList)
        if (device->m_onReportError == m_onDeviceDataError)
            device->m_onReportError = handler;
    m_onDeviceDataError = std::move(handler);
}

void TJvHidDeviceController::SetOnDeviceUnplug(TJvHidPlugEvent handler)
{
    if (handler == m_onDeviceUnplug)
        return;
    for (TJvHidDevice* device : m_deviceList)
        if (device->m_onUnplugged == m_onDeviceUnplug)
            device->m_onUnplugged = handler;
    m_onDeviceUnplug = std::move(handler);
}

void TJvHidDeviceController::SetDevThreadSleepTime(int milliseconds)
{
    if (milliseconds == m_devThreadSleepTime)
        return;
    for (TJvHidDevice* device : m_deviceList)
        if (device->m_pollInterval == m_devThreadSleepTime)
            device->SetPollInterval(milliseconds);
    m_devThreadSleepTime = milliseconds;
}

int TJvHidDeviceController::changeNoticeFd() const
{
    return m_platform ? m_platform->changeNoticeFd() : -1;
}

bool TJvHidDeviceController::DeviceChangeHook()
{
    if (m_platform && m_platform->drainChangeNotices())
        DeviceChange();
    return false;
}

void TJvHidDeviceController::DeviceGoneNotice()
{
    if (!m_dispatcher || m_resyncPosted)
        return;
    m_resyncPosted = true;
    std::weak_ptr<TJvHidDeviceController*> self = m_self;
    m_dispatcher->post([self] {
        if (const auto controller = self.lock()) {
            (*controller)->m_resyncPosted = false;
            (*controller)->DeviceChange();
        }
    });
}

void TJvHidDeviceController::serviceHandOvers()
{
    m_hub->serviceAll();
}

}  // namespace tavolo
