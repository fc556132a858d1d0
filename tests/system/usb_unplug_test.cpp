// The USB bridge pulled out in the middle of a frame and plugged in again, over
// the simulated HID system with real reader threads: the half frame of the old
// cable must never be glued to the first frame of the new one, and the first
// whole frame after the replug must be decoded.

#include <algorithm>
#include <string>
#include <vector>

#include "hid/usb_bridge_link.h"
#include "tests/support/hid_test_support.h"

namespace tavolo::test {
namespace {

// Two different frames, so a spliced frame cannot look like either.
const std::vector<std::uint8_t> kFrameA = {0x34, 0x30, 0x33, 0x32, 0x31, 0x30, 0x3B,
                                           0x30, 0x30, 0x30, 0x3A, 0x30, 0x0D, 0x0A};
const std::string kFrameTextA = "A403210B000A0D";
const std::vector<std::uint8_t> kFrameB = {0x31, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3B,
                                           0x30, 0x30, 0x30, 0x3A, 0x30, 0x0D, 0x0A};
const std::string kFrameTextB = "A156789B000A0D";

class UsbUnplug : public SimHidTest {
protected:
    void SetUp() override
    {
        bridge = sim->addDevice(SimHidPlatform::bridgeSpec());
        controller = std::make_unique<TJvHidDeviceController>(sim, &gui);
        link = std::make_unique<UsbBridgeLink>(*controller);
        link->onDecodeFrame = [this](std::string_view frame) {
            decoded.emplace_back(frame);
            link->resetWatchdogTicks();
        };
        link->onMessage = [this](const UsbBridgeLink::Message& m) { messages.push_back(m.text); };
        link->bindController();
        link->clickUSBCon();
        ASSERT_TRUE(link->USBConDown());
    }

    void TearDown() override
    {
        link.reset();
        controller.reset();
    }

    static std::vector<std::uint8_t> dataReport(const std::vector<std::uint8_t>& frame, std::size_t from,
                                                std::size_t count)
    {
        std::vector<std::uint8_t> report(11, 0);  // report ID, count byte, nine meter bytes
        report[1] = static_cast<std::uint8_t>(count);
        std::copy_n(frame.begin() + static_cast<std::ptrdiff_t>(from), count, report.begin() + 2);
        return report;
    }

    void sendWholeFrame(const std::string& path, const std::vector<std::uint8_t>& frame)
    {
        sim->queueReport(path, dataReport(frame, 0, 9));
        sim->queueReport(path, dataReport(frame, 9, 5));
        sim->queueReport(path, std::vector<std::uint8_t>(10, 0));  // idle: the frame ends
    }

    // The first nine bytes of a frame reach the program, then the cable goes.
    void unplugMidFrame()
    {
        sim->queueReport(bridge, dataReport(kFrameA, 0, 9));
        ASSERT_TRUE(pumpUntil([&] { return link->HidFramePending(); }));
        sim->removeDevice(bridge);
    }

    std::string bridge;
    std::unique_ptr<TJvHidDeviceController> controller;
    std::unique_ptr<UsbBridgeLink> link;
    std::vector<std::string> decoded;
    std::vector<std::string> messages;
};

TEST_F(UsbUnplug, ReplugWithinOneChangeNoticeResumesWithoutTheOldHalfFrame)
{
    unplugMidFrame();
    const std::string again = sim->addDevice(SimHidPlatform::bridgeSpec());
    controller->DeviceChangeHook();
    ASSERT_TRUE(link->USBConDown()) << "reading should go on on the new cable";

    sendWholeFrame(again, kFrameB);
    sendWholeFrame(again, kFrameA);
    ASSERT_TRUE(pumpUntil([&] { return decoded.size() >= 2; }))
        << "decoded " << decoded.size() << " frames after the replug";
    EXPECT_EQ(decoded, (std::vector<std::string>{kFrameTextB, kFrameTextA}));
}

TEST_F(UsbUnplug, UnplugEndsUsbModeAndTheUserReconnectsOnTheNewCable)
{
    unplugMidFrame();
    controller->DeviceChangeHook();
    EXPECT_FALSE(link->USBConDown());
    EXPECT_TRUE(std::find(messages.begin(), messages.end(), UsbBridgeLink::kCableRemovedText) != messages.end());

    const std::string again = sim->addDevice(SimHidPlatform::bridgeSpec());
    controller->DeviceChangeHook();
    link->clickUSBCon();
    ASSERT_TRUE(link->USBConDown());
    sendWholeFrame(again, kFrameB);
    ASSERT_TRUE(pumpUntil([&] { return decoded.size() >= 1; }));
    link->clickUSBCon();  // the reader stops, handing over whatever it still holds
    EXPECT_EQ(decoded, std::vector<std::string>{kFrameTextB});
}

// A cable that goes and comes many times while frames flow: every frame sent
// whole to a present cable is decoded, none is invented, and the reader
// threads and devices of the old cables are all returned.
TEST_F(UsbUnplug, RepeatedUnplugAndReplugLosesNoWholeFrameAndLeaksNoDevice)
{
    std::string current = bridge;
    std::vector<std::string> expected;
    for (int round = 0; round < 25; ++round) {
        const bool b = round % 2 == 1;
        sendWholeFrame(current, b ? kFrameB : kFrameA);
        expected.push_back(b ? kFrameTextB : kFrameTextA);
        ASSERT_TRUE(pumpUntil([&] { return decoded.size() == expected.size(); })) << "round " << round;
        sim->queueReport(current, dataReport(kFrameB, 0, 9));  // a half frame, then the cable goes
        ASSERT_TRUE(sim->waitUntilDrained(current, 5000));
        sim->removeDevice(current);
        current = sim->addDevice(SimHidPlatform::bridgeSpec());
        controller->DeviceChangeHook();
        ASSERT_TRUE(link->USBConDown()) << "round " << round;
    }
    link->clickUSBCon();  // the reader stops, handing over whatever it still holds
    EXPECT_EQ(decoded, expected);
    EXPECT_LE(controller->DeviceList().size(), 1u) << "unplugged devices were not returned";
}

}  // namespace
}  // namespace tavolo::test
