#include "hid/hid_device.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <system_error>

#include "hid/hid_controller_error.h"
#include "hid/hid_device_controller.h"
#include "hid/hid_hand_over.h"
#include "hid/hid_read_thread.h"

namespace tavolo {

namespace {

std::u16string upToNul(const std::array<char16_t, kHidStringWords>& buffer)
{
    const auto end = std::find(buffer.begin(), buffer.end(), u'\0');
    return std::u16string(buffer.begin(), end);
}

}  // namespace

TJvHidDevice::TJvHidDevice(std::unique_ptr<TJvHidPnPInfo> pnpRecord, TJvHidDeviceController& controller)
    : m_ownerController(&controller),
      m_platform(controller.m_platform),
      m_hub(controller.m_hub),
      m_pnpRecord(std::move(pnpRecord))
{
    SetReportHandler(controller.OnDeviceData());  // no reader yet: the device is not claimed
    m_onReportError = controller.OnDeviceDataError();
    m_onUnplugged = controller.OnDeviceUnplug();

    std::uint32_t error = 0;
    m_queryHandle = openWithFallback(error);
    if (!m_queryHandle)
        throw EControllerError(kDeviceCannotBeOpenedText, error);
    if (!m_queryHandle->getAttributes(m_deviceAttributes))
        throw EControllerError(kDeviceCannotBeIdentifiedText);
    CloseQueryHandle();  // a pooled device holds no open handle
}

TJvHidDevice::~TJvHidDevice()
{
    StopReader();
    CloseQueryHandle();
}

std::unique_ptr<HidHandle> TJvHidDevice::openWithFallback(std::uint32_t& error)
{
    error = 0;
    auto handle = openClaimedInterface(HidAccess::ReadWrite, error);
    if (!handle && isDeviceGoneError(error))
        return nullptr;  // not there (any more): what is known of its access stays
    m_readWriteOpen = handle != nullptr;
    m_readWriteOpenError = m_readWriteOpen ? 0 : error;
    if (!handle)
        handle = openClaimedInterface(HidAccess::QueryOnly, error);
    return handle;
}

std::unique_ptr<HidHandle> TJvHidDevice::openClaimedInterface(HidAccess access, std::uint32_t& error)
{
    auto handle = m_platform->open(m_pnpRecord->InterfacePath, access, error);
    // The path may name another device by now (the system reuses node names):
    // feature reports and string requests go to this interface or nowhere.
    if (handle && isOtherInterface(m_pnpRecord->DeviceInstance, handle->deviceInstance())) {
        error = ENODEV;
        return nullptr;
    }
    return handle;
}

void TJvHidDevice::ReleaseDevice(TJvHidDevice* device)
{
    if (!device)
        return;
    TJvHidDataEvent onReport = device->m_onReport;
    TJvHidPlugEvent onUnplugged = device->m_onUnplugged;

    device->SetReportHandler(nullptr);  // stops the reader
    device->m_onUnplugged = nullptr;
    device->CloseQueryHandle();
    device->m_preparsed.reset();

    TJvHidDeviceController* controller = device->m_ownerController;
    if (controller) {
        auto& list = controller->m_deviceList;
        auto it = std::find(list.begin(), list.end(), device);
        if (it != list.end()) {
            TJvHidDevice* replacement = nullptr;
            if (device->m_plugged) {
                try {
                    replacement = new TJvHidDevice(std::move(device->m_pnpRecord), *controller);
                } catch (const EControllerError&) {
                    // The interface is there but cannot be opened any more: drop the
                    // entry rather than keep the released object. The next device
                    // change finds the interface again as an arrival if it recovers.
                    replacement = nullptr;
                }
            }
            if (replacement) {
                replacement->SetReportHandler(onReport);
                replacement->m_onUnplugged = onUnplugged;
                replacement->SetPollInterval(device->m_pollInterval);
                *it = replacement;
            } else {
                list.erase(it);
            }
            controller->recount();
        }
    }
    delete device;
}

std::u16string TJvHidDevice::GetProductText()
{
    if (m_productText.empty() && OpenQueryHandle()) {
        std::array<char16_t, kHidStringWords> buffer{};
        if (m_queryHandle->getProductString(buffer))
            m_productText = upToNul(buffer);
        CloseQueryHandle();
    }
    return m_productText;
}

std::u16string TJvHidDevice::GetSerialText()
{
    if (m_serialText.empty() && OpenQueryHandle()) {
        std::array<char16_t, kHidStringWords> serial{};
        if (m_queryHandle->getSerialNumberString(serial)) {
            // Some devices answer the serial-number request with their language-ID
            // table; such a device has no serial number. Compare over the words the
            // table request actually wrote.
            std::array<char16_t, kHidStringWords> languages;
            languages.fill(u'\xFFFF');
            m_queryHandle->getIndexedString(0, languages);
            std::size_t written = 0;
            for (std::size_t i = languages.size(); i-- > 0;) {
                if (languages[i] != u'\xFFFF') {
                    written = languages[i] == u'\0' ? i : i + 1;
                    break;
                }
            }
            bool differs = false;
            for (std::size_t i = 0; i < written; ++i)
                differs = differs || languages[i] != serial[i];
            if (differs)
                m_serialText = upToNul(serial);
        }
        CloseQueryHandle();
    }
    return m_serialText;
}

bool TJvHidDevice::GetPreparsed()
{
    if (!m_preparsed && OpenQueryHandle()) {
        HidCaps caps;
        if (m_queryHandle->getCaps(caps))
            m_preparsed = caps;
        CloseQueryHandle();
    }
    return m_preparsed.has_value();
}

HidCaps TJvHidDevice::GetCapabilities()
{
    return GetPreparsed() ? *m_preparsed : HidCaps{};
}

bool TJvHidDevice::SendFeatureReport(const std::uint8_t* report, std::size_t length)
{
    if (!OpenQueryHandle())
        return false;
    return m_queryHandle->sendFeatureReport(std::span<const std::uint8_t>(report, length));
}

void TJvHidDevice::SetReportHandler(TJvHidDataEvent handler)
{
    if (!handler)
        StopReader();
    m_onReport = std::move(handler);
    StartReader();
}

void TJvHidDevice::StartReader()
{
    if (!m_onReport || !m_plugged || !m_claimed || !m_readWriteOpen || m_readerThread)
        return;
    const std::uint16_t length = GetCapabilities().InputReportByteLength;
    m_readerThread = std::make_unique<TJvHidDeviceReadThread>(*this, m_platform, m_pnpRecord->InterfacePath,
                                                              m_pnpRecord->DeviceInstance, length, m_pollInterval,
                                                              m_hub);
    try {
        m_readerThread->start();
    } catch (const std::system_error& error) {
        // No thread to be had: say so like any read that cannot start.
        m_readerThread.reset();
        if (m_onReportError)
            m_onReportError(*this, static_cast<std::uint32_t>(error.code().value()));
    }
}

void TJvHidDevice::StopReader()
{
    // A handler served while the reader stops may start a new reader on this
    // device; that one is stopped through the hub too, never just dropped.
    while (m_readerThread)
        m_hub->stopReader(std::move(m_readerThread));
}

void TJvHidDevice::SetPollInterval(int milliseconds)
{
    if (milliseconds < 10 || milliseconds > 10000)
        return;
    m_pollInterval = milliseconds;
    if (m_readerThread)
        m_readerThread->setPollInterval(milliseconds);
}

void TJvHidDevice::MarkUnplugged()
{
    StopReader();
    CloseQueryHandle();
    m_plugged = false;
    if (m_onUnplugged) {
        const TJvHidPlugEvent handler = m_onUnplugged;
        handler(*this);
    }
    m_onUnplugged = nullptr;
}

bool TJvHidDevice::OpenQueryHandle()
{
    if (accessible() && !m_queryHandle) {
        std::uint32_t error = 0;
        m_queryHandle = openWithFallback(error);
        if (m_queryHandle) {
            if (m_inputBufferCount != 0)
                m_queryHandle->setNumInputBuffers(m_inputBufferCount);
            std::uint32_t count = 0;
            if (m_queryHandle->getNumInputBuffers(count))
                m_inputBufferCount = count;
        }
    }
    return m_queryHandle != nullptr;
}

void TJvHidDevice::CloseQueryHandle()
{
    m_queryHandle.reset();
    m_inputBufferCount = 0;
}

}  // namespace tavolo
