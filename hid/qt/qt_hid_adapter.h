#pragma once

// The HID layer's bridge to the Qt event loop, for the window.
//
// QtHidDispatcher carries reader hand-overs to the GUI thread: the tasks wait in
// a queue of its own and an eventfd wakes the GUI thread's event loop, so nothing
// but a counter crosses threads outside that queue's mutex.
// QtHidChangeWatcher watches the controller's device-change descriptor and runs
// its DeviceChangeHook when it fires.
//
// Lifetime: create the dispatcher before the controller and destroy it after the
// controller and every device the program has claimed (readers post to it).

#include <QObject>

#include <deque>
#include <functional>
#include <mutex>

#include "hid/hid_device_controller.h"
#include "hid/hid_hand_over.h"

class QSocketNotifier;

namespace tavolo {

class QtHidDispatcher final : public QObject, public HidGuiDispatcher {
    Q_OBJECT
public:
    // Create on the GUI thread; the tasks run there.
    explicit QtHidDispatcher(QObject* parent = nullptr);
    ~QtHidDispatcher() override;

    // Any thread: queues `task` for the GUI thread.
    void post(std::function<void()> task) override;

private:
    void runPosted();

    int m_wakeFd = -1;
    QSocketNotifier* m_wake = nullptr;
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_tasks;
};

class QtHidChangeWatcher final : public QObject {
    Q_OBJECT
public:
    // `controller` must outlive the watcher. Does nothing when the controller's
    // backend offers no change notice.
    explicit QtHidChangeWatcher(TJvHidDeviceController& controller, QObject* parent = nullptr);

private:
    void onActivated();

    TJvHidDeviceController& m_controller;
    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace tavolo
