#include "hid/hid_read_thread.h"

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "hid/hid_device.h"
#include "hid/hid_device_controller.h"
#include "hid/hid_hand_over.h"

namespace tavolo {

TJvHidDeviceReadThread::TJvHidDeviceReadThread(TJvHidDevice& owner, std::shared_ptr<HidPlatform> platform,
                                               std::string path, std::uint32_t deviceInstance,
                                               std::uint16_t inputReportByteLength, int pollIntervalMs,
                                               std::shared_ptr<HidHandOverHub> hub)
    : m_owner(owner),
      m_platform(std::move(platform)),
      m_path(std::move(path)),
      m_deviceInstance(deviceInstance),
      m_hub(std::move(hub)),
      m_reportBuffer(inputReportByteLength),
      m_pollInterval(pollIntervalMs)
{
}

TJvHidDeviceReadThread::~TJvHidDeviceReadThread()
{
    requestStop();
    if (m_thread.joinable())
        m_thread.join();
}

void TJvHidDeviceReadThread::start()
{
    m_thread = std::thread([this] { run(); });
}

void TJvHidDeviceReadThread::requestStop()
{
    {
        std::lock_guard lock(m_stopMutex);
        m_stop.store(true);
    }
    m_stopSignal.notify_all();
    std::lock_guard lock(m_handleMutex);
    if (m_readHandle)
        m_readHandle->cancelRead();
}

void TJvHidDeviceReadThread::pause(int milliseconds)
{
    std::unique_lock lock(m_stopMutex);
    m_stopSignal.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return m_stop.load(); });
}

bool TJvHidDeviceReadThread::StartRead()
{
    if (m_readHandle)
        return true;
    std::uint32_t error = 0;
    auto handle = m_platform->open(m_path, HidAccess::Read, error);
    if (!handle) {
        m_lastError = error;
        return false;
    }
    // The system reuses node names: after an unplug the path may lead to another
    // device, whose reports must never pass for the claimed one's.
    if (isOtherInterface(m_deviceInstance, handle->deviceInstance())) {
        m_lastError = ENODEV;
        return false;
    }
    if (m_readBufferCount != 0)
        handle->setNumInputBuffers(m_readBufferCount);
    std::uint32_t count = 0;
    m_readBufferCount = handle->getNumInputBuffers(count) ? count : 0;
    std::lock_guard lock(m_handleMutex);
    m_readHandle = std::move(handle);
    return true;
}

void TJvHidDeviceReadThread::closeReadHandle()
{
    std::unique_ptr<HidHandle> handle;
    {
        std::lock_guard lock(m_handleMutex);
        handle = std::move(m_readHandle);
    }
    m_readBufferCount = 0;
}

void TJvHidDeviceReadThread::run()
{
    while (!m_stop.load()) {
        if (!StartRead()) {
            m_handOver = HandOver::Error;
            m_hub->handOver(*this);
            // A device that is gone fails at once, every time: wait a poll interval
            // so the GUI thread and the history log are not flooded until the
            // device change is noticed.
            pause(m_pollInterval.load());
            continue;
        }
        // A stop asked for while the handle was being opened found no handle to
        // cancel: without this look the read would sit out its whole timeout.
        if (m_stop.load())
            break;
        std::fill(m_reportBuffer.begin(), m_reportBuffer.end(), std::uint8_t{0});
        const HidReadOutcome outcome = m_readHandle->read(m_reportBuffer, m_pollInterval.load());
        switch (outcome.status) {
        case HidReadOutcome::Status::Timeout:
        case HidReadOutcome::Status::Cancelled:
            break;
        case HidReadOutcome::Status::Report:
            m_bytesRead = static_cast<std::uint32_t>(outcome.bytes);
            if (m_bytesRead > 0) {
                m_handOver = HandOver::Report;
                m_hub->handOver(*this);
            }
            break;
        case HidReadOutcome::Status::Failed:
            m_lastError = outcome.error;
            closeReadHandle();  // the next round opens it again, or says why it cannot
            m_handOver = HandOver::Error;
            m_hub->handOver(*this);
            pause(m_pollInterval.load());
            break;
        }
    }
    closeReadHandle();
    m_hub->readerEnded(*this);
}

void TJvHidDeviceReadThread::serveOnGuiThread()
{
    // The handlers are called through copies: a handler may replace or clear
    // itself (stopping its own reader), or release its device, and must not be
    // destroyed while it runs.
    TJvHidDevice& device = m_owner;
    if (m_handOver == HandOver::Report) {
        const auto bytes = std::min<std::size_t>(m_bytesRead, m_reportBuffer.size());
        if (bytes == 0)
            return;
        const auto size = static_cast<std::uint16_t>(std::min<std::size_t>(bytes - 1, 0xFFFF));
        if (const TJvHidDataEvent handler = device.OnReport())
            handler(device, m_reportBuffer[0], m_reportBuffer.data() + 1, size);
    } else if (m_handOver == HandOver::Error) {
        // A device that is gone is a device change, also where the system sends
        // no notice of it; the controller re-synchronises after this hand-over.
        if (isDeviceGoneError(m_lastError) && device.OwnerController())
            device.OwnerController()->DeviceGoneNotice();
        if (const TJvHidDataErrorEvent handler = device.OnReportError())
            handler(device, m_lastError);
    }
}

}  // namespace tavolo
