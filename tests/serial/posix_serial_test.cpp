#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/fake_sysfs.h"
#include "tests/support/pty_fixture.h"
#include "serial/comm_port_driver.h"
#include "serial/posix/posix_serial_platform.h"

namespace tavolo {
namespace {

using test::FakeSysfs;
using test::PtyPair;
using test::TempDir;
using test::UsbAdapter;

// Counts the opens of one file, however brief: the kernel reports each one.
class OpenWatch {
public:
    explicit OpenWatch(const std::string& file) : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        if (m_fd < 0 || ::inotify_add_watch(m_fd, file.c_str(), IN_OPEN) < 0)
            throw std::runtime_error("cannot watch " + file);
    }
    ~OpenWatch() { ::close(m_fd); }
    OpenWatch(const OpenWatch&) = delete;
    OpenWatch& operator=(const OpenWatch&) = delete;

    int count() const
    {
        alignas(inotify_event) char buffer[4096];
        for (ssize_t n; (n = ::read(m_fd, buffer, sizeof buffer)) > 0;) {
            for (char* p = buffer; p < buffer + n; p += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(p)->len)
                m_opens += (reinterpret_cast<inotify_event*>(p)->mask & IN_OPEN) != 0;
        }
        return m_opens;
    }

private:
    int m_fd;
    mutable int m_opens = 0;
};

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

// A terminal that vanishes and a link re-pointed at another instrument's line
// meanwhile (as a restarted simulator's new terminal is too): the other line is
// never opened, not even for a moment, and the user hears of it once.
TEST_F(PtyDriverTest, ReconnectNeverOpensTheOtherTerminalTheLinkNowLeadsTo)
{
    driver.SetReconnectInterval(100);
    PtyPair other;
    const OpenWatch opens(other.slavePath());
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

    links.link("COM1", other.slavePath());
    other.send("wrong meter");
    for (int i = 0; i < 20; ++i)
        timer.tick();  // ten reconnect attempts
    EXPECT_EQ(opens.count(), 0);
    EXPECT_TRUE(driver.IsDeviceLost());
    EXPECT_EQ(received, "first");
    ASSERT_EQ(statuses.size(), 2u);
    EXPECT_EQ(statuses[1].kind, PortStatusKind::OtherDevice);
    EXPECT_EQ(statuses[1].device, std::filesystem::canonical(other.slavePath()).string());
}

// The meter's USB adapter is unplugged and plugged in again (pseudo-terminals
// behind a fake /dev and /sys). Whatever COM1 leads to meanwhile is another
// adapter and is never opened; the meter's own adapter is taken back, under its
// old number or, through a by-id link, under a new one.
TEST(PtyUsbAdapters, ReconnectTakesOnlyTheSameAdapter)
{
    enum class Naming { FirstDevice, LinkToTtyUsb0, ByIdLink };
    const struct {
        const char* name;
        Naming naming;
        std::string intruder;     // where another adapter is while ours is away
        bool intruderFromStart;   // already there before ours went away
        std::string returnsAs;    // where ours comes back
    } cases[] = {
        {"COM1 is the first adapter, the second moves up", Naming::FirstDevice, "ttyUSB1", true, "ttyUSB0"},
        {"COM1 links to ttyUSB0, another adapter takes it", Naming::LinkToTtyUsb0, "ttyUSB0", false, "ttyUSB0"},
        {"COM1 is a by-id link, ours returns as ttyUSB2", Naming::ByIdLink, "ttyUSB0", false, "ttyUSB2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir root;
        const PortNameRoots roots{root.path() / "links", root.path() / "class-tty", root.path() / "dev",
                                  root.path() / "sys" / "dev" / "char"};
        const FakeSysfs sys(root.path() / "sys");
        std::filesystem::create_directories(roots.linkDir);
        std::filesystem::create_directories(roots.devDir);
        const UsbAdapter ours{.serial = "METER001"};
        const UsbAdapter theirs{.serial = "ARDUINO7", .usbPath = "1-3"};
        const std::filesystem::path byId = roots.linkDir / "by-id" / "usb-FTDI_METER001-if00-port0";
        auto plugIn = [&](const std::string& name, const PtyPair& pty, const UsbAdapter& adapter) {
            std::filesystem::create_directories(roots.sysClassTty / name);
            std::filesystem::create_symlink(pty.slavePath(), roots.devDir / name);
            sys.usbAdapter(FakeSysfs::numberOf(pty.slavePath()), name, adapter);
            if (&adapter == &ours && c.naming == Naming::ByIdLink) {
                std::filesystem::create_directories(byId.parent_path());
                std::filesystem::create_symlink(roots.devDir / name, byId);
            }
        };
        auto unplug = [&](const std::string& name, std::unique_ptr<PtyPair>& pty) {
            sys.remove(FakeSysfs::numberOf(pty->slavePath()));
            pty.reset();
            std::filesystem::remove_all(roots.sysClassTty / name);
            std::filesystem::remove(roots.devDir / name);
            std::filesystem::remove(byId);
        };

        auto meter = std::make_unique<PtyPair>();
        plugIn("ttyUSB0", *meter, ours);
        std::unique_ptr<PtyPair> intruder;
        std::unique_ptr<OpenWatch> intruderOpens;
        auto intruderArrives = [&] {
            intruder = std::make_unique<PtyPair>();
            intruderOpens = std::make_unique<OpenWatch>(intruder->slavePath());
            plugIn(c.intruder, *intruder, theirs);
        };
        if (c.intruderFromStart)
            intruderArrives();
        if (c.naming == Naming::LinkToTtyUsb0)
            std::filesystem::create_symlink(roots.devDir / "ttyUSB0", roots.linkDir / "COM1");
        if (c.naming == Naming::ByIdLink)
            std::filesystem::create_symlink(byId, roots.linkDir / "COM1");

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

        unplug("ttyUSB0", meter);
        timer.tick();
        ASSERT_EQ(statuses, std::vector<PortStatusKind>{PortStatusKind::DeviceLost});
        if (!c.intruderFromStart)
            intruderArrives();
        intruder->send("wrong meter");
        for (int i = 0; i < 10; ++i)
            timer.tick();
        EXPECT_EQ(intruderOpens->count(), 0);
        EXPECT_TRUE(driver.IsDeviceLost());
        EXPECT_EQ(received, "");
        // Told once when the name leads to the other adapter; a by-id link leads nowhere meanwhile.
        const std::size_t told = c.naming == Naming::ByIdLink ? 0 : 1;
        EXPECT_EQ(std::count(statuses.begin(), statuses.end(), PortStatusKind::OtherDevice), told);

        if (c.returnsAs == c.intruder)
            unplug(c.intruder, intruder);
        PtyPair back;
        plugIn(c.returnsAs, back, ours);
        timer.tick();
        ASSERT_EQ(statuses.back(), PortStatusKind::DeviceBack);
        back.send("right meter");
        timer.tick();
        EXPECT_EQ(received, "right meter");
    }
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
