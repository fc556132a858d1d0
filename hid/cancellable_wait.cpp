#include "hid/cancellable_wait.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>

namespace tavolo {

CancellableWait::CancellableWait() : m_wakeFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
    if (m_wakeFd < 0)
        m_creationError = errno;
}

CancellableWait::~CancellableWait()
{
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

CancellableWait::Result CancellableWait::wait(int fd, int timeoutMs, int& error)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {fd, POLLIN, 0}};
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        const int ready = ::poll(fds, 2, static_cast<int>(std::max<decltype(left)>(left, 0)));
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return Result::Failed;
        }
        if (fds[0].revents & POLLIN) {
            std::uint64_t count = 0;
            [[maybe_unused]] const auto consumed = ::read(m_wakeFd, &count, sizeof count);
            return Result::Cancelled;
        }
        if (fds[1].revents & POLLIN)
            return Result::Readable;
        if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL))
            return Result::HungUp;
        if (ready == 0)
            return Result::Timeout;
    }
}

void CancellableWait::cancel()
{
    if (m_wakeFd < 0)
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(m_wakeFd, &one, sizeof one);
}

}  // namespace tavolo
