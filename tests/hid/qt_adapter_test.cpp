// The Qt adapter: hand-overs as queued calls, device changes from the notice descriptor.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <string>
#include <vector>

#include "hid/qt/qt_hid_adapter.h"
#include "hid/sim/sim_hid_platform.h"

namespace tavolo::test {
namespace {

// Runs the event loop until `done` holds; false after 5 s. The thread sleeps
// until an event comes (the tick bounds each wait) rather than spinning, so it
// leaves the cores to the reader thread it waits for.
template <class Predicate>
bool processUntil(Predicate done)
{
    QElapsedTimer timer;
    timer.start();
    QTimer tick;
    tick.start(10);
    while (!done()) {
        if (timer.elapsed() > 5000)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

TEST(QtHidAdapterTest, ReportsAndDeviceChangesArriveThroughTheEventLoop)
{
    auto sim = std::make_shared<SimHidPlatform>();
    const std::string path = sim->addDevice(SimHidPlatform::bridgeSpec());
    QtHidDispatcher dispatcher;
    TJvHidDeviceController controller(sim, &dispatcher);
    QtHidChangeWatcher watcher(controller);
    int changes = 0;
    controller.SetOnDeviceChange([&](TJvHidDeviceController&) { ++changes; });
    ASSERT_EQ(changes, 1);

    TJvHidDevice* device = nullptr;
    ASSERT_TRUE(controller.ClaimByIndex(0, device));
    std::vector<std::uint8_t> seen;
    device->SetReportHandler([&](TJvHidDevice&, std::uint8_t, const std::uint8_t* data, std::uint16_t size) {
        seen.insert(seen.end(), data, data + size);
    });
    for (std::uint8_t i = 1; i <= 20; ++i)
        sim->queueReport(path, {0, i});
    ASSERT_TRUE(processUntil([&] { return seen.size() == 20; }));
    for (std::uint8_t i = 1; i <= 20; ++i)
        EXPECT_EQ(seen[i - 1u], i);

    sim->addDevice(SimHidPlatform::bridgeSpec());
    ASSERT_TRUE(processUntil([&] { return changes == 2; }));
    EXPECT_EQ(controller.DeviceList().size(), 2u);
    TJvHidDevice::ReleaseDevice(device);
}

}  // namespace
}  // namespace tavolo::test

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
