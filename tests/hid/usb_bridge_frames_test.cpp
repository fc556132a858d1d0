// The bridge's input reports: meter bytes, idle reports and frame completion.
// The handlers are driven directly, as the hand-over calls them.

#include <string>
#include <vector>

#include "hid/usb_bridge_link.h"
#include "hid/usb_bridge_reports.h"
#include "tests/support/hid_test_support.h"

namespace tavolo::test {
namespace {

// Payload low digits 4 0 3 2 1 0 B 0 0 0 A 0 as the meter sends them, then CR LF.
const std::vector<std::uint8_t> kFrame = {0x34, 0x30, 0x33, 0x32, 0x31, 0x30, 0x3B,
                                          0x30, 0x30, 0x30, 0x3A, 0x30, 0x0D, 0x0A};
const std::string kFrameText = "A403210B000A0D";

// A report as the hand-over delivers it (the bytes after the report ID).
using Report = std::vector<std::uint8_t>;

// A data report of the bridge: count, meter bytes, zero fill to 9 bytes.
Report data(std::vector<std::uint8_t> bytes)
{
    Report report(std::max<std::size_t>(bytes.size() + 1, 9), 0);
    report[0] = static_cast<std::uint8_t>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), report.begin() + 1);
    return report;
}

Report idle()
{
    return Report(9, 0);
}

std::vector<std::uint8_t> slice(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t count)
{
    return {bytes.begin() + static_cast<std::ptrdiff_t>(from),
            bytes.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

class BridgeFramesTest : public SimHidTest {
protected:
    void SetUp() override
    {
        sim->addDevice(SimHidPlatform::bridgeSpec());
        restart();
    }

    // A fresh link (and controller) for the next case of a table.
    void restart()
    {
        decoded.clear();
        malu.clear();
        link.reset();
        controller.reset();
        controller = std::make_unique<TJvHidDeviceController>(sim, &gui);
        link = std::make_unique<UsbBridgeLink>(*controller);
        link->onDecodeFrame = [this](std::string_view frame) { decoded.emplace_back(frame); };
        link->onMaluFrame = [this](std::string_view frame) { malu.emplace_back(frame); };
        device = controller->DeviceList()[0];
    }

    void vexa(const Report& report)
    {
        link->HidVexaData(*device, 0, report.data(), static_cast<std::uint16_t>(report.size()));
    }

    std::unique_ptr<TJvHidDeviceController> controller;
    std::unique_ptr<UsbBridgeLink> link;
    TJvHidDevice* device = nullptr;
    std::vector<std::string> decoded;
    std::vector<std::string> malu;
};

struct FrameCase {
    const char* name;
    std::vector<Report> reports;
    std::vector<std::string> decoded;
    int idleReports;
    std::string memo1;  // last frame-text line, "" when no frame was completed
};

TEST_F(BridgeFramesTest, BurstsBecomeFramesAtTheFirstReportWithoutMeterData)
{
    std::vector<std::uint8_t> twoFrames = kFrame;
    twoFrames.insert(twoFrames.end(), kFrame.begin(), kFrame.end());
    std::vector<std::uint8_t> crFirst = kFrame;
    std::swap(crFirst[12], crFirst[13]);

    Report shortCount = data(slice(kFrame, 0, 5));
    shortCount[0] = 9;  // claims 9 meter bytes, carries 5
    shortCount.resize(6);
    Report highNibble = data(slice(kFrame, 5, 9));
    highNibble[0] = 0xF9;

    const FrameCase cases[] = {
        {"frame over two reports", {data(slice(kFrame, 0, 9)), data(slice(kFrame, 9, 5)), idle()},
         {kFrameText}, 1, "403210B000A0DA"},
        {"28 bytes without a pause: the second frame is lost",
         {data(slice(twoFrames, 0, 9)), data(slice(twoFrames, 9, 9)), data(slice(twoFrames, 18, 9)),
          data(slice(twoFrames, 27, 1)), idle()},
         {kFrameText}, 1, "403210B000A0DA"},
        {"13 bytes complete without a decode", {data(slice(kFrame, 0, 9)), data(slice(kFrame, 9, 4)), idle()},
         {}, 1, "403210B000A0D"},
        {"CR and LF swapped", {data(slice(crFirst, 0, 9)), data(slice(crFirst, 9, 5)), idle()}, {}, 1,
         "403210B000A0AD"},
        {"an empty report completes but is not idle",
         {data(slice(kFrame, 0, 9)), data(slice(kFrame, 9, 5)), Report{}}, {kFrameText}, 0, "403210B000A0DA"},
        {"idle reports alone only count", {idle(), idle(), idle()}, {}, 3, ""},
        {"a count above the bytes present takes those present",
         {shortCount, highNibble, idle()}, {kFrameText}, 1, "403210B000A0DA"},
        {"counts 10 to 15 are idle", {data(slice(kFrame, 0, 9)), data(slice(kFrame, 9, 5)), Report{0x0A, 1, 2}},
         {kFrameText}, 1, "403210B000A0DA"},
    };
    for (const FrameCase& c : cases) {
        restart();
        for (const Report& report : c.reports)
            vexa(report);
        EXPECT_EQ(decoded, c.decoded) << c.name;
        EXPECT_EQ(link->IdleReportCount(), c.idleReports) << c.name;
        EXPECT_EQ(link->Memo1().empty() ? "" : link->Memo1().back(), c.memo1) << c.name;
        EXPECT_FALSE(link->HidFramePending()) << c.name;
        EXPECT_EQ(link->HidText(), "") << c.name;
    }
}

TEST_F(BridgeFramesTest, DataReportsAreLoggedAndTheBurstGoesToMemo2)
{
    vexa(data({0x34, 0x30}));
    vexa(idle());
    ASSERT_EQ(link->HistoryListBox().size(), 1u) << "idle reports are not logged";
    EXPECT_EQ(link->HistoryListBox().back(), "R 00  02 34 30 00 00 00 00 00 00 ");
    EXPECT_EQ(link->Memo2().back(), "3430");
    EXPECT_EQ(link->Memo1().back(), "40");
}

TEST_F(BridgeFramesTest, AnOversizedReportIsLoggedShortened)
{
    Report big(300, 0x41);
    big[0] = 1;
    vexa(big);
    const std::string& line = link->HistoryListBox().back();
    EXPECT_EQ(line.size(), std::string("R 00  ").size() + 3 * UsbBridgeLink::kMaxLoggedReportBytes + 3);
    EXPECT_EQ(line.substr(line.size() - 3), "...");
}

TEST_F(BridgeFramesTest, DataReportRestartsTheIdleCount)
{
    vexa(idle());
    vexa(idle());
    vexa(data({0x34}));
    EXPECT_EQ(link->IdleReportCount(), 0);
    EXPECT_TRUE(link->HidFramePending());
}

TEST_F(BridgeFramesTest, MaluFramesNeedTheirPositionsInTheHighDigits)
{
    std::vector<std::uint8_t> numbered;
    for (std::uint8_t i = 1; i <= 14; ++i)
        numbered.push_back(static_cast<std::uint8_t>((i << 4) | (i % 10)));
    std::vector<std::uint8_t> shuffled = numbered;
    std::swap(shuffled[0], shuffled[1]);

    for (const auto& [bytes, expectCall] : {std::pair{numbered, true}, std::pair{shuffled, false}}) {
        restart();
        for (const Report& report : {data(slice(bytes, 0, 9)), data(slice(bytes, 9, 5)), idle()})
            link->HidMaluData(*device, 0, report.data(), static_cast<std::uint16_t>(report.size()));
        const std::string lows = expectCall ? "12345678901234" : "21345678901234";
        EXPECT_EQ(link->USBtxt(), lows);
        EXPECT_EQ(link->FrameText(), lows) << "the Malu frame text stays";
        EXPECT_EQ(link->HidText(), "");
        EXPECT_EQ(malu.size(), expectCall ? 1u : 0u);
        EXPECT_TRUE(decoded.empty());
    }
}

TEST_F(BridgeFramesTest, LogsKeepABoundedTail)
{
    const Report report = data({0x31});
    for (int i = 0; i < 6000; ++i) {
        vexa(report);
        vexa(idle());
    }
    EXPECT_EQ(link->HistoryListBox().size(), UsbBridgeLink::kLogTailLines);
    EXPECT_EQ(link->HistoryListBox().appendedCount(), 6000u);
    EXPECT_EQ(link->Memo1().size(), UsbBridgeLink::kLogTailLines);
    EXPECT_EQ(link->Memo2().size(), UsbBridgeLink::kLogTailLines);
}

TEST_F(BridgeFramesTest, AnEndlessBurstIsBounded)
{
    const Report report = data({0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39});
    for (int i = 0; i < 2000; ++i)
        vexa(report);
    EXPECT_EQ(link->HidText().size(), 2 * UsbBridgeLink::kMaxBurstBytes);
    vexa(idle());
    EXPECT_EQ(link->Memo1().back(), "12345678912345");
}

TEST(BridgeReportTest, FeatureReportIsTheLineSettingsOf19200Bits)
{
    EXPECT_EQ(kLineSettingsReport[0], 0x00);
    const std::uint32_t speed = kLineSettingsReport[1] | kLineSettingsReport[2] << 8 |
                                kLineSettingsReport[3] << 16 |
                                static_cast<std::uint32_t>(kLineSettingsReport[4]) << 24;
    EXPECT_EQ(speed, 19200u);
    EXPECT_EQ(kLineSettingsReport[5], 0x03);
}

}  // namespace
}  // namespace tavolo::test
