// Cost of one polling tick of the serial driver on a pseudo-terminal: the read
// must return at once (no blocking), deliver in place, and allocate nothing.

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "serial/comm_port_driver.h"
#include "serial/posix/posix_serial_platform.h"

namespace {

std::atomic<long> g_allocations{0};

}  // namespace

// Counting replacements of the global allocation functions; GCC cannot see that
// they pair up and warns about malloc/free behind new/delete.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

using namespace tavolo;

// A pseudo-terminal linked as COM1 in a private folder, and the driver on it.
struct Line {
    Line()
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        ::grantpt(master);
        ::unlockpt(master);
        slave = ::ptsname(master);
        char pattern[] = "/tmp/tavolo-bench-XXXXXX";
        dir = ::mkdtemp(pattern);
        std::filesystem::create_symlink(slave, dir / "COM1");
        platform = std::make_unique<PosixSerialPlatform>(PortNameRoots{dir, dir / "none", dir / "none"});
        driver = std::make_unique<TCommPortDriver>(std::make_unique<ManualPollTimer>(), *platform);
        driver->SetComPort(TComPortNumber::pnCOM1);
        driver->SetOnReceiveData([this](TCommPortDriver*, const std::uint8_t* data, std::int32_t size) {
            received += static_cast<std::size_t>(size);
            benchmark::DoNotOptimize(data);
        });
        if (!driver->OpenPort())
            std::abort();
    }
    ~Line()
    {
        driver.reset();
        ::close(master);
        std::filesystem::remove_all(dir);
    }

    int master = -1;
    std::string slave;
    std::filesystem::path dir;
    std::unique_ptr<PosixSerialPlatform> platform;
    std::unique_ptr<TCommPortDriver> driver;
    std::size_t received = 0;
};

// A tick on a quiet line: one non-blocking read that finds nothing.
void BM_PollQuietLine(benchmark::State& state)
{
    Line line;
    const long before = g_allocations.load();
    for (auto _ : state)
        line.driver->PollPort();
    state.counters["allocs/tick"] =
        benchmark::Counter(static_cast<double>(g_allocations.load() - before), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_PollQuietLine);

// A tick that finds `range(0)` bytes: 96 is the most 50 ms at 19200 bit/s can
// bring; 2048 a full buffer after a long stall. Includes writing them.
void BM_PollChunk(benchmark::State& state)
{
    Line line;
    const std::string chunk(static_cast<std::size_t>(state.range(0)), '5');
    const long before = g_allocations.load();
    for (auto _ : state) {
        if (::write(line.master, chunk.data(), chunk.size()) != static_cast<ssize_t>(chunk.size()))
            state.SkipWithError("short write");
        ::tcdrain(line.master);
        std::size_t got = line.received;
        line.driver->PollPort();
        while (line.received - got < chunk.size()) {  // the terminal may hand it over in parts
            got = line.received;
            line.driver->PollPort();
            if (line.received == got)
                ::usleep(10);
        }
        line.received = 0;
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
    state.counters["allocs/tick"] =
        benchmark::Counter(static_cast<double>(g_allocations.load() - before), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_PollChunk)->Arg(14)->Arg(96)->Arg(2048);

}  // namespace

BENCHMARK_MAIN();
