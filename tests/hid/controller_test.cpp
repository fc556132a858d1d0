// The controller's pool: scanning, claiming, releasing, re-synchronising.

#include <cerrno>
#include <string>
#include <vector>

#include "tests/support/hid_test_support.h"

namespace tavolo::test {
namespace {

using ControllerTest = SimHidTest;

std::string pathOf(const TJvHidDevice* device)
{
    return device->PnPRecord().InterfacePath;
}

TEST_F(ControllerTest, WithoutHidLibraryTheControllerIsInert)
{
    TJvHidDeviceController controller(nullptr, &gui);
    int changes = 0;
    controller.SetOnDeviceChange([&](TJvHidDeviceController&) { ++changes; });

    EXPECT_TRUE(controller.DeviceList().empty());
    EXPECT_EQ(controller.EnumerateDevices(), 0);
    EXPECT_EQ(controller.changeNoticeFd(), -1);
    EXPECT_FALSE(controller.DeviceChangeHook());
    EXPECT_EQ(changes, 1) << "only the first assignment reports, nothing is acted on afterwards";
    EXPECT_EQ(controller.InterfaceClassGuid(), "{4D1E55B2-F16F-11CF-88CB-001111000030}");
    EXPECT_EQ(controller.Version(), "1.0.22");
}

TEST_F(ControllerTest, OnlyOneControllerAtATime)
{
    auto first = std::make_unique<TJvHidDeviceController>(sim, &gui);
    try {
        TJvHidDeviceController second(sim, &gui);
        FAIL() << "a second controller was built";
    } catch (const EControllerError& error) {
        EXPECT_STREQ(error.what(), "Only one TJvHidDeviceController allowed per program");
    }
    first.reset();
    EXPECT_NO_THROW(TJvHidDeviceController again(sim, &gui));
}

TEST_F(ControllerTest, ScanKeepsQueryOnlyDevicesAndLeavesOutUnopenableOnes)
{
    auto queryOnly = plainDevice(0x1111, 0x0001);
    queryOnly.allowReadWrite = false;
    auto closed = plainDevice(0x2222, 0x0002);
    closed.allowOpen = false;
    auto anonymous = plainDevice(0x3333, 0x0003);
    anonymous.attributesFail = true;
    const std::string queryOnlyPath = sim->addDevice(queryOnly);
    const std::string closedPath = sim->addDevice(closed);
    const std::string anonymousPath = sim->addDevice(anonymous);
    sim->addDevice(plainDevice(0x4444, 0x0004));

    TJvHidDeviceController controller(sim, &gui);

    ASSERT_EQ(controller.DeviceList().size(), 2u);
    EXPECT_EQ(controller.FreeCount(), 2);
    TJvHidDevice* device = controller.DeviceList()[0];
    EXPECT_EQ(pathOf(device), queryOnlyPath);
    EXPECT_FALSE(device->ReadWriteOpen());
    EXPECT_EQ(device->ReadWriteOpenError(), static_cast<std::uint32_t>(EACCES));
    EXPECT_EQ(device->DeviceAttributes().VendorID, 0x1111);
    EXPECT_TRUE(controller.DeviceList()[1]->ReadWriteOpen());

    ASSERT_EQ(controller.LastScanFailures().size(), 2u);
    EXPECT_EQ(controller.LastScanFailures()[0].path, closedPath);
    EXPECT_EQ(controller.LastScanFailures()[0].message, "device cannot be opened");
    EXPECT_EQ(controller.LastScanFailures()[0].error, static_cast<std::uint32_t>(EACCES));
    EXPECT_EQ(controller.LastScanFailures()[1].path, anonymousPath);
    EXPECT_EQ(controller.LastScanFailures()[1].message, "device cannot be identified");

    // Pooled devices hold no handle.
    EXPECT_EQ(sim->openHandles(queryOnlyPath), 0);
}

TEST_F(ControllerTest, QueryOnlyDeviceNeverReadsAndRefusesFeatureReports)
{
    auto setup = plainDevice(0x1111, 0x0001);
    setup.allowReadWrite = false;
    const std::string path = sim->addDevice(setup);
    TJvHidDeviceController controller(sim, &gui);

    TJvHidDevice* device = nullptr;
    ASSERT_TRUE(controller.ClaimByIndex(0, device));
    device->SetReportHandler([](TJvHidDevice&, std::uint8_t, const std::uint8_t*, std::uint16_t) {});
    EXPECT_EQ(device->ReaderThread(), nullptr);
    const std::uint8_t report[] = {0, 1, 2};
    EXPECT_FALSE(device->SendFeatureReport(report, sizeof report));
    EXPECT_TRUE(sim->featureReports(path).empty());
    TJvHidDevice::ReleaseDevice(device);
}

TEST_F(ControllerTest, ClaimFailsOutOfRangeAndTwice)
{
    sim->addDevice(plainDevice(1, 1));
    sim->addDevice(plainDevice(2, 2));
    TJvHidDeviceController controller(sim, &gui);
    TJvHidDevice* claimed = nullptr;
    ASSERT_TRUE(controller.ClaimByIndex(1, claimed));
    EXPECT_TRUE(claimed->Claimed());
    EXPECT_EQ(controller.ClaimedCount(), 1);
    EXPECT_EQ(controller.FreeCount(), 1);

    for (int index : {-1, 2, 1}) {
        TJvHidDevice* device = claimed;
        EXPECT_FALSE(controller.ClaimByIndex(index, device)) << index;
        EXPECT_EQ(device, nullptr) << index;
    }
    EXPECT_EQ(controller.ClaimedCount(), 1);
    EXPECT_EQ(controller.FreeCount(), 1);
    TJvHidDevice::ReleaseDevice(claimed);
}

TEST_F(ControllerTest, ReleasePutsAFreshDeviceWithTheSameHandlersAtTheSameIndex)
{
    sim->addDevice(plainDevice(1, 1));
    const std::string path = sim->addDevice(plainDevice(2, 2));
    sim->addDevice(plainDevice(3, 3));
    TJvHidDeviceController controller(sim, &gui);

    TJvHidDevice* device = nullptr;
    ASSERT_TRUE(controller.ClaimByIndex(1, device));
    const TJvHidDataEvent onReport = [](TJvHidDevice&, std::uint8_t, const std::uint8_t*, std::uint16_t) {};
    const TJvHidPlugEvent onUnplugged = [](TJvHidDevice&) {};
    device->SetReportHandler(onReport);
    device->SetOnUnplugged(onUnplugged);
    device->SetPollInterval(250);
    ASSERT_NE(device->ReaderThread(), nullptr);

    TJvHidDevice::ReleaseDevice(device);

    ASSERT_EQ(controller.DeviceList().size(), 3u);
    TJvHidDevice* replacement = controller.DeviceList()[1];
    EXPECT_EQ(pathOf(replacement), path);
    EXPECT_FALSE(replacement->Claimed());
    EXPECT_TRUE(replacement->OnReport() == onReport);
    EXPECT_TRUE(replacement->OnUnplugged() == onUnplugged);
    EXPECT_EQ(replacement->PollInterval(), 250);
    EXPECT_EQ(replacement->ReaderThread(), nullptr);
    EXPECT_EQ(controller.FreeCount(), 3);
    EXPECT_EQ(controller.ClaimedCount(), 0);
    EXPECT_EQ(sim->openHandles(path), 0);

    // The replacement is claimed again like any pooled device, and reads at once.
    TJvHidDevice* again = nullptr;
    ASSERT_TRUE(controller.ClaimByIndex(1, again));
    EXPECT_NE(again->ReaderThread(), nullptr);
    TJvHidDevice::ReleaseDevice(again);
}

TEST_F(ControllerTest, ReleaseWhoseReplacementCannotBeBuiltDropsTheEntry)
{
    sim->addDevice(plainDevice(1, 1));
    const std::string path = sim->addDevice(plainDevice(2, 2));
    TJvHidDeviceController controller(sim, &gui);
    std::vector<std::string> arrivals;
    controller.SetOnArrival([&](TJvHidDevice& d) { arrivals.push_back(pathOf(&d)); });

    TJvHidDevice* device = nullptr;
    ASSERT_TRUE(controller.ClaimByIndex(1, device));
    sim->setAllowOpen(path, false);
    TJvHidDevice::ReleaseDevice(device);

    ASSERT_EQ(controller.DeviceList().size(), 1u);
    EXPECT_NE(pathOf(controller.DeviceList()[0]), path);
    EXPECT_EQ(controller.FreeCount(), 1);
    EXPECT_EQ(controller.ClaimedCount(), 0);
    EXPECT_EQ(controller.UnpluggedCount(), 0);

    // Once it can be opened again, the next re-synchronisation finds it as new.
    sim->setAllowOpen(path, true);
    controller.DeviceChange();
    EXPECT_EQ(arrivals, std::vector<std::string>{path});
    EXPECT_EQ(controller.DeviceList().size(), 2u);
}

TEST_F(ControllerTest, ClaimedDeviceThatIsUnpluggedIsReportedUntilReleased)
{
    const std::string kept = sim->addDevice(plainDevice(1, 1));
    const std::string gone = sim->addDevice(plainDevice(2, 2));
    TJvHidDeviceController controller(sim, &gui);
    std::vector<std::string> removals;
    int unplugs = 0;
    controller.SetOnRemoval([&](TJvHidDevice& d) {
        EXPECT_TRUE(d.InEnumeration());
        EXPECT_FALSE(d.Plugged());
        removals.push_back(pathOf(&d));
    });

    TJvHidDevice* device = nullptr;
    ASSERT_TRUE(controller.ClaimByIndex(1, device));
    device->SetOnUnplugged([&](TJvHidDevice&) { ++unplugs; });
    device->SetReportHandler([](TJvHidDevice&, std::uint8_t, const std::uint8_t*, std::uint16_t) {});
    ASSERT_NE(device->ReaderThread(), nullptr);

    sim->removeDevice(gone);
    controller.DeviceChangeHook();
    EXPECT_EQ(removals, std::vector<std::string>{gone});
    EXPECT_EQ(unplugs, 1);
    EXPECT_FALSE(device->Plugged());
    EXPECT_EQ(device->ReaderThread(), nullptr);
    EXPECT_TRUE(device->OnReport()) << "the handler stays assigned";
    EXPECT_EQ(controller.DeviceList().size(), 2u);
    EXPECT_EQ(controller.UnpluggedCount(), 1);
    EXPECT_EQ(controller.ClaimedCount(), 0);
    EXPECT_EQ(controller.FreeCount(), 1);

    controller.DeviceChange();  // nothing new, but the application still holds it
    EXPECT_EQ(removals, (std::vector<std::string>{gone, gone}));
    EXPECT_EQ(unplugs, 1) << "OnUnplugged fires once";

    TJvHidDevice::ReleaseDevice(device);
    ASSERT_EQ(controller.DeviceList().size(), 1u);
    EXPECT_EQ(pathOf(controller.DeviceList()[0]), kept);
    EXPECT_EQ(controller.UnpluggedCount(), 0);
    EXPECT_EQ(controller.FreeCount(), 1);
}

TEST_F(ControllerTest, DeviceChangeReportsRemovalsLastToFirstThenArrivalsInOrder)
{
    const std::string a = sim->addDevice(plainDevice(1, 1));
    const std::string b = sim->addDevice(plainDevice(2, 2));
    const std::string c = sim->addDevice(plainDevice(3, 3));
    TJvHidDeviceController controller(sim, &gui);
    std::vector<std::string> events;
    controller.SetOnRemoval([&](TJvHidDevice& d) { events.push_back("-" + pathOf(&d)); });
    controller.SetOnArrival([&](TJvHidDevice& d) {
        EXPECT_TRUE(d.InEnumeration());
        events.push_back("+" + pathOf(&d));
    });
    int changes = 0;
    controller.SetOnDeviceChange([&](TJvHidDeviceController& sender) {
        EXPECT_EQ(&sender, &controller);
        ++changes;
    });
    EXPECT_EQ(changes, 1) << "the first assignment reports even without a change";
    EXPECT_TRUE(controller.ChangeReported());

    controller.DeviceChange();
    EXPECT_EQ(changes, 1) << "no change, no report";

    sim->removeDevice(a);
    sim->removeDevice(c);
    const std::string d = sim->addDevice(plainDevice(4, 4));
    const std::string e = sim->addDevice(plainDevice(5, 5));
    EXPECT_TRUE(controller.DeviceChangeHook() == false);
    EXPECT_EQ(events, (std::vector<std::string>{"-" + c, "-" + a, "+" + d, "+" + e}));
    EXPECT_EQ(changes, 2);
    ASSERT_EQ(controller.DeviceList().size(), 3u);
    EXPECT_EQ(pathOf(controller.DeviceList()[0]), b);
    EXPECT_EQ(pathOf(controller.DeviceList()[1]), d);
    EXPECT_EQ(pathOf(controller.DeviceList()[2]), e);
    for (TJvHidDevice* device : controller.DeviceList())
        EXPECT_FALSE(device->InEnumeration());
    EXPECT_EQ(controller.FreeCount(), 3);

    // The same handler assigned again is no change and runs nothing.
    const TJvHidNotifyEvent current = controller.OnDeviceChange();
    controller.SetOnDeviceChange(current);
    EXPECT_EQ(changes, 2);
}

TEST_F(ControllerTest, EnumerateDevicesCountsPluggedDevicesAndClosesUnclaimedOnes)
{
    {
        TJvHidDeviceController empty(sim, &gui);
        EXPECT_EQ(empty.EnumerateDevices(), 0);
    }
    const std::string a = sim->addDevice(plainDevice(1, 1, u"first"));
    sim->addDevice(plainDevice(2, 2));
    sim->addDevice(plainDevice(3, 3));
    TJvHidDeviceController controller(sim, &gui);
    EXPECT_EQ(controller.EnumerateDevices(), 1) << "without a handler the walk stops at the first";

    std::vector<int> seen;
    controller.SetOnEnumerate([&](TJvHidDevice& d, int index) {
        EXPECT_TRUE(d.InEnumeration());
        d.GetCapabilities();  // opens the device while it is accessible
        seen.push_back(index);
        return index < 1;
    });
    EXPECT_EQ(controller.EnumerateDevices(), 2);
    EXPECT_EQ(seen, (std::vector<int>{0, 1}));
    EXPECT_EQ(sim->openHandles(a), 0);
}

TEST_F(ControllerTest, HandlerPropertiesReachOnlyDevicesThatCarryTheOldOne)
{
    sim->addDevice(plainDevice(1, 1));
    sim->addDevice(plainDevice(2, 2));
    TJvHidDeviceController controller(sim, &gui);
    const TJvHidDataEvent first = [](TJvHidDevice&, std::uint8_t, const std::uint8_t*, std::uint16_t) {};
    const TJvHidDataEvent own = [](TJvHidDevice&, std::uint8_t, const std::uint8_t*, std::uint16_t) {};
    const TJvHidDataEvent second = [](TJvHidDevice&, std::uint8_t, const std::uint8_t*, std::uint16_t) {};
    controller.SetOnDeviceData(first);
    TJvHidDevice* device0 = controller.DeviceList()[0];
    TJvHidDevice* device1 = controller.DeviceList()[1];
    EXPECT_TRUE(device0->OnReport() == first);
    device1->SetReportHandler(own);
    controller.SetOnDeviceData(second);
    EXPECT_TRUE(device0->OnReport() == second);
    EXPECT_TRUE(device1->OnReport() == own);

    device1->SetPollInterval(500);
    controller.SetDevThreadSleepTime(40);
    EXPECT_EQ(device0->PollInterval(), 40);
    EXPECT_EQ(device1->PollInterval(), 500);
    controller.SetDevThreadSleepTime(5);  // stored as given; the devices refuse it
    EXPECT_EQ(controller.DevThreadSleepTime(), 5);
    EXPECT_EQ(device0->PollInterval(), 40);
}

TEST_F(ControllerTest, PollIntervalAcceptsOnly10To10000)
{
    sim->addDevice(plainDevice(1, 1));
    TJvHidDeviceController controller(sim, &gui);
    TJvHidDevice* device = controller.DeviceList()[0];
    struct Case {
        int given;
        int expected;
    };
    for (const Case& c : {Case{9, 100}, Case{10, 10}, Case{10001, 10}, Case{10000, 10000}, Case{-1, 10000}}) {
        device->SetPollInterval(c.given);
        EXPECT_EQ(device->PollInterval(), c.expected) << c.given;
    }
}

TEST_F(ControllerTest, DestructionHandsClaimedDevicesBackUnplugged)
{
    const std::string path = sim->addDevice(plainDevice(1, 1));
    sim->addDevice(plainDevice(2, 2));
    auto controller = std::make_unique<TJvHidDeviceController>(sim, &gui);
    TJvHidDevice* device = nullptr;
    ASSERT_TRUE(controller->ClaimByIndex(0, device));
    int unplugs = 0;
    device->SetOnUnplugged([&](TJvHidDevice&) { ++unplugs; });
    device->SetReportHandler([](TJvHidDevice&, std::uint8_t, const std::uint8_t*, std::uint16_t) {});
    sim->queueReport(path, {0, 1, 2, 3});
    ASSERT_TRUE(sim->waitUntilDrained(path, 5000));

    controller.reset();  // must serve the parked report, not hang

    EXPECT_EQ(device->OwnerController(), nullptr);
    EXPECT_FALSE(device->Plugged());
    EXPECT_EQ(device->ReaderThread(), nullptr);
    EXPECT_EQ(unplugs, 1);
    EXPECT_EQ(sim->openHandles(path), 0);
    TJvHidDevice::ReleaseDevice(device);
    gui.pump();  // a hand-over task queued for the dead controller does nothing
}

}  // namespace
}  // namespace tavolo::test
