// How fast reports travel from a reader thread to the GUI thread, how soon a
// waiting reader stops whatever its poll interval, what the bridge's report
// handling costs per report, and that its logs stay bounded.

#include <benchmark/benchmark.h>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "hid/hid_device_controller.h"
#include "hid/hidapi/hidraw_read_handle.h"
#include "hid/sim/sim_hid_platform.h"
#include "hid/usb_bridge_link.h"

namespace tavolo {
namespace {

// Reports read by a reader thread and served one at a time on this thread.
void BM_ReaderHandOver(benchmark::State& state)
{
    const int batch = static_cast<int>(state.range(0));
    auto sim = std::make_shared<SimHidPlatform>();
    const std::string path = sim->addDevice(SimHidPlatform::bridgeSpec());
    ManualHidDispatcher gui;
    TJvHidDeviceController controller(sim, &gui);
    TJvHidDevice* device = nullptr;
    controller.ClaimByIndex(0, device);
    long served = 0;
    device->SetReportHandler(
        [&](TJvHidDevice&, std::uint8_t, const std::uint8_t*, std::uint16_t) { ++served; });
    const std::vector<std::uint8_t> report(11, 0x31);
    for (auto _ : state) {
        const long target = served + batch;
        for (int i = 0; i < batch; ++i)
            sim->queueReport(path, report);
        while (served < target)
            gui.waitAndPump(std::chrono::milliseconds(1));
    }
    state.SetItemsProcessed(served);
    TJvHidDevice::ReleaseDevice(device);
}
BENCHMARK(BM_ReaderHandOver)->Arg(1)->Arg(100)->UseRealTime()->Unit(benchmark::kMicrosecond);

// Starting and stopping a reader, as a USB button click does.
void BM_StartStopReader(benchmark::State& state)
{
    auto sim = std::make_shared<SimHidPlatform>();
    sim->addDevice(SimHidPlatform::bridgeSpec());
    ManualHidDispatcher gui;
    TJvHidDeviceController controller(sim, &gui);
    TJvHidDevice* device = nullptr;
    controller.ClaimByIndex(0, device);
    const TJvHidDataEvent handler = [](TJvHidDevice&, std::uint8_t, const std::uint8_t*, std::uint16_t) {};
    for (auto _ : state) {
        device->SetReportHandler(handler);
        device->SetReportHandler(nullptr);
    }
    TJvHidDevice::ReleaseDevice(device);
}
BENCHMARK(BM_StartStopReader)->UseRealTime()->Unit(benchmark::kMicrosecond);

using Clock = std::chrono::steady_clock;

double secondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

// The hidraw backend's wait and cancel: a read waits on a SOCK_SEQPACKET socket
// pair standing in for the node (hidraw gives one report per read, as a packet
// socket does), its timeout the reader's poll interval. Measured: from
// cancelRead() until read() has returned. "worst_ms" is the slowest of the run.
void BM_HidrawCancelLatency(benchmark::State& state)
{
    const int pollMs = static_cast<int>(state.range(0));
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds) != 0) {
        state.SkipWithError("no socket pair");
        return;
    }
    std::uint32_t error = 0;
    auto handle = HidrawReadHandle::adopt(fds[0], true, HidCaps{0, 0, 11, 0, 10}, 1, error);
    std::vector<std::uint8_t> buffer(11);
    double worst = 0;
    for (auto _ : state) {
        std::atomic<bool> reading{false};
        HidReadOutcome outcome;
        Clock::time_point returned;
        std::thread reader([&] {
            reading = true;
            outcome = handle->read(buffer, pollMs);
            returned = Clock::now();
        });
        while (!reading)
            std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));  // well inside poll() by now
        const Clock::time_point cancelled = Clock::now();
        handle->cancelRead();
        reader.join();
        if (outcome.status != HidReadOutcome::Status::Cancelled) {
            state.SkipWithError("the read was not cancelled");
            break;
        }
        const double seconds = secondsBetween(cancelled, returned);
        state.SetIterationTime(seconds);
        worst = std::max(worst, seconds);
    }
    state.counters["worst_ms"] = worst * 1e3;
    ::close(fds[1]);
}
BENCHMARK(BM_HidrawCancelLatency)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Iterations(300)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// StopReader as USB Disconnect, a device change or quitting call it: a reader
// waiting for a report with a poll interval of `pollMs`, stopped and joined.
// The simulated backend waits in the same primitive as the hidraw one.
void BM_StopWaitingReader(benchmark::State& state)
{
    auto sim = std::make_shared<SimHidPlatform>();
    sim->addDevice(SimHidPlatform::bridgeSpec());
    ManualHidDispatcher gui;
    TJvHidDeviceController controller(sim, &gui);
    TJvHidDevice* device = nullptr;
    controller.ClaimByIndex(0, device);
    device->SetPollInterval(static_cast<int>(state.range(0)));
    const TJvHidDataEvent handler = [](TJvHidDevice&, std::uint8_t, const std::uint8_t*, std::uint16_t) {};
    double worst = 0;
    for (auto _ : state) {
        device->SetReportHandler(handler);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));  // the reader is waiting by now
        const Clock::time_point asked = Clock::now();
        device->SetReportHandler(nullptr);
        const double seconds = secondsBetween(asked, Clock::now());
        state.SetIterationTime(seconds);
        worst = std::max(worst, seconds);
    }
    state.counters["worst_ms"] = worst * 1e3;
    TJvHidDevice::ReleaseDevice(device);
}
BENCHMARK(BM_StopWaitingReader)->Arg(100)->Arg(10000)->Iterations(200)->UseManualTime()->Unit(benchmark::kMicrosecond);

// HidVexaData on the bridge's stream: per frame two data reports and one idle
// report, the frame handed to a decoder that does nothing. The history keeps a
// bounded tail however long this runs.
void BM_VexaReportHandling(benchmark::State& state)
{
    auto sim = std::make_shared<SimHidPlatform>();
    sim->addDevice(SimHidPlatform::bridgeSpec());
    ManualHidDispatcher gui;
    TJvHidDeviceController controller(sim, &gui);
    UsbBridgeLink link(controller);
    long frames = 0;
    link.onDecodeFrame = [&](std::string_view) { ++frames; };
    TJvHidDevice& device = *controller.DeviceList()[0];
    const std::uint8_t first[] = {9, 0x34, 0x30, 0x33, 0x32, 0x31, 0x30, 0x3B, 0x30, 0x30};
    const std::uint8_t second[] = {5, 0x30, 0x3A, 0x30, 0x0D, 0x0A, 0, 0, 0, 0};
    const std::uint8_t idle[10] = {};
    long reports = 0;
    for (auto _ : state) {
        link.HidVexaData(device, 0, first, sizeof first);
        link.HidVexaData(device, 0, second, sizeof second);
        link.HidVexaData(device, 0, idle, sizeof idle);
        reports += 3;
    }
    state.SetItemsProcessed(reports);
    state.counters["frames"] = static_cast<double>(frames);
    state.counters["history_lines"] = static_cast<double>(link.HistoryListBox().size());
    std::size_t bytes = 0;
    const UsbBridgeLink& view = link;
    for (const BoundedLog* log : {&view.HistoryListBox(), &view.Memo1(), &view.Memo2()})
        for (const std::string& line : log->lines())
            bytes += sizeof(std::string) + line.capacity();
    state.counters["log_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_VexaReportHandling)->Unit(benchmark::kNanosecond);

}  // namespace
}  // namespace tavolo
