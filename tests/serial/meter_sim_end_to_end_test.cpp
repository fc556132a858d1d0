#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "decode/meter_decoder.h"
#include "tests/support/fake_sysfs.h"
#include "tests/support/pty_fixture.h"
#include "serial/comm_port_driver.h"
#include "serial/posix/posix_serial_platform.h"

extern char** environ;

namespace tavolo {
namespace {

using namespace std::chrono_literals;
using test::FakeSysfs;
using test::TempDir;
using test::UsbAdapter;

// tavolo-meter-sim as a child process, its standard output collected.
class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> args)
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        args.insert(args.begin(), TAVOLO_METER_SIM);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, TAVOLO_METER_SIM, &actions, nullptr, argv.data(), environ) != 0)
            throw std::runtime_error("cannot start the simulator");
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        m_out = fds[0];
        ::fcntl(m_out, F_SETFL, O_NONBLOCK);
    }
    ~SimProcess()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        ::close(m_out);
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // True while it runs; collects its output either way.
    bool running()
    {
        drain();
        if (m_pid <= 0)
            return false;
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = 0;
            m_status = status;
            drain();
            return false;
        }
        return true;
    }

    void signal(int sig) { ::kill(m_pid, sig); }
    int exitStatus() const { return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1; }
    const std::string& output() const { return m_text; }

private:
    void drain()
    {
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(m_out, buffer, sizeof buffer)) > 0)
            m_text.append(buffer, static_cast<std::size_t>(n));
    }

    pid_t m_pid = 0;
    int m_status = 0;
    int m_out = -1;
    std::string m_text;
};

// "value<TAB>unit<TAB>mode<TAB>range" of each reading the simulator printed.
std::vector<std::string> printedReadings(const std::string& output)
{
    std::vector<std::string> readings;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> fields;
        std::istringstream parts(line);
        std::string field;
        while (std::getline(parts, field, '\t'))
            fields.push_back(field);
        if (fields.size() == 6)
            readings.push_back(fields[1] + '\t' + fields[2] + '\t' + fields[3] + '\t' + fields[4]);
    }
    return readings;
}

class DecodedReadings : public DecoderHost {
public:
    void recordReading(const Reading& r) override
    {
        texts.push_back(r.valueText + '\t' + r.unitText + '\t' + r.acDcText + '\t' + r.rangeText);
    }
    std::vector<std::string> texts;
};

// The readings decoded while the driver is open must be exactly the ones the
// simulator printed, in order, with no gaps: the driver may join late (what was
// sent before it opened is purged), but loses and invents nothing after. A
// steady meter repeats readings, so the run is placed where all of it fits.
void expectSameRun(const std::vector<std::string>& decoded, const std::vector<std::string>& printed,
                   std::size_t& position)
{
    ASSERT_FALSE(decoded.empty());
    ASSERT_LE(decoded.size(), printed.size() - std::min(position, printed.size())) << "more decoded than sent";
    std::size_t start = position;
    while (start + decoded.size() <= printed.size() &&
           !std::equal(decoded.begin(), decoded.end(), printed.begin() + static_cast<std::ptrdiff_t>(start)))
        ++start;
    if (start + decoded.size() > printed.size()) {
        // Show where the best placement of the first reading goes wrong.
        start = position;
        while (start < printed.size() && printed[start] != decoded[0])
            ++start;
        ASSERT_LT(start, printed.size()) << "first decoded reading was never sent: " << decoded[0];
        for (std::size_t i = 0; i < decoded.size(); ++i) {
            ASSERT_LT(start + i, printed.size()) << "reading " << i << " was never sent";
            ASSERT_EQ(decoded[i], printed[start + i]) << "reading " << i;
        }
    }
    position = start + decoded.size();
}

class MeterSimEndToEnd : public ::testing::Test {
protected:
    MeterSimEndToEnd()
        : platform(PortNameRoots{links.path(), links.path() / "no-sys", links.path() / "no-dev",
                                 sys.devChar()}),
          driver(std::make_unique<ManualPollTimer>(), platform), decoder(host),
          timer(static_cast<ManualPollTimer&>(driver.Timer()))
    {
        driver.SetComPort(TComPortNumber::pnCOM1);
        driver.SetComPortSpeed(TComPortBaudRate::br19200);
        driver.SetComPortDataBits(TComPortDataBits::db7BITS);
        driver.SetComPortParity(TComPortParity::ptODD);
        driver.SetReconnectInterval(100);
        driver.SetOnReceiveData([this](TCommPortDriver*, const std::uint8_t* data, std::int32_t size) {
            decoder.VexaDATA(data, static_cast<std::size_t>(size));
        });
        driver.SetOnStatus([this](TCommPortDriver*, const PortStatus& s) { statuses.push_back(s.kind); });
    }

    std::vector<std::string> simArgs(const char* frames, const char* seed) const
    {
        return {"--link-dir", links.path().string(), "--frames", frames, "--rate", "100", "--noise",
                "--seed", seed, "--print"};
    }

    bool waitForLink() const
    {
        for (int i = 0; i < 500; ++i) {
            if (std::filesystem::exists(links.path() / "COM1"))
                return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

    // Polls as the window's timer would (faster, to keep the test short) while
    // the simulator runs, and a little after.
    void pollWhile(SimProcess& sim)
    {
        while (sim.running()) {
            timer.tick();
            std::this_thread::sleep_for(10ms);
        }
        for (int i = 0; i < 5; ++i)
            timer.tick();
    }

    TempDir links;
    FakeSysfs sys{links.path() / "sys"};
    PosixSerialPlatform platform;
    TCommPortDriver driver;
    DecodedReadings host;
    MeterDecoder decoder;
    ManualPollTimer& timer;
    std::vector<PortStatusKind> statuses;
};

TEST_F(MeterSimEndToEnd, DecoderShowsExactlyWhatTheSimulatorMeant)
{
    SimProcess sim(simArgs("200", "4242"));
    ASSERT_TRUE(waitForLink());
    ASSERT_TRUE(driver.OpenPort()) << driver.LastOpenError().error.message;
    pollWhile(sim);
    EXPECT_EQ(sim.exitStatus(), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(links.path() / "COM1")))
        << "the simulator left its link behind";

    const std::vector<std::string> printed = printedReadings(sim.output());
    ASSERT_EQ(printed.size(), 200u);
    std::size_t position = 0;
    expectSameRun(host.texts, printed, position);
    EXPECT_EQ(position, printed.size()) << "readings at the end were lost";
    EXPECT_GE(host.texts.size(), 100u) << "the driver joined very late";
}

// The simulator plays a meter behind a USB adapter that is pulled out and
// plugged in again: the fake /sys lists each of its terminals as that adapter.
TEST_F(MeterSimEndToEnd, RecordingSurvivesTheAdapterBeingPluggedInAgain)
{
    const UsbAdapter adapter{.serial = "METER001"};
    auto plugIn = [&] {
        ASSERT_TRUE(waitForLink());
        sys.usbAdapter(FakeSysfs::numberOf(links.path() / "COM1"), "ttyUSB0", adapter);
    };
    std::size_t position = 0;
    {
        SimProcess first(simArgs("40", "1"));
        plugIn();
        ASSERT_TRUE(driver.OpenPort());
        pollWhile(first);
        expectSameRun(host.texts, printedReadings(first.output()), position);
    }
    timer.tick();
    ASSERT_EQ(statuses, std::vector<PortStatusKind>{PortStatusKind::DeviceLost});
    EXPECT_TRUE(driver.IsPortOpen());

    const std::size_t before = host.texts.size();
    SimProcess second(simArgs("40", "2"));
    plugIn();
    pollWhile(second);
    ASSERT_GE(statuses.size(), 2u);
    EXPECT_EQ(statuses[1], PortStatusKind::DeviceBack);
    const std::vector<std::string> after(host.texts.begin() + static_cast<std::ptrdiff_t>(before), host.texts.end());
    std::size_t secondPosition = 0;
    expectSameRun(after, printedReadings(second.output()), secondPosition);
    EXPECT_EQ(secondPosition, 40u);
}

TEST(MeterSim, RemovesItsLinkWhenStoppedAndRefusesALiveOne)
{
    TempDir links;
    SimProcess sim({"--link-dir", links.path().string()});
    const std::filesystem::path link = links.path() / "COM1";
    for (int i = 0; i < 500 && !std::filesystem::exists(link); ++i)
        std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(std::filesystem::is_symlink(link));

    SimProcess second({"--link-dir", links.path().string()});  // COM1 is taken
    while (second.running())
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(second.exitStatus(), 1);
    EXPECT_TRUE(std::filesystem::is_symlink(link));

    sim.signal(SIGTERM);
    while (sim.running())
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(sim.exitStatus(), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

}  // namespace
}  // namespace tavolo
