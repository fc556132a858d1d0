// Reader threads and their hand-over to the GUI thread.

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <string>
#include <thread>
#include <vector>

#include "hid/usb_bridge_reports.h"
#include "tests/support/hid_test_support.h"

namespace tavolo::test {
namespace {

class ReaderTest : public SimHidTest {
protected:
    void SetUp() override
    {
        path = sim->addDevice(SimHidPlatform::bridgeSpec());
        controller = std::make_unique<TJvHidDeviceController>(sim, &gui);
        ASSERT_TRUE(controller->ClaimByIndex(0, device));
        device->SetOnReportError([this](TJvHidDevice&, std::uint32_t error) { errors.push_back(error); });
    }

    void TearDown() override
    {
        TJvHidDevice::ReleaseDevice(device);
        controller.reset();
    }

    TJvHidDataEvent recorder()
    {
        return [this](TJvHidDevice& d, std::uint8_t id, const std::uint8_t* data, std::uint16_t size) {
            EXPECT_EQ(&d, device);
            seen.push_back({id, std::vector<std::uint8_t>(data, data + size)});
        };
    }

    std::string path;
    std::unique_ptr<TJvHidDeviceController> controller;
    TJvHidDevice* device = nullptr;
    std::vector<SeenReport> seen;
    std::vector<std::uint32_t> errors;
};

TEST_F(ReaderTest, ReportsArriveWholeInOrderOneAtATime)
{
    std::vector<SeenReport> sent;
    for (std::uint8_t i = 0; i < 200; ++i) {
        std::vector<std::uint8_t> report(1 + i % 10, i);
        report[0] = static_cast<std::uint8_t>(i % 3);  // report ID
        sent.push_back({report[0], std::vector<std::uint8_t>(report.begin() + 1, report.end())});
        sim->queueReport(path, report);
    }
    device->SetReportHandler(recorder());
    ASSERT_TRUE(pumpUntil([&] { return seen.size() >= sent.size(); }));
    EXPECT_EQ(seen, sent);
    ASSERT_EQ(seen[0].data.size(), 0u) << "a report of only its ID is handed over with Size 0";
}

TEST_F(ReaderTest, ReportLongerThanTheInputLengthIsCut)
{
    sim->queueReport(path, std::vector<std::uint8_t>(40, 7));
    device->SetReportHandler(recorder());
    ASSERT_TRUE(pumpUntil([&] { return !seen.empty(); }));
    EXPECT_EQ(seen[0].data.size(), 10u);  // input report length 11, ID included
}

TEST_F(ReaderTest, FailedReadsAreReportedAndReadingGoesOn)
{
    sim->queueReport(path, {0, 1});
    sim->queueReadFailure(path, EIO);
    sim->queueReport(path, {0, 2});
    device->SetReportHandler(recorder());
    ASSERT_TRUE(pumpUntil([&] { return seen.size() == 2; }));
    EXPECT_EQ(errors, std::vector<std::uint32_t>{EIO});
    EXPECT_EQ(seen[1].data, std::vector<std::uint8_t>{2});
}

TEST_F(ReaderTest, ReadThatCannotStartIsReportedUntilItCan)
{
    sim->setAllowRead(path, false);
    device->SetPollInterval(10);
    device->SetReportHandler(recorder());
    ASSERT_TRUE(pumpUntil([&] { return errors.size() >= 2; }));
    EXPECT_EQ(errors[0], static_cast<std::uint32_t>(EACCES));
    sim->setAllowRead(path, true);
    sim->queueReport(path, {0, 9});
    ASSERT_TRUE(pumpUntil([&] { return !seen.empty(); }));
}

// The GUI thread stops the reader while its report is parked and nobody pumps:
// StopReader must serve that report itself, exactly once.
TEST_F(ReaderTest, StoppingWhileAReportIsHandedOverNeitherHangsNorLosesNorRepeats)
{
    for (int round = 0; round < 100; ++round) {
        seen.clear();
        const std::uint8_t tag = static_cast<std::uint8_t>(round);
        sim->queueReport(path, {0, tag});
        device->SetReportHandler(recorder());
        ASSERT_TRUE(sim->waitUntilDrained(path, 5000));
        if (round % 2 == 1)
            std::this_thread::yield();  // vary whether the reader has parked yet
        device->SetReportHandler(nullptr);
        EXPECT_EQ(device->ReaderThread(), nullptr);
        gui.pump();  // the queued service call finds nothing left
        ASSERT_EQ(seen.size(), 1u) << "round " << round;
        EXPECT_EQ(seen[0].data, std::vector<std::uint8_t>{tag});
    }
}

TEST_F(ReaderTest, AHandlerMayStopItsOwnReader)
{
    int calls = 0;
    device->SetReportHandler([&](TJvHidDevice& d, std::uint8_t, const std::uint8_t*, std::uint16_t) {
        d.SetReportHandler(nullptr);
        ++calls;  // the handler's own state is still there after it cleared itself
        EXPECT_EQ(d.ReaderThread(), nullptr);
    });
    sim->queueReport(path, {0, 1});
    sim->queueReport(path, {0, 2});
    ASSERT_TRUE(pumpUntil([&] { return calls == 1; }));
    // The reader ended as soon as the handler returned, without reading on.
    gui.pump();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(sim->queuedInput(path), 1u) << "nothing is read after the stop";
    EXPECT_FALSE(device->OnReport());
}

TEST_F(ReaderTest, AHandlerMayStopAnotherReaderAndServesItsParkedReport)
{
    const std::string otherPath = sim->addDevice(SimHidPlatform::bridgeSpec());
    controller->DeviceChange();
    TJvHidDevice* other = nullptr;
    ASSERT_TRUE(controller->ClaimByIndex(1, other));
    std::vector<std::string> order;

    device->SetReportHandler([&](TJvHidDevice&, std::uint8_t, const std::uint8_t*, std::uint16_t) {
        order.push_back("first");
        other->SetReportHandler(nullptr);
        order.push_back("stopped");
    });
    sim->queueReport(path, {0, 1});
    ASSERT_TRUE(waitUntilParked());
    // The other device's report is read after the first one's, so the first
    // handler runs first and its stop must serve the other report inside.
    other->SetReportHandler(
        [&](TJvHidDevice&, std::uint8_t, const std::uint8_t*, std::uint16_t) { order.push_back("other"); });
    sim->queueReport(otherPath, {0, 1});
    ASSERT_TRUE(sim->waitUntilDrained(otherPath, 5000));

    ASSERT_TRUE(pumpUntil([&] { return order.size() >= 3; }));
    gui.pump();
    EXPECT_EQ(order, (std::vector<std::string>{"first", "other", "stopped"}));
    TJvHidDevice::ReleaseDevice(other);
}

TEST_F(ReaderTest, UnplugWhileReadingStopsTheReaderAndKeepsWhatWasRead)
{
    device->SetReportHandler(recorder());
    sim->queueReport(path, {0, 5});
    ASSERT_TRUE(sim->waitUntilDrained(path, 5000));
    sim->removeDevice(path);
    controller->DeviceChangeHook();  // stops the reader, serving its parked report
    EXPECT_EQ(device->ReaderThread(), nullptr);
    EXPECT_FALSE(device->Plugged());
    gui.pump();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].data, std::vector<std::uint8_t>{5});
    for (std::uint32_t error : errors)
        EXPECT_EQ(error, static_cast<std::uint32_t>(ENODEV));
}

// The system gives a removed device's node name to the next device. Without a
// change notice in between, the claimed device's path now leads to a stranger:
// it must be neither read nor written, and the failure counts as a device change.
TEST_F(ReaderTest, ANodeThatNowBelongsToAnotherDeviceIsNeverReadNorWritten)
{
    sim->removeDevice(path);
    ASSERT_EQ(sim->addDevice(plainDevice(0x0001, 0x0002, u"Keyboard"), path), path);
    sim->queueReport(path, {0, 0x42});

    device->SetReportHandler(recorder());
    EXPECT_FALSE(device->SendFeatureReport(kLineSettingsReport.data(), kLineSettingsReport.size()));
    ASSERT_TRUE(pumpUntil([&] { return !errors.empty(); }));
    EXPECT_EQ(errors[0], static_cast<std::uint32_t>(ENODEV));
    ASSERT_TRUE(pumpUntil([&] { return !device->Plugged(); })) << "the controller never re-synchronised";
    EXPECT_EQ(device->ReaderThread(), nullptr);

    EXPECT_TRUE(seen.empty());
    EXPECT_FALSE(sim->waitUntilDrained(path, 0)) << "the stranger's report was read";
    EXPECT_TRUE(sim->featureReports(path).empty());
    ASSERT_EQ(controller->DeviceList().size(), 2u);
    EXPECT_EQ(controller->DeviceList()[1]->DeviceAttributes().VendorID, 0x0001) << "the stranger is an arrival";
}

}  // namespace
}  // namespace tavolo::test
