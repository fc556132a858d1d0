#include "serial/comm_port_driver.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include "serial/sim/sim_serial_platform.h"

namespace tavolo {
namespace {

// A driver on the simulated backend with a hand-driven timer, set up as the
// window sets up COMM2.
class DriverTest : public ::testing::Test {
protected:
    DriverTest()
        : com1(platform.addPort("COM1")), com2(platform.addPort("COM2")),
          driver(std::make_unique<ManualPollTimer>(), platform),
          timer(static_cast<ManualPollTimer&>(driver.Timer()))
    {
        driver.SetComPort(TComPortNumber::pnCOM1);
        driver.SetComPortSpeed(TComPortBaudRate::br19200);
        driver.SetComPortDataBits(TComPortDataBits::db7BITS);
        driver.SetComPortParity(TComPortParity::ptODD);
        driver.SetOnReceiveData([this](TCommPortDriver* sender, const std::uint8_t* data, std::int32_t size) {
            EXPECT_EQ(sender, &driver);
            chunks.emplace_back(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));
            pointers.push_back(data);
        });
        driver.SetOnStatus([this](TCommPortDriver*, const PortStatus& status) { statuses.push_back(status); });
    }

    std::string received() const
    {
        std::string all;
        for (const std::string& chunk : chunks)
            all += chunk;
        return all;
    }

    SimSerialPlatform platform;
    SimPort& com1;
    SimPort& com2;
    TCommPortDriver driver;
    ManualPollTimer& timer;
    std::vector<std::string> chunks;
    std::vector<const std::uint8_t*> pointers;
    std::vector<PortStatus> statuses;
};

TEST(CommPortDriverDefaults, PropertiesStartAtTheirDefaults)
{
    SimSerialPlatform platform;
    TCommPortDriver driver(std::make_unique<ManualPollTimer>(), platform);
    EXPECT_EQ(driver.ComPort(), TComPortNumber::pnCOM2);
    EXPECT_EQ(driver.ComPortSpeed(), TComPortBaudRate::br9600);
    EXPECT_EQ(driver.ComPortDataBits(), TComPortDataBits::db8BITS);
    EXPECT_EQ(driver.ComPortStopBits(), TComPortStopBits::sb1BITS);
    EXPECT_EQ(driver.ComPortParity(), TComPortParity::ptNONE);
    EXPECT_EQ(driver.ComPortHwHandshaking(), TComPortHwHandshaking::hhNONE);
    EXPECT_EQ(driver.ComPortSwHandshaking(), TComPortSwHandshaking::shNONE);
    EXPECT_EQ(driver.ComPortInBufSize(), 2048);
    EXPECT_EQ(driver.ComPortOutBufSize(), 2048);
    EXPECT_EQ(driver.ComPortPollingDelay(), 50);
    EXPECT_TRUE(driver.EnableDTROnOpen());
    EXPECT_EQ(driver.OutputTimeout(), 4000);
    EXPECT_FALSE(driver.OnReceiveData());
    EXPECT_FALSE(driver.IsPortOpen());
    EXPECT_FALSE(driver.Timer().isActive());
}

TEST(CommPortDriverEnumerations, OrdinalsCarryTheirMeaning)
{
    EXPECT_EQ(comPortName(TComPortNumber::pnCOM1), "COM1");
    EXPECT_EQ(comPortName(TComPortNumber::pnCOM6), "COM6");
    EXPECT_EQ(dataBitsCount(TComPortDataBits::db5BITS), 5);
    EXPECT_EQ(dataBitsCount(TComPortDataBits::db7BITS), 7);
    const std::uint32_t expected[] = {110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400,
                                      56000, 57600, 115200};
    for (int i = 0; i <= static_cast<int>(TComPortBaudRate::br115200); ++i)
        EXPECT_EQ(baudRateBitsPerSecond(static_cast<TComPortBaudRate>(i)), expected[i]) << i;
    EXPECT_EQ(static_cast<int>(StopBitsCode::OneAndHalf), static_cast<int>(TComPortStopBits::sb1HALFBITS));
    EXPECT_EQ(static_cast<int>(ParityCode::Space), static_cast<int>(TComPortParity::ptSPACE));
}

TEST_F(DriverTest, OpenRequestsTheMetersLineAndStartsPolling)
{
    ASSERT_TRUE(driver.OpenPort());
    EXPECT_TRUE(driver.IsPortOpen());
    EXPECT_EQ(platform.openedNames(), std::vector<std::string>{"COM1"});
    EXPECT_EQ(com1.requests(),
              (std::vector<std::string>{"open", "settings", "purge in out", "queues 2048 2048"}));
    ASSERT_EQ(com1.settingsRequests().size(), 1u);
    const LineSettings& s = com1.settingsRequests()[0];
    EXPECT_EQ(s.baudRate, 19200u);
    EXPECT_EQ(s.dataBits, 7);
    EXPECT_EQ(s.parity, ParityCode::Odd);
    EXPECT_EQ(s.stopBits, StopBitsCode::One);
    EXPECT_TRUE(s.dtr);
    EXPECT_FALSE(s.rts);
    EXPECT_FALSE(s.rtsCtsHandshake);
    EXPECT_FALSE(s.xonXoffHandshake);
    EXPECT_EQ(s.xonLimit, 512);
    EXPECT_EQ(s.xoffLimit, 1);
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.periodMs(), 50u);
    EXPECT_EQ(driver.DevicePath(), "sim:COM1");
}

TEST_F(DriverTest, EachPortNumberOpensItsName)
{
    driver.SetComPort(TComPortNumber::pnCOM6);
    platform.addPort("COM6");
    ASSERT_TRUE(driver.OpenPort());
    EXPECT_EQ(platform.openedNames().back(), "COM6");
}

TEST_F(DriverTest, OpenOnAnOpenPortNeitherReopensNorReconfigures)
{
    ASSERT_TRUE(driver.OpenPort());
    com1.clearRequests();
    EXPECT_TRUE(driver.OpenPort());
    EXPECT_EQ(com1.openCount(), 1);
    EXPECT_TRUE(com1.requests().empty());
    EXPECT_EQ(timer.startCount(), 1);
}

TEST_F(DriverTest, FailedOpenStaysClosedAndKeepsTheReason)
{
    com1.failOpens(EACCES, "Permission denied");
    EXPECT_FALSE(driver.OpenPort());
    EXPECT_FALSE(driver.IsPortOpen());
    EXPECT_FALSE(timer.isActive());
    EXPECT_EQ(driver.LastOpenError().portName, "COM1");
    EXPECT_EQ(driver.LastOpenError().error.code, EACCES);
    EXPECT_EQ(driver.LastOpenError().error.device, "sim:COM1");
    driver.ClosePort();  // nothing to close
    EXPECT_EQ(com1.openCount(), 0);
}

TEST_F(DriverTest, LineSettingWhileOpenIsAppliedAtOnceAndPurgesBothQueues)
{
    using Setter = std::function<void(TCommPortDriver&)>;
    using Check = std::function<bool(const LineSettings&)>;
    const std::vector<std::pair<Setter, Check>> cases = {
        {[](TCommPortDriver& d) { d.SetComPortSpeed(TComPortBaudRate::br9600); },
         [](const LineSettings& s) { return s.baudRate == 9600; }},
        {[](TCommPortDriver& d) { d.SetComPortDataBits(TComPortDataBits::db8BITS); },
         [](const LineSettings& s) { return s.dataBits == 8; }},
        {[](TCommPortDriver& d) { d.SetComPortStopBits(TComPortStopBits::sb2BITS); },
         [](const LineSettings& s) { return s.stopBits == StopBitsCode::Two; }},
        {[](TCommPortDriver& d) { d.SetComPortParity(TComPortParity::ptEVEN); },
         [](const LineSettings& s) { return s.parity == ParityCode::Even; }},
        {[](TCommPortDriver& d) { d.SetComPortHwHandshaking(TComPortHwHandshaking::hhRTSCTS); },
         [](const LineSettings& s) { return s.rtsCtsHandshake; }},
        {[](TCommPortDriver& d) { d.SetComPortSwHandshaking(TComPortSwHandshaking::shXONXOFF); },
         [](const LineSettings& s) { return s.xonXoffHandshake && s.xonChar == 0x11 && s.xoffChar == 0x13; }},
    };
    ASSERT_TRUE(driver.OpenPort());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        com1.clearRequests();
        com1.inject("queued");
        cases[i].first(driver);
        EXPECT_EQ(com1.requests(), (std::vector<std::string>{"settings", "purge in out", "queues 2048 2048"}))
            << "case " << i;
        ASSERT_EQ(com1.settingsRequests().size(), 1u);
        EXPECT_TRUE(cases[i].second(com1.settingsRequests()[0])) << "case " << i;
        EXPECT_EQ(com1.pendingBytes(), 0u) << "case " << i;
    }
}

TEST_F(DriverTest, LineSettingWhileClosedIsOnlyStored)
{
    driver.SetComPortSpeed(TComPortBaudRate::br115200);
    driver.SetEnableDTROnOpen(false);
    driver.SetComPortOutBufSize(512);
    EXPECT_EQ(com1.openCount(), 0);
    ASSERT_TRUE(driver.OpenPort());
    const LineSettings& s = com1.settingsRequests().at(0);
    EXPECT_EQ(s.baudRate, 115200u);
    EXPECT_FALSE(s.dtr);
    EXPECT_EQ(com1.requests().back(), "queues 2048 512");
}

TEST_F(DriverTest, DtrAndOutBufSizeWhileOpenWaitForTheNextApply)
{
    ASSERT_TRUE(driver.OpenPort());
    com1.clearRequests();
    driver.SetEnableDTROnOpen(false);
    driver.SetComPortOutBufSize(1024);
    driver.SetOutputTimeout(100);
    EXPECT_TRUE(com1.requests().empty());
    driver.ApplyLineSettings();
    EXPECT_FALSE(com1.settingsRequests().at(0).dtr);
    EXPECT_EQ(com1.requests().back(), "queues 2048 1024");
}

TEST_F(DriverTest, ComPortCannotChangeWhileOpenNowOrAfterClosing)
{
    ASSERT_TRUE(driver.OpenPort());
    driver.SetComPort(TComPortNumber::pnCOM2);
    EXPECT_EQ(driver.ComPort(), TComPortNumber::pnCOM1);
    driver.ClosePort();
    EXPECT_EQ(driver.ComPort(), TComPortNumber::pnCOM1);
    ASSERT_TRUE(driver.OpenPort());
    EXPECT_EQ(platform.openedNames().back(), "COM1");
}

TEST_F(DriverTest, InBufSizeChangesOnlyWhileClosedAndBoundsEachRead)
{
    driver.SetComPortInBufSize(4);
    EXPECT_EQ(driver.ComPortInBufSize(), 4);
    driver.SetComPortInBufSize(0);  // a buffer of nothing would never receive
    EXPECT_EQ(driver.ComPortInBufSize(), 4);
    ASSERT_TRUE(driver.OpenPort());
    driver.SetComPortInBufSize(100);
    EXPECT_EQ(driver.ComPortInBufSize(), 4);
    EXPECT_EQ(com1.settingsRequests().at(0).xonLimit, 1);  // a quarter of the input queue

    com1.inject("0123456789");
    timer.tick();
    timer.tick();
    timer.tick();
    EXPECT_EQ(chunks, (std::vector<std::string>{"0123", "4567", "89"}));
}

TEST_F(DriverTest, PollingDelay)
{
    driver.SetComPortPollingDelay(50);  // same value: nothing
    driver.SetComPortPollingDelay(0);   // would poll without pause: ignored
    EXPECT_EQ(driver.ComPortPollingDelay(), 50);
    driver.SetComPortPollingDelay(20);  // closed: stored, no timer
    EXPECT_FALSE(timer.isActive());
    ASSERT_TRUE(driver.OpenPort());
    EXPECT_EQ(timer.periodMs(), 20u);
    const int starts = timer.startCount();
    driver.SetComPortPollingDelay(20);
    EXPECT_EQ(timer.startCount(), starts);
    driver.SetComPortPollingDelay(100);
    EXPECT_EQ(timer.startCount(), starts + 1);
    EXPECT_EQ(timer.periodMs(), 100u);
    EXPECT_TRUE(timer.isActive());
}

TEST_F(DriverTest, ChunksArriveInPlaceFromOneReusedBuffer)
{
    ASSERT_TRUE(driver.OpenPort());
    timer.tick();  // nothing arrived: no event
    EXPECT_TRUE(chunks.empty());
    com1.inject("3210B000A\r\n");
    timer.tick();
    com1.inject("abc");
    timer.tick();
    EXPECT_EQ(chunks, (std::vector<std::string>{"3210B000A\r\n", "abc"}));
    ASSERT_EQ(pointers.size(), 2u);
    EXPECT_EQ(pointers[0], pointers[1]);
}

TEST_F(DriverTest, BytesWithoutAHandlerAreDroppedAndPassingErrorsRaiseNothing)
{
    ASSERT_TRUE(driver.OpenPort());
    driver.SetOnReceiveData(nullptr);
    com1.inject("lost");
    timer.tick();
    EXPECT_EQ(com1.pendingBytes(), 0u);
    driver.SetOnReceiveData([this](TCommPortDriver*, const std::uint8_t* data, std::int32_t size) {
        chunks.emplace_back(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));
    });
    com1.inject("kept");
    com1.failNextRead(EINTR);
    timer.tick();
    EXPECT_TRUE(chunks.empty());
    timer.tick();
    EXPECT_EQ(received(), "kept");
    EXPECT_TRUE(statuses.empty());
}

TEST_F(DriverTest, CloseStopsReadingAtOnce)
{
    ASSERT_TRUE(driver.OpenPort());
    com1.inject("before");
    driver.ClosePort();
    EXPECT_FALSE(driver.IsPortOpen());
    EXPECT_FALSE(timer.isActive());
    EXPECT_FALSE(com1.isOpen());
    driver.PollPort();  // a tick already queued in the event loop
    EXPECT_TRUE(chunks.empty());
    driver.PurgePort(true, true);  // closed: nothing
    driver.ApplyLineSettings();
    EXPECT_EQ(com1.requests().back(), "close");
}

TEST_F(DriverTest, HandlerMayCloseThePortInsideTheTick)
{
    driver.SetOnReceiveData([this](TCommPortDriver* sender, const std::uint8_t*, std::int32_t) {
        chunks.emplace_back("x");
        sender->ClosePort();
    });
    ASSERT_TRUE(driver.OpenPort());
    com1.inject("12");
    timer.tick();
    EXPECT_FALSE(driver.IsPortOpen());
    EXPECT_EQ(chunks.size(), 1u);
}

TEST_F(DriverTest, VanishedDeviceIsReportedOnceAndReopenedByItself)
{
    driver.SetReconnectInterval(200);  // four ticks of 50 ms
    ASSERT_TRUE(driver.OpenPort());
    com1.unplug(EIO);
    timer.tick();
    ASSERT_EQ(statuses.size(), 1u);
    EXPECT_EQ(statuses[0].kind, PortStatusKind::DeviceLost);
    EXPECT_EQ(statuses[0].portName, "COM1");
    EXPECT_EQ(statuses[0].device, "sim:COM1");
    EXPECT_EQ(statuses[0].errorCode, EIO);
    EXPECT_NE(statuses[0].message.find("COM1 (sim:COM1)"), std::string::npos) << statuses[0].message;
    EXPECT_TRUE(driver.IsPortOpen());  // still connected as far as the user is concerned
    EXPECT_TRUE(driver.IsDeviceLost());
    EXPECT_FALSE(com1.isOpen());       // the device itself is released

    for (int i = 0; i < 10; ++i)
        timer.tick();  // still away: retried quietly
    EXPECT_EQ(statuses.size(), 1u);
    const int opensWhileAway = static_cast<int>(platform.openedNames().size());
    EXPECT_GE(opensWhileAway, 3);  // the first open and at least two tries at 200 ms
    EXPECT_LE(opensWhileAway, 4);

    com1.plug();
    com1.clearRequests();
    for (int i = 0; i < 4 && statuses.size() == 1; ++i)
        timer.tick();
    ASSERT_EQ(statuses.size(), 2u);
    EXPECT_EQ(statuses[1].kind, PortStatusKind::DeviceBack);
    EXPECT_FALSE(driver.IsDeviceLost());
    // Reopened with the same line settings.
    EXPECT_EQ(com1.requests(), (std::vector<std::string>{"open", "settings", "purge in out", "queues 2048 2048"}));
    EXPECT_EQ(com1.settingsRequests().at(0).baudRate, 19200u);

    com1.inject("again");
    timer.tick();
    EXPECT_EQ(received(), "again");
}

TEST_F(DriverTest, ReconnectNeverOpensAnotherDeviceUnderTheSameName)
{
    driver.SetReconnectInterval(50);
    ASSERT_TRUE(driver.OpenPort());
    com1.unplug(EIO);
    timer.tick();
    com1.replaceDevice("sim:second-adapter");
    com1.plug();
    for (int i = 0; i < 5; ++i)
        timer.tick();
    EXPECT_TRUE(driver.IsDeviceLost());
    EXPECT_EQ(com1.openCount(), 1);  // never opened, not even for a moment
    ASSERT_EQ(statuses.size(), 2u);  // told once, not at every try
    EXPECT_EQ(statuses[1].kind, PortStatusKind::OtherDevice);
    EXPECT_EQ(statuses[1].device, "sim:second-adapter");
    EXPECT_NE(statuses[1].message.find("COM1 now leads to sim:second-adapter"), std::string::npos)
        << statuses[1].message;

    com1.replaceDevice("sim:COM1");  // ours is back
    timer.tick();
    EXPECT_FALSE(driver.IsDeviceLost());
    EXPECT_EQ(com1.openCount(), 2);
    ASSERT_EQ(statuses.size(), 3u);
    EXPECT_EQ(statuses[2].kind, PortStatusKind::DeviceBack);
}

TEST_F(DriverTest, SettingsChangedWhileTheDeviceIsAwayApplyWhenItReturns)
{
    driver.SetReconnectInterval(50);
    ASSERT_TRUE(driver.OpenPort());
    com1.unplug(0);
    timer.tick();
    driver.SetComPortSpeed(TComPortBaudRate::br9600);
    driver.SetComPort(TComPortNumber::pnCOM2);  // still open: ignored
    com1.plug();
    timer.tick();
    ASSERT_FALSE(driver.IsDeviceLost());
    EXPECT_EQ(com1.settingsRequests().back().baudRate, 9600u);
    EXPECT_EQ(com2.openCount(), 0);
}

TEST_F(DriverTest, ClosingWhileTheDeviceIsAwayStopsReconnecting)
{
    driver.SetReconnectInterval(50);
    ASSERT_TRUE(driver.OpenPort());
    com1.unplug(0);
    timer.tick();
    driver.ClosePort();
    EXPECT_FALSE(driver.IsPortOpen());
    EXPECT_FALSE(driver.IsDeviceLost());
    com1.plug();
    driver.PollPort();
    EXPECT_EQ(com1.openCount(), 1);
}

}  // namespace
}  // namespace tavolo
