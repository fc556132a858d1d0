// The backend this program is built with, on the machine running the tests:
// whatever HID devices it has (often none) are listed without harm.

#include <gtest/gtest.h>

#include "hid/hid_device_controller.h"

namespace tavolo::test {
namespace {

TEST(SystemBackendTest, ListsThisMachinesDevices)
{
    const auto platform = createSystemHidPlatform();
    if (!platform)
        GTEST_SKIP() << "built without a HID library";
    const auto entries = platform->snapshot();
    for (const auto& entry : entries) {
        EXPECT_FALSE(entry.path.empty());
        EXPECT_NE(entry.deviceInstance, 0u);
    }
    ManualHidDispatcher gui;
    TJvHidDeviceController controller(platform, &gui);
    EXPECT_LE(controller.DeviceList().size() + controller.LastScanFailures().size(), entries.size());
    EXPECT_FALSE(controller.DeviceChangeHook());
    RecordProperty("devices", static_cast<int>(entries.size()));
}

}  // namespace
}  // namespace tavolo::test
