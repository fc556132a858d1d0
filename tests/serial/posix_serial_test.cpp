#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <string>
#include <vector>

#include "pty_fixture.h"
#include "serial/comm_port_driver.h"
#include "serial/posix/posix_serial_platform.h"

namespace tavolo {
namespace {

using test::PtyPair;
using test::TempDir;

// The driver on the real backend, reading a pseudo-terminal registered as COM1
// in a temporary link folder. No system port is ever opened.
class PtyDriverTest : public ::testing::Test {
protected:
    PtyDriverTest()
        : platform(PortNameRoots{links.path(), links.path() / "no-sys", links.path() / "no-dev"}),
          driver(std::make_unique<ManualPollTimer>(), platform),
          timer(static_cast<ManualPollTimer&>(driver.Timer()))
    {
        links.link("COM1", meter.slavePath());
        driver.SetComPort(TComPortNumber::pnCOM1);
        driver.SetComPortSpeed(TComPortBaudRate::br19200);
        driver.SetComPortDataBits(TComPortDataBits::db7BITS);
        driver.SetComPortParity(TComPortParity::ptODD);
        driver.SetOnReceiveData([this](TCommPortDriver*, const std::uint8_t* data, std::int32_t size) {
            received.append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));
            ++events;
        });
        driver.SetOnStatus([this](TCommPortDriver*, const PortStatus& status) { statuses.push_back(status); });
    }

    TempDir links;
    PtyPair meter;
    PosixSerialPlatform platform;
    TCommPortDriver driver;
    ManualPollTimer& timer;
    std::string received;
    int events = 0;
    std::vector<PortStatus> statuses;
};

const std::string kFrame = "\n30321" "0B000A0\r";  // payload without its own LF: "3","03210","B",...

TEST_F(PtyDriverTest, BytesFlowUnchangedThroughTheLinkedTerminal)
{
    ASSERT_TRUE(driver.OpenPort()) << driver.LastOpenError().error.message;
    EXPECT_EQ(driver.DevicePath(), std::filesystem::canonical(meter.slavePath()).string());
    timer.tick();
    EXPECT_EQ(events, 0);  // a quiet line raises nothing

    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    meter.send(all);
    timer.tick();
    EXPECT_EQ(received, all);  // raw mode: no CR/LF translation, no stripping
}

TEST_F(PtyDriverTest, PseudoTerminalRefusalsAreReportedButBytesStillFlow)
{
    ASSERT_TRUE(driver.OpenPort());
    std::vector<std::string> refused;
    for (const SettingFailure& f : driver.LastSettingFailures())
        refused.push_back(f.setting);
    // A pseudo-terminal keeps CS8 without parity and has no modem lines.
    EXPECT_NE(std::find(refused.begin(), refused.end(), "data bits"), refused.end());
    EXPECT_NE(std::find(refused.begin(), refused.end(), "parity"), refused.end());
    EXPECT_EQ(std::find(refused.begin(), refused.end(), "speed"), refused.end());
    EXPECT_NE(std::find(refused.begin(), refused.end(), "DTR"), refused.end());
    EXPECT_NE(std::find(refused.begin(), refused.end(), "RTS"), refused.end());
    meter.send(kFrame);
    timer.tick();
    EXPECT_EQ(received, kFrame);
}

// A pseudo-terminal cannot show parity, but it keeps the input flags the driver
// wrote: characters with a parity or framing error are dropped, not passed on.
TEST_F(PtyDriverTest, DamagedCharactersAreDroppedNotPassedOn)
{
    ASSERT_TRUE(driver.OpenPort());
    const termios t = meter.slaveSettings();
    EXPECT_EQ(t.c_iflag & (INPCK | IGNPAR | PARMRK), static_cast<tcflag_t>(INPCK | IGNPAR));
}

TEST_F(PtyDriverTest, EverySpeedOfTheTableIsTaken)
{
    ASSERT_TRUE(driver.OpenPort());
    for (int i = 0; i <= static_cast<int>(TComPortBaudRate::br115200); ++i) {
        driver.SetComPortSpeed(static_cast<TComPortBaudRate>(i));
        for (const SettingFailure& f : driver.LastSettingFailures())
            EXPECT_NE(f.setting, "speed") << baudRateBitsPerSecond(static_cast<TComPortBaudRate>(i)) << ": " << f.message;
    }
}

TEST_F(PtyDriverTest, FramesSplitAnywhereAndTwoInOneChunkArriveInOrder)
{
    ASSERT_TRUE(driver.OpenPort());
    const std::string two = kFrame + kFrame;
    meter.send(two);  // two frames in one tick
    timer.tick();
    EXPECT_EQ(events, 1);
    EXPECT_EQ(received, two);

    received.clear();
    for (std::size_t cut = 1; cut < kFrame.size(); ++cut) {
        meter.send(kFrame.substr(0, cut));
        timer.tick();
        meter.send(kFrame.substr(cut));
        timer.tick();
    }
    std::string expected;
    for (std::size_t cut = 1; cut < kFrame.size(); ++cut)
        expected += kFrame;
    EXPECT_EQ(received, expected);
}

TEST_F(PtyDriverTest, LineChangeWhileOpenDropsWhatWasQueued)
{
    ASSERT_TRUE(driver.OpenPort());
    meter.send("stale bytes");
    driver.SetComPortSpeed(TComPortBaudRate::br9600);
    timer.tick();
    EXPECT_EQ(received, "");
    meter.send("fresh");
    timer.tick();
    EXPECT_EQ(received, "fresh");
}

TEST_F(PtyDriverTest, CloseStopsReadingAtOnceAndTheTerminalCanBeOpenedAgain)
{
    ASSERT_TRUE(driver.OpenPort());
    meter.send("unread");
    driver.ClosePort();
    driver.PollPort();
    EXPECT_EQ(received, "");
    // Closing left neither a lock nor the exclusive mode behind.
    ASSERT_TRUE(driver.OpenPort()) << driver.LastOpenError().error.message;
    meter.send("next");
    timer.tick();
    EXPECT_EQ(received, "next");
}

TEST_F(PtyDriverTest, SecondUserOfTheSamePortIsToldItIsBusy)
{
    ASSERT_TRUE(driver.OpenPort());
    OpenError error;
    EXPECT_EQ(platform.open("COM1", error), nullptr);
    EXPECT_EQ(error.code, EBUSY);
    EXPECT_NE(error.message.find("Another program"), std::string::npos) << error.message;
}

TEST_F(PtyDriverTest, VanishingTerminalIsReportedOnceAndReopenedUnderTheSameLink)
{
    driver.SetReconnectInterval(100);
    ASSERT_TRUE(driver.OpenPort());
    meter.send("first");
    timer.tick();
    ASSERT_EQ(received, "first");

    const std::string oldSlave = std::filesystem::canonical(meter.slavePath()).string();
    meter.close();  // the simulator ends: end of file on our side
    timer.tick();
    ASSERT_EQ(statuses.size(), 1u);
    EXPECT_EQ(statuses[0].kind, PortStatusKind::DeviceLost);
    EXPECT_EQ(statuses[0].device, oldSlave);
    EXPECT_TRUE(driver.IsPortOpen());
    for (int i = 0; i < 6; ++i)
        timer.tick();  // no busy error loop, no second report while away
    EXPECT_EQ(statuses.size(), 1u);

    PtyPair restarted;  // a new simulator, a new terminal, the same COM1 link
    links.link("COM1", restarted.slavePath());
    for (int i = 0; i < 3 && statuses.size() < 2; ++i)
        timer.tick();
    ASSERT_EQ(statuses.size(), 2u);
    EXPECT_EQ(statuses[1].kind, PortStatusKind::DeviceBack);
    EXPECT_EQ(statuses[1].device, std::filesystem::canonical(restarted.slavePath()).string());
    restarted.send("second");
    timer.tick();
    EXPECT_EQ(received, "firstsecond");
}

// Two adapters seen by the system as ttyUSB0 and ttyUSB1 (pseudo-terminals behind
// a fake /dev). When the first is unplugged, COM1 would now name the second: the
// driver must wait for the first instead of reading the wrong meter.
TEST(PtySystemDevices, ReconnectWaitsForTheSameAdapter)
{
    TempDir root;
    const PortNameRoots roots{root.path() / "links", root.path() / "sys", root.path() / "dev"};
    std::filesystem::create_directories(roots.devDir);
    auto plugIn = [&roots](const std::string& name, const PtyPair& pty) {
        std::filesystem::create_directories(roots.sysClassTty / name);
        std::filesystem::create_symlink(pty.slavePath(), roots.devDir / name);
    };
    auto unplug = [&roots](const std::string& name) {
        std::filesystem::remove_all(roots.sysClassTty / name);
        std::filesystem::remove(roots.devDir / name);
    };
    auto first = std::make_unique<PtyPair>();
    PtyPair second;
    plugIn("ttyUSB0", *first);
    plugIn("ttyUSB1", second);

    PosixSerialPlatform platform(roots);
    TCommPortDriver driver(std::make_unique<ManualPollTimer>(), platform);
    auto& timer = static_cast<ManualPollTimer&>(driver.Timer());
    driver.SetComPort(TComPortNumber::pnCOM1);
    driver.SetReconnectInterval(50);
    std::string received;
    std::vector<PortStatusKind> statuses;
    driver.SetOnReceiveData([&](TCommPortDriver*, const std::uint8_t* data, std::int32_t size) {
        received.append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));
    });
    driver.SetOnStatus([&](TCommPortDriver*, const PortStatus& s) { statuses.push_back(s.kind); });
    ASSERT_TRUE(driver.OpenPort()) << driver.LastOpenError().error.message;

    first.reset();  // unplugged
    unplug("ttyUSB0");
    timer.tick();
    ASSERT_EQ(statuses, std::vector<PortStatusKind>{PortStatusKind::DeviceLost});
    for (int i = 0; i < 5; ++i)
        timer.tick();
    second.send("wrong meter");
    timer.tick();
    EXPECT_TRUE(driver.IsDeviceLost());
    EXPECT_EQ(received, "");

    PtyPair back;  // plugged in again, under its old name
    plugIn("ttyUSB0", back);
    timer.tick();
    ASSERT_EQ(statuses.size(), 2u);
    back.send("right meter");
    timer.tick();
    EXPECT_EQ(received, "right meter");
}

TEST(PosixSerialOpen, FailuresNameTheDeviceAndTheReason)
{
    TempDir dir;
    PosixSerialPlatform platform(PortNameRoots{dir.path(), dir.path() / "sys", dir.path() / "dev"});

    dir.link("COM1", "/dev/pts/does-not-exist");
    OpenError error;
    EXPECT_EQ(platform.open("COM1", error), nullptr);
    EXPECT_EQ(error.code, ENOENT);
    EXPECT_NE(error.message.find("does not exist"), std::string::npos) << error.message;

    const std::filesystem::path plain = dir.path() / "plain-file";
    std::ofstream(plain) << "x";
    dir.link("COM2", plain);
    EXPECT_EQ(platform.open("COM2", error), nullptr);
    EXPECT_EQ(error.code, ENOTTY);
    EXPECT_EQ(error.device, plain.string());

    EXPECT_EQ(platform.open("COM3", error), nullptr);
    EXPECT_NE(error.message.find("no serial device"), std::string::npos) << error.message;

    if (::geteuid() != 0) {  // root may open anything
        PtyPair meter;
        ::chmod(meter.slavePath().c_str(), 0);
        dir.link("COM4", meter.slavePath());
        EXPECT_EQ(platform.open("COM4", error), nullptr);
        EXPECT_EQ(error.code, EACCES);
        EXPECT_NE(error.message.find("dialout"), std::string::npos) << error.message;
    }
}

}  // namespace
}  // namespace tavolo
