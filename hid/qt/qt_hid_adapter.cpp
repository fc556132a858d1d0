#include "hid/qt/qt_hid_adapter.h"

#include <QMetaObject>
#include <QSocketNotifier>

namespace tavolo {

QtHidDispatcher::QtHidDispatcher(QObject* parent) : QObject(parent) {}

void QtHidDispatcher::post(std::function<void()> task)
{
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
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
