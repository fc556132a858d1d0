#include "hid/hidapi/udev_monitor.h"

#include <libudev.h>

#include <cstring>

namespace tavolo {

UdevHidrawMonitor::UdevHidrawMonitor()
{
    m_udev = udev_new();
    if (!m_udev)
        return;
    m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
    if (!m_monitor)
        return;
    if (udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(m_monitor) < 0) {
        udev_monitor_unref(m_monitor);
        m_monitor = nullptr;
        return;
    }
    m_fd = udev_monitor_get_fd(m_monitor);  // non-blocking
}

UdevHidrawMonitor::~UdevHidrawMonitor()
{
    if (m_monitor)
        udev_monitor_unref(m_monitor);
    if (m_udev)
        udev_unref(m_udev);
}

bool UdevHidrawMonitor::drain()
{
    if (!m_monitor)
        return false;
    bool changed = false;
    while (struct udev_device* device = udev_monitor_receive_device(m_monitor)) {
        const char* action = udev_device_get_action(device);
        if (action && (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0))
            changed = true;
        udev_device_unref(device);
    }
    return changed;
}

}  // namespace tavolo
