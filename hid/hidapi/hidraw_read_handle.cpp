#include "hid/hidapi/hidraw_read_handle.h"

#include <unistd.h>

#include <cerrno>

namespace tavolo {

std::unique_ptr<HidrawReadHandle> HidrawReadHandle::adopt(int fd, bool numberedReports, const HidCaps& caps,
                                                          std::uint32_t deviceInstance, std::uint32_t& error)
{
    std::unique_ptr<HidrawReadHandle> handle(new HidrawReadHandle(fd, numberedReports, caps, deviceInstance));
    if (!handle->m_wait.valid()) {
        error = static_cast<std::uint32_t>(handle->m_wait.creationError());
        return nullptr;
    }
    error = 0;
    return handle;
}

HidrawReadHandle::HidrawReadHandle(int fd, bool numberedReports, const HidCaps& caps,
                                   std::uint32_t deviceInstance)
    : m_fd(fd), m_numberedReports(numberedReports), m_caps(caps), m_deviceInstance(deviceInstance)
{
}

HidrawReadHandle::~HidrawReadHandle()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool HidrawReadHandle::getCaps(HidCaps& caps)
{
    caps = m_caps;
    return true;
}

bool HidrawReadHandle::getNumInputBuffers(std::uint32_t& count)
{
    count = kHidrawRingReports;
    return true;
}

HidReadOutcome HidrawReadHandle::read(std::span<std::uint8_t> buffer, int timeoutMs)
{
    using Status = HidReadOutcome::Status;
    if (buffer.size() < 2)
        return {Status::Failed, 0, EINVAL};
    int error = 0;
    switch (m_wait.wait(m_fd, timeoutMs, error)) {
    case CancellableWait::Result::Cancelled:
        return {Status::Cancelled, 0, 0};
    case CancellableWait::Result::Timeout:
        return {Status::Timeout, 0, 0};
    case CancellableWait::Result::HungUp:
        return {Status::Failed, 0, ENODEV};
    case CancellableWait::Result::Failed:
        return {Status::Failed, 0, static_cast<std::uint32_t>(error)};
    case CancellableWait::Result::Readable:
        break;
    }
    // Unnumbered reports come without an ID byte; the program's buffers always
    // start with one. A report longer than the room left is cut.
    std::uint8_t* data = m_numberedReports ? buffer.data() : buffer.data() + 1;
    const std::size_t room = m_numberedReports ? buffer.size() : buffer.size() - 1;
    const ssize_t n = ::read(m_fd, data, room);
    if (n > 0) {
        if (!m_numberedReports)
            buffer[0] = 0;
        return {Status::Report, static_cast<std::size_t>(n) + (m_numberedReports ? 0 : 1), 0};
    }
    if (n == 0)
        return {Status::Failed, 0, ENODEV};  // end of file: the device's side has gone
    if (errno == EAGAIN || errno == EINTR)
        return {Status::Timeout, 0, 0};  // woken without a report; the reader simply reads again
    return {Status::Failed, 0, static_cast<std::uint32_t>(errno)};
}

}  // namespace tavolo
