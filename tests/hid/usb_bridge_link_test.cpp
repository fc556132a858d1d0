// The USB side of the window, headless, over the simulated HID system with real
// reader threads.

#include <algorithm>
#include <cerrno>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "hid/usb_bridge_link.h"
#include "hid/usb_bridge_reports.h"
#include "tests/support/hid_test_support.h"

namespace tavolo::test {
namespace {

const std::vector<std::uint8_t> kFrame = {0x34, 0x30, 0x33, 0x32, 0x31, 0x30, 0x3B,
                                          0x30, 0x30, 0x30, 0x3A, 0x30, 0x0D, 0x0A};
const std::string kFrameText = "A403210B000A0D";

class LinkTest : public SimHidTest {
protected:
    void TearDown() override
    {
        link.reset();
        controller.reset();
    }

    void start()
    {
        controller = std::make_unique<TJvHidDeviceController>(sim, &gui);
        link = std::make_unique<UsbBridgeLink>(*controller);
        link->onDecodeFrame = [this](std::string_view frame) {
            decoded.emplace_back(frame);
            link->resetWatchdogTicks();  // as the decoder does
        };
        link->onMessage = [this](const UsbBridgeLink::Message& m) { messages.push_back(m); };
        link->bindController();
    }

    std::vector<std::string> lineTexts() const
    {
        std::vector<std::string> texts;
        for (const auto& line : link->DevListBox())
            texts.push_back(line.text);
        return texts;
    }

    TJvHidDevice* selected() const { return link->DevListBox().at(link->DevListBoxItemIndex()).device; }

    // One frame as the bridge sends it: two data reports and an idle one.
    void sendFrame(const std::string& path)
    {
        for (auto& report : SimHidPlatform::bridgeReports(kFrame))
            sim->queueReport(path, std::move(report));
    }

    bool historyHas(const std::string& line) const
    {
        const auto& lines = link->HistoryListBox().lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    std::vector<UsbBridgeLink::Message> messagesOf(UsbBridgeLink::MessageKind kind) const
    {
        std::vector<UsbBridgeLink::Message> found;
        for (const auto& m : messages)
            if (m.kind == kind)
                found.push_back(m);
        return found;
    }

    std::unique_ptr<TJvHidDeviceController> controller;
    std::unique_ptr<UsbBridgeLink> link;
    std::vector<std::string> decoded;
    std::vector<UsbBridgeLink::Message> messages;
};

TEST_F(LinkTest, DeviceListNamesEveryDeviceAndSelectsTheLastPlainBridge)
{
    sim->addDevice(SimHidPlatform::bridgeSpec());
    sim->addDevice(plainDevice(0x12AB, 0x0001));
    auto numbered = SimHidPlatform::bridgeSpec();
    numbered.serial = u"123";
    sim->addDevice(numbered);
    sim->addDevice(SimHidPlatform::bridgeSpec());
    sim->addDevice(plainDevice(0x0001, 0x0002, u"Keyboard"));
    start();

    EXPECT_EQ(lineTexts(), (std::vector<std::string>{"USB to Serial", "Device VID=12AB PID=0001",
                                                     "USB to Serial (Serial=123)", "USB to Serial", "Keyboard"}));
    EXPECT_EQ(link->DevListBoxItemIndex(), 3);
    for (const auto& line : link->DevListBox())
        EXPECT_TRUE(line.device && line.device->Claimed()) << line.text;
    EXPECT_EQ(controller->FreeCount(), 0);
}

TEST_F(LinkTest, OnlyANumberedBridgeMeansNoCable)
{
    auto numbered = SimHidPlatform::bridgeSpec();
    numbered.serial = u"123";
    sim->addDevice(numbered);
    start();
    EXPECT_EQ(link->DevListBoxItemIndex(), -1);

    link->clickUSBCon();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, UsbBridgeLink::MessageKind::InformationBox);
    EXPECT_EQ(messages[0].text, UsbBridgeLink::kNotConnectedText);
    EXPECT_FALSE(link->USBConDown());
    EXPECT_EQ(link->USBConCaption(), "USB Connection");
    EXPECT_TRUE(link->comControlsVisible());

    // Switching off with no bridge selected tells the same.
    link->setUSBConDown(true);
    link->clickUSBCon();
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_FALSE(link->USBConDown());
}

TEST_F(LinkTest, ConnectSetsTheLineAndReadsFramesDisconnectStops)
{
    const std::string bridge = sim->addDevice(SimHidPlatform::bridgeSpec());
    start();
    EXPECT_EQ(link->USBConCaption(), "USB Connect");

    link->clickUSBCon();
    ASSERT_TRUE(link->USBConDown());
    EXPECT_EQ(link->USBConCaption(), "USB Disconnect");
    EXPECT_TRUE(link->LCDsendVisible());
    EXPECT_FALSE(link->comControlsVisible());
    const std::vector<std::uint8_t> expectedReport(kLineSettingsReport.begin(), kLineSettingsReport.end());
    ASSERT_EQ(sim->featureReports(bridge).size(), 1u);
    EXPECT_EQ(sim->featureReports(bridge)[0], expectedReport);
    EXPECT_EQ(link->HistoryListBox().back(), "00 00 4B 00 00 03 00 00 00 00 ");
    EXPECT_NE(selected()->ReaderThread(), nullptr);

    sendFrame(bridge);
    sendFrame(bridge);
    ASSERT_TRUE(pumpUntil([&] { return decoded.size() == 2; }));
    EXPECT_EQ(decoded[0], kFrameText);

    link->clickUSBCon();
    EXPECT_FALSE(link->USBConDown());
    EXPECT_EQ(link->USBConCaption(), "USB Connection");
    EXPECT_FALSE(link->LCDsendVisible());
    EXPECT_TRUE(link->comControlsVisible());
    EXPECT_EQ(selected()->ReaderThread(), nullptr);
    EXPECT_FALSE(selected()->OnReport());
    EXPECT_EQ(sim->featureReports(bridge).size(), 2u) << "every click sends the line settings";
    EXPECT_TRUE(messages.empty());
}

TEST_F(LinkTest, BridgeWithoutPermissionSaysWhichNodeAndHowToFixIt)
{
    auto setup = SimHidPlatform::bridgeSpec();
    setup.allowReadWrite = false;
    setup.refusedError = EACCES;
    const std::string bridge = sim->addDevice(setup);
    start();
    ASSERT_EQ(link->DevListBoxItemIndex(), 0);

    link->clickUSBCon();
    EXPECT_FALSE(link->USBConDown());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].text.find(bridge), std::string::npos) << messages[0].text;
    EXPECT_NE(messages[0].text.find("permission denied"), std::string::npos);
    EXPECT_NE(messages[0].text.find("70-tavolo-usb-bridge.rules"), std::string::npos);
}

TEST_F(LinkTest, UnopenableNodeIsNamedBesideTheMissingCableMessage)
{
    auto setup = SimHidPlatform::bridgeSpec();
    setup.allowOpen = false;
    setup.refusedError = EACCES;
    const std::string node = sim->addDevice(setup);
    start();
    EXPECT_TRUE(link->DevListBox().empty());

    link->clickUSBCon();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text.rfind(UsbBridgeLink::kNotConnectedText, 0), 0u) << messages[0].text;
    EXPECT_NE(messages[0].text.find(node), std::string::npos);
    EXPECT_NE(messages[0].text.find("70-tavolo-usb-bridge.rules"), std::string::npos);
}

TEST_F(LinkTest, QueryOnlyBridgeForOtherReasonsGoesUpSilently)
{
    auto setup = SimHidPlatform::bridgeSpec();
    setup.allowReadWrite = false;
    setup.refusedError = EBUSY;
    sim->addDevice(setup);
    start();
    link->clickUSBCon();
    EXPECT_FALSE(link->USBConDown());
    EXPECT_TRUE(messages.empty());
}

struct WatchdogCase {
    const char* name;
    int idleReports;
    bool framesDecoded;  // a frame is decoded before every tick
    bool fires;
};

TEST_F(LinkTest, WatchdogEndsUsbModeAfterIdleReportsOnlyWhileNoFrameIsDecoded)
{
    sim->addDevice(SimHidPlatform::bridgeSpec());
    start();
    const WatchdogCase cases[] = {
        {"1900 idle reports", 1900, false, true},
        {"1899 idle reports", 1899, false, false},
        {"idle reports while frames are decoded", 5000, true, false},
    };
    const std::vector<std::uint8_t> idle(9, 0);
    for (const WatchdogCase& c : cases) {
        messages.clear();
        if (!link->USBConDown())
            link->clickUSBCon();
        ASSERT_TRUE(link->USBConDown()) << c.name;
        TJvHidDevice* device = selected();
        for (int i = 0; i < c.idleReports; ++i)
            link->HidVexaData(*device, 0, idle.data(), 9);
        for (int tick = 0; tick < 9; ++tick) {
            if (c.framesDecoded)
                link->resetWatchdogTicks();
            link->ConTimerTimer();
        }
        EXPECT_EQ(!link->USBConDown(), c.fires) << c.name;
        if (c.fires) {
            ASSERT_EQ(messages.size(), 1u) << c.name;
            EXPECT_EQ(messages[0].text, UsbBridgeLink::kMeterNotReadyText);
            EXPECT_EQ(link->USBConCaption(), "USB Disconnect") << "only the button goes up";
            EXPECT_TRUE(link->LCDsendVisible());
            EXPECT_FALSE(device->OnReport());
            EXPECT_EQ(device->ReaderThread(), nullptr);
            EXPECT_EQ(link->IdleReportCount(), 0);
            link->clickUSBCon();  // the next click connects again
            EXPECT_TRUE(link->USBConDown()) << c.name;
            EXPECT_NE(selected()->ReaderThread(), nullptr) << c.name;
        } else {
            EXPECT_TRUE(messages.empty()) << c.name;
        }
    }
}

TEST_F(LinkTest, WithIFVexaUncheckedUsbModeReadsNothing)
{
    const std::string bridge = sim->addDevice(SimHidPlatform::bridgeSpec());
    start();
    link->setIFVexa(false);
    link->clickUSBCon();
    EXPECT_TRUE(link->USBConDown());
    EXPECT_EQ(link->USBConCaption(), "USB Disconnect");
    EXPECT_FALSE(selected()->OnReport());
    EXPECT_EQ(selected()->ReaderThread(), nullptr);
    for (int i = 0; i < 2000; ++i)
        sim->queueReport(bridge, std::vector<std::uint8_t>(10, 0));
    for (int tick = 0; tick < 30; ++tick)
        link->ConTimerTimer();
    EXPECT_EQ(link->IdleReportCount(), 0);
    EXPECT_TRUE(link->USBConDown());
    EXPECT_TRUE(messages.empty());
}

TEST_F(LinkTest, AnotherDeviceComingKeepsReadingTheBridge)
{
    const std::string bridge = sim->addDevice(SimHidPlatform::bridgeSpec());
    start();
    link->clickUSBCon();
    sim->addDevice(plainDevice(0x0001, 0x0002, u"Mouse"));
    controller->DeviceChangeHook();

    EXPECT_TRUE(historyHas("Arrival of Mouse"));
    EXPECT_EQ(link->DevListBoxItemIndex(), 0);
    EXPECT_TRUE(link->USBConDown());
    EXPECT_NE(selected()->ReaderThread(), nullptr) << "reading resumes by itself";
    EXPECT_EQ(sim->featureReports(bridge).size(), 1u) << "the same cable keeps its line settings";
    sendFrame(bridge);
    ASSERT_TRUE(pumpUntil([&] { return decoded.size() == 1; }));
    EXPECT_TRUE(messages.empty());
}

TEST_F(LinkTest, ReplugResumesOnTheNewCableWithItsLineSet)
{
    const std::string oldBridge = sim->addDevice(SimHidPlatform::bridgeSpec());
    start();
    link->clickUSBCon();
    sim->removeDevice(oldBridge);
    const std::string newBridge = sim->addDevice(SimHidPlatform::bridgeSpec());
    controller->DeviceChangeHook();

    EXPECT_TRUE(historyHas("Removal of USB to Serial"));
    EXPECT_TRUE(historyHas("Arrival of USB to Serial"));
    EXPECT_EQ(lineTexts(), std::vector<std::string>{"USB to Serial"});
    EXPECT_TRUE(link->USBConDown());
    ASSERT_EQ(sim->featureReports(newBridge).size(), 1u);
    sendFrame(newBridge);
    ASSERT_TRUE(pumpUntil([&] { return decoded.size() == 1; }));
}

TEST_F(LinkTest, UnpluggedCableEndsUsbModeWithANote)
{
    const std::string bridge = sim->addDevice(SimHidPlatform::bridgeSpec());
    start();
    link->clickUSBCon();
    sim->removeDevice(bridge);
    controller->DeviceChangeHook();

    EXPECT_TRUE(historyHas("Removal of USB to Serial"));
    EXPECT_TRUE(link->DevListBox().empty());
    EXPECT_FALSE(link->USBConDown());
    EXPECT_EQ(link->USBConCaption(), "USB Connection");
    EXPECT_TRUE(link->comControlsVisible());
    EXPECT_FALSE(link->LCDsendVisible());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, UsbBridgeLink::MessageKind::StatusNote);
    EXPECT_EQ(messages[0].text, UsbBridgeLink::kCableRemovedText);
    EXPECT_EQ(controller->DeviceList().size(), 0u) << "the unplugged device was returned and dropped";
}

TEST_F(LinkTest, FailedReadsAreLogged)
{
    const std::string bridge = sim->addDevice(SimHidPlatform::bridgeSpec());
    start();
    link->clickUSBCon();
    sim->queueReadFailure(bridge, EIO);
    ASSERT_TRUE(pumpUntil([&] { return historyHas("READ ERROR: Input/output error (5)"); }));
}

TEST_F(LinkTest, ReadButtonAttachesTheIndexedFrameHandler)
{
    const std::string bridge = sim->addDevice(SimHidPlatform::bridgeSpec());
    start();
    std::vector<std::string> malu;
    link->onMaluFrame = [&](std::string_view frame) { malu.emplace_back(frame); };
    link->clickReadBtn();
    ASSERT_TRUE(link->ReadBtnDown());
    std::vector<std::uint8_t> first{0, 9}, second{0, 5};
    for (std::uint8_t i = 1; i <= 9; ++i)
        first.push_back(static_cast<std::uint8_t>(i << 4));
    for (std::uint8_t i = 10; i <= 14; ++i)
        second.push_back(static_cast<std::uint8_t>(i << 4));
    sim->queueReport(bridge, first);
    sim->queueReport(bridge, second);
    sim->queueReport(bridge, std::vector<std::uint8_t>(10, 0));
    ASSERT_TRUE(pumpUntil([&] { return malu.size() == 1; }));
    EXPECT_EQ(link->USBtxt(), "00000000000000");
    link->clickReadBtn();
    EXPECT_EQ(selected()->ReaderThread(), nullptr);
}

TEST_F(LinkTest, InfoShowsTheSelectedDevicesIdentityAndClearEmptiesTheHistory)
{
    sim->addDevice(SimHidPlatform::bridgeSpec());
    start();
    link->SetFeatureClick();
    const auto info = link->InfoBtnClick();
    ASSERT_TRUE(info.has_value());
    for (const char* part : {"USB to Serial", "Serial number: (none)", "Vendor ID: 1A86", "Product ID: E008",
                             "Input report length: 11 bytes", "Feature report length: 10 bytes",
                             "/sim/hidraw0", "Read/write access: yes"})
        EXPECT_NE(info->find(part), std::string::npos) << part << "\n" << *info;

    ASSERT_FALSE(link->HistoryListBox().empty());
    link->ClearBtnClick();
    EXPECT_TRUE(link->HistoryListBox().empty());

    link->setDevListBoxItemIndex(-1);
    EXPECT_FALSE(link->InfoBtnClick().has_value());
}

TEST_F(LinkTest, DestroyingTheLinkWhileReadingReturnsEveryDeviceWithoutHandlersOrRescan)
{
    const std::string bridge = sim->addDevice(SimHidPlatform::bridgeSpec());
    sim->addDevice(plainDevice(1, 2, u"Other"));
    start();
    link->clickUSBCon();
    sendFrame(bridge);
    // The first report is parked, waiting for the GUI thread, when the link goes.
    ASSERT_TRUE(waitUntilParked());
    const int snapshots = sim->snapshots();
    link.reset();
    EXPECT_EQ(controller->FreeCount(), 2);
    EXPECT_EQ(controller->ClaimedCount(), 0);
    EXPECT_FALSE(controller->OnDeviceChange());
    EXPECT_EQ(sim->snapshots(), snapshots) << "letting go of the controller rescanned every HID node";
    for (const TJvHidDevice* device : controller->DeviceList()) {
        EXPECT_FALSE(device->OnReport()) << "a pooled device keeps a handler into the destroyed link";
        EXPECT_FALSE(device->OnReportError());
    }
    // Whoever claims the bridge next finds it quiet.
    TJvHidDevice* again = nullptr;
    ASSERT_TRUE(controller->ClaimByIndex(0, again));
    EXPECT_EQ(again->ReaderThread(), nullptr);
    TJvHidDevice::ReleaseDevice(again);
    gui.pump();
}

// A message box runs an event loop, and a device change may arrive inside it.
// Whatever it attached while USB mode was still on: once the button is up, no
// device has a report handler and nothing is read.
struct BoxCase {
    const char* name;
    std::function<void()> prepare;  // up to the click or tick that opens the box
    std::function<void()> act;
};

TEST_F(LinkTest, ADeviceChangeInsideAMessageBoxLeavesNoReaderOnceTheButtonIsUp)
{
    const BoxCase cases[] = {
        {"USB Connect without the cable; it is plugged in while the box is open",
         [] {},
         [this] { link->clickUSBCon(); }},
        {"the watchdog's box; the cable is plugged in again meanwhile",
         [this] {
             const std::string bridge = sim->addDevice(SimHidPlatform::bridgeSpec());
             controller->DeviceChangeHook();
             link->clickUSBCon();
             const std::vector<std::uint8_t> idle(9, 0);
             for (int i = 0; i < 1900; ++i)
                 link->HidVexaData(*selected(), 0, idle.data(), 9);
             sim->removeDevice(bridge);
         },
         [this] {
             for (int tick = 0; tick < 3; ++tick)
                 link->ConTimerTimer();
         }},
        {"a bridge this user may not open; a readable one arrives while the box is open",
         [this] {
             auto locked = SimHidPlatform::bridgeSpec();
             locked.allowReadWrite = false;
             locked.refusedError = EACCES;
             sim->addDevice(locked);
             controller->DeviceChangeHook();
         },
         [this] { link->clickUSBCon(); }},
    };
    for (const BoxCase& c : cases) {
        SCOPED_TRACE(c.name);
        sim = std::make_shared<SimHidPlatform>();
        link.reset();
        controller.reset();
        messages.clear();
        decoded.clear();
        start();
        c.prepare();
        std::string plugged;
        link->onMessage = [&](const UsbBridgeLink::Message& m) {
            messages.push_back(m);
            if (m.kind != UsbBridgeLink::MessageKind::InformationBox || !plugged.empty())
                return;
            plugged = sim->addDevice(SimHidPlatform::bridgeSpec());
            controller->DeviceChangeHook();
        };
        c.act();
        ASSERT_FALSE(plugged.empty()) << "no box opened";

        EXPECT_FALSE(link->USBConDown());
        for (const auto& line : link->DevListBox()) {
            ASSERT_NE(line.device, nullptr);
            EXPECT_FALSE(line.device->OnReport()) << line.text;
            EXPECT_EQ(line.device->ReaderThread(), nullptr) << line.text;
        }
        sendFrame(plugged);
        gui.waitAndPump(20ms);
        EXPECT_TRUE(decoded.empty());
        EXPECT_FALSE(sim->waitUntilDrained(plugged, 0)) << "the new cable was read";
    }
}

// Where the system sends no device-change notice (no udev monitor), a read that
// finds the device gone is the notice: the outcome is that of a removal seen by
// udev, and a node that now belongs to another device is never read.
struct GoneCase {
    const char* name;
    bool otherNodeBridge;  // a bridge appears at another node
    std::optional<SimHidPlatform::DeviceSpec> onSameNode;  // a device takes the cable's node
    bool resumes;
};

TEST_F(LinkTest, WithoutChangeNoticesAGoneCableIsADeviceChange)
{
    const GoneCase cases[] = {
        {"the cable is pulled", false, std::nullopt, false},
        {"it comes back at another node", true, std::nullopt, true},
        {"a keyboard takes its node", false, plainDevice(0x0001, 0x0002, u"Keyboard"), false},
        {"another cable takes its node", false, SimHidPlatform::bridgeSpec(), true},
    };
    for (const GoneCase& c : cases) {
        SCOPED_TRACE(c.name);
        sim = std::make_shared<SimHidPlatform>(/*changeNotices=*/false);
        link.reset();
        controller.reset();
        messages.clear();
        decoded.clear();
        const std::string bridge = sim->addDevice(SimHidPlatform::bridgeSpec());
        start();
        ASSERT_EQ(controller->changeNoticeFd(), -1);
        link->clickUSBCon();
        sendFrame(bridge);
        ASSERT_TRUE(pumpUntil([&] { return decoded.size() == 1; }));

        sim->removeDevice(bridge);
        std::string next;
        if (c.otherNodeBridge)
            next = sim->addDevice(SimHidPlatform::bridgeSpec());
        if (c.onSameNode)
            next = sim->addDevice(*c.onSameNode, bridge);
        if (!next.empty() && !c.resumes)
            sim->queueReport(next, {0, 0x01, 0x42});  // a data report, should the stranger be read
        ASSERT_TRUE(pumpUntil([&] { return historyHas("Removal of USB to Serial"); }));
        EXPECT_EQ(link->USBConDown(), c.resumes);
        if (c.resumes) {
            ASSERT_EQ(sim->featureReports(next).size(), 1u) << "the new cable's line was not set";
            EXPECT_TRUE(messages.empty());
            sendFrame(next);
            EXPECT_TRUE(pumpUntil([&] { return decoded.size() == 2; }));
            continue;
        }
        ASSERT_EQ(messagesOf(UsbBridgeLink::MessageKind::StatusNote).size(), 1u);
        EXPECT_EQ(messages.back().text, UsbBridgeLink::kCableRemovedText);
        EXPECT_TRUE(link->comControlsVisible());
        for (const TJvHidDevice* device : controller->DeviceList())
            EXPECT_EQ(device->ReaderThread(), nullptr) << "a reader goes on logging READ ERROR";
        if (!next.empty()) {
            EXPECT_FALSE(sim->waitUntilDrained(next, 0)) << "the stranger on the cable's node was read";
        }
        EXPECT_EQ(decoded.size(), 1u);
    }
}

}  // namespace
}  // namespace tavolo::test
