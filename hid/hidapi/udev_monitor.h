#pragma once

struct udev;
struct udev_monitor;

namespace tavolo {

// Tells of hidraw nodes coming and going, through a descriptor the GUI event loop
// can watch. Inactive (fd -1) where udev's netlink socket is not available.
class UdevHidrawMonitor {
public:
    UdevHidrawMonitor();
    ~UdevHidrawMonitor();
    UdevHidrawMonitor(const UdevHidrawMonitor&) = delete;
    UdevHidrawMonitor& operator=(const UdevHidrawMonitor&) = delete;

    int fd() const { return m_fd; }
    // Reads every pending event; true when a hidraw node was added or removed.
    bool drain();

private:
    struct udev* m_udev = nullptr;
    struct udev_monitor* m_monitor = nullptr;
    int m_fd = -1;
};

}  // namespace tavolo
