// The read handles of both backends keep one contract: a cancel ends a wait at
// once, however long its timeout, and is used up by it; a gone device fails
// with ENODEV after what it had sent is read. The hidraw backend's handle runs
// over a SOCK_SEQPACKET socket pair standing in for the node (one report per
// message, as hidraw gives them); the simulated backend's over its own devices.

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "hid/hidapi/hidraw_read_handle.h"
#include "hid/sim/sim_hid_platform.h"

namespace tavolo::test {
namespace {

using Status = HidReadOutcome::Status;

// Longer than any read in these tests can take unless something is wrong.
constexpr int kLongTimeoutMs = 10000;

// A read handle and the device end that feeds it.
struct ReadEnd {
    std::unique_ptr<HidHandle> handle;
    std::function<void(const std::vector<std::uint8_t>&)> send;
    std::function<void()> unplug;
    std::shared_ptr<void> keep;  // what the ends need to stay alive
};

struct Socket {
    int peer = -1;
    ~Socket()
    {
        if (peer >= 0)
            ::close(peer);
    }
};

ReadEnd hidrawEnd(bool numberedReports)
{
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds) != 0)
        return {};
    auto socket = std::make_shared<Socket>();
    socket->peer = fds[1];
    std::uint32_t error = 0;
    ReadEnd end;
    end.handle = HidrawReadHandle::adopt(fds[0], numberedReports, HidCaps{0, 0, 11, 0, 10}, 7, error);
    end.send = [socket](const std::vector<std::uint8_t>& report) {
        ASSERT_EQ(::send(socket->peer, report.data(), report.size(), 0), static_cast<ssize_t>(report.size()));
    };
    end.unplug = [socket] {
        ::close(socket->peer);
        socket->peer = -1;
    };
    end.keep = socket;
    return end;
}

ReadEnd simEnd()
{
    auto sim = std::make_shared<SimHidPlatform>();
    const std::string path = sim->addDevice(SimHidPlatform::bridgeSpec());
    std::uint32_t error = 0;
    ReadEnd end;
    end.handle = sim->open(path, HidAccess::Read, error);
    end.send = [sim, path](const std::vector<std::uint8_t>& report) { sim->queueReport(path, report); };
    end.unplug = [sim, path] { sim->removeDevice(path); };
    end.keep = sim;
    return end;
}

class ReadHandleContract : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        end = std::string(GetParam()) == "hidraw" ? hidrawEnd(true) : simEnd();
        ASSERT_NE(end.handle, nullptr);
    }

    HidReadOutcome read(int timeoutMs)
    {
        buffer.assign(11, 0xEE);
        return end.handle->read(buffer, timeoutMs);
    }

    ReadEnd end;
    std::vector<std::uint8_t> buffer;
};

TEST_P(ReadHandleContract, ACancelEndsALongWaitAndIsUsedUp)
{
    HidReadOutcome outcome;
    std::thread reader([&] { outcome = read(kLongTimeoutMs); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // most likely waiting by now; either way it must end
    end.handle->cancelRead();
    reader.join();
    EXPECT_EQ(outcome.status, Status::Cancelled) << "the wait ran to its timeout";
    EXPECT_EQ(read(0).status, Status::Timeout) << "one cancel ends one wait";
}

TEST_P(ReadHandleContract, ACancelBeforeTheReadEndsItAndTheReportWaitsForTheNext)
{
    end.send({0, 1, 2, 3});
    end.handle->cancelRead();
    EXPECT_EQ(read(kLongTimeoutMs).status, Status::Cancelled);
    const HidReadOutcome outcome = read(kLongTimeoutMs);
    ASSERT_EQ(outcome.status, Status::Report);
    ASSERT_EQ(outcome.bytes, 4u);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + 4), (std::vector<std::uint8_t>{0, 1, 2, 3}));
}

TEST_P(ReadHandleContract, AGoneDeviceFailsWithENODEV)
{
    end.unplug();
    const HidReadOutcome outcome = read(kLongTimeoutMs);
    EXPECT_EQ(outcome.status, Status::Failed);
    EXPECT_EQ(outcome.error, static_cast<std::uint32_t>(ENODEV));
    EXPECT_EQ(read(0).status, Status::Failed) << "and goes on failing";
}

TEST_P(ReadHandleContract, NothingSentTimesOut)
{
    EXPECT_EQ(read(10).status, Status::Timeout);
}

INSTANTIATE_TEST_SUITE_P(Backends, ReadHandleContract, ::testing::Values("hidraw", "sim"),
                         [](const auto& backend) { return std::string(backend.param); });

// What hidraw itself decides: reports of devices without IDs get a 0 in front,
// a report longer than the buffer is cut, and reports that came before the
// device went are still read.
struct HidrawCase {
    const char* name;
    bool numbered;
    std::vector<std::uint8_t> sent;
    std::vector<std::uint8_t> seen;  // with a buffer of 11 bytes
};

TEST(HidrawReadHandleTest, ReportsAsTheProgramSeesThem)
{
    const HidrawCase cases[] = {
        {"unnumbered", false, {0x02, 0x31, 0x32}, {0x00, 0x02, 0x31, 0x32}},
        {"numbered", true, {0x05, 0x02, 0x31, 0x32}, {0x05, 0x02, 0x31, 0x32}},
        {"unnumbered, longer than the buffer",
         false,
         std::vector<std::uint8_t>(20, 0x07),
         {0x00, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7}},
    };
    for (const HidrawCase& c : cases) {
        ReadEnd end = hidrawEnd(c.numbered);
        ASSERT_NE(end.handle, nullptr);
        EXPECT_EQ(end.handle->deviceInstance(), 7u);
        end.send(c.sent);
        std::vector<std::uint8_t> buffer(11, 0xEE);
        const HidReadOutcome outcome = end.handle->read(buffer, kLongTimeoutMs);
        ASSERT_EQ(outcome.status, Status::Report) << c.name;
        EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + static_cast<long>(outcome.bytes)),
                  c.seen)
            << c.name;
    }
}

TEST(HidrawReadHandleTest, ReportsSentBeforeTheDeviceWentAreStillRead)
{
    ReadEnd end = hidrawEnd(true);
    ASSERT_NE(end.handle, nullptr);
    end.send({0, 9});
    end.unplug();
    std::vector<std::uint8_t> buffer(11);
    EXPECT_EQ(end.handle->read(buffer, kLongTimeoutMs).status, Status::Report);
    const HidReadOutcome gone = end.handle->read(buffer, kLongTimeoutMs);
    EXPECT_EQ(gone.status, Status::Failed);
    EXPECT_EQ(gone.error, static_cast<std::uint32_t>(ENODEV));
}

}  // namespace
}  // namespace tavolo::test
