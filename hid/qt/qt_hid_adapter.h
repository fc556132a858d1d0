#pragma once

// The HID layer's bridge to the Qt event loop, for the window.
//
// QtHidDispatcher carries reader hand-overs to the GUI thread as queued calls.
// QtHidChangeWatcher watches the controller's device-change descriptor and runs
// its DeviceChangeHook when it fires.
//
// Lifetime: create the dispatcher before the controller and destroy it after the
// controller and every device the program has claimed (readers post to it).

#include <QObject>

#include <functional>

#include "hid/hid_device_controller.h"
#include "hid/hid_hand_over.h"

class QSocketNotifier;

namespace tavolo {

class QtHidDispatcher final : public QObject, public HidGuiDispatcher {
    Q_OBJECT
public:
    explicit QtHidDispatcher(QObject* parent = nullptr);
    // Any thread: queues `task` for this object's thread.
    void post(std::function<void()> task) override;
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
