#include "hid/qt/qt_hid_adapter.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>

#include <cstdint>

namespace tavolo {

QtHidDispatcher::QtHidDispatcher(QObject* parent)
    : QObject(parent), m_wakeFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
    if (m_wakeFd < 0)
        return;  // hand-overs are then served only when a reader is stopped
    m_wake = new QSocketNotifier(m_wakeFd, QSocketNotifier::Read, this);
    connect(m_wake, &QSocketNotifier::activated, this, &QtHidDispatcher::runPosted);
}

QtHidDispatcher::~QtHidDispatcher()
{
    delete m_wake;
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void QtHidDispatcher::post(std::function<void()> task)
{
    {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    if (m_wakeFd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(m_wakeFd, &one, sizeof one);
    }
}

void QtHidDispatcher::runPosted()
{
    std::uint64_t count = 0;
    [[maybe_unused]] const auto consumed = ::read(m_wakeFd, &count, sizeof count);
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard lock(m_mutex);
            if (m_tasks.empty())
                return;
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        task();
    }
}

QtHidChangeWatcher::QtHidChangeWatcher(TJvHidDeviceController& controller, QObject* parent)
    : QObject(parent), m_controller(controller)
{
    const int fd = controller.changeNoticeFd();
    if (fd < 0)
        return;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QtHidChangeWatcher::onActivated);
}

void QtHidChangeWatcher::onActivated()
{
    m_controller.DeviceChangeHook();
}

}  // namespace tavolo
