// Speed of saving and loading the data-file formats at 1,000,000 rows, each
// beside the speed of plainly reading the same file in 1 MiB blocks.
#include <fcntl.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <sys/stat.h>

#include "files/csv_reader.h"
#include "files/csv_writer.h"
#include "files/output_buffer.h"
#include "files/tab_data_reader.h"
#include "files/tab_data_writer.h"
#include "files/xml_packet_reader.h"
#include "files/xml_packet_writer.h"
#include "sample_table.h"

namespace {

using namespace tavolo;

constexpr std::size_t kRows = 1'000'000;

const ReadingTable& table()
{
    static const ReadingTable t = bench::sampleTable(kRows);
    return t;
}

// Recorded rows: instants and range modes, which only CSV writes.
const ReadingTable& liveTable()
{
    static const ReadingTable t = bench::sampleTable(kRows, true);
    return t;
}

void countRows(benchmark::State& state)
{
    state.counters["rows/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kRows,
                                                  benchmark::Counter::kIsRate);
}

std::string benchPath(const char* name)
{
    return std::string("/tmp/tavolo-files-bench-") + name;
}

std::int64_t fileSize(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_size : 0;
}

// Formatting alone, into a fixed buffer that is thrown away.
class DiscardOutput final : public OutputBuffer {
public:
    std::int64_t bytes = 0;

protected:
    bool writeOut(const char*, std::size_t size) override
    {
        bytes += static_cast<std::int64_t>(size);
        return true;
    }
};

template <class Write>
void formatOnly(benchmark::State& state, Write write, const ReadingTable& source = table())
{
    std::int64_t bytes = 0;
    for (auto _ : state) {
        DiscardOutput out;
        write(source, out);
        out.flush();
        bytes += out.bytes;
    }
    state.SetBytesProcessed(bytes);
}

// The full save: temporary file, write, fsync, rename.
template <class Save>
void save(benchmark::State& state, const char* name, Save saveTo, const ReadingTable& source = table())
{
    const std::string path = benchPath(name);
    ReadingTable& t = const_cast<ReadingTable&>(source);
    for (auto _ : state) {
        const FileResult result = saveTo(t, path);
        if (!result.ok)
            state.SkipWithError(result.message.c_str());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * fileSize(path));
}

template <class Load>
void load(benchmark::State& state, const char* name, Load loadFrom)
{
    const std::string path = benchPath(name);
    for (auto _ : state) {
        ReadingTable loaded;
        const FileResult result = loadFrom(path, loaded);
        if (!result.ok || loaded.rowCount() != kRows)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(loaded.rowCount());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * fileSize(path));
}

void plainRead(benchmark::State& state, const char* name)
{
    const std::string path = benchPath(name);
    auto buffer = std::make_unique<char[]>(1 << 20);
    std::int64_t bytes = 0;
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY);
        ssize_t n = 0;
        while ((n = ::read(fd, buffer.get(), 1 << 20)) > 0) {
            benchmark::DoNotOptimize(buffer[0]);
            bytes += n;
        }
        ::close(fd);
    }
    state.SetBytesProcessed(bytes);
}

void BM_TabFormat(benchmark::State& state)
{
    formatOnly(state, writeTabData);
}
void BM_TabSave(benchmark::State& state)
{
    save(state, "tab.xls", [](ReadingTable& t, const std::string& p) { return TabDataWriter(t, p); });
}
void BM_TabLoad(benchmark::State& state)
{
    load(state, "tab.xls", [](const std::string& p, ReadingTable& t) { return loadTabData(p, t); });
}
void BM_TabPlainRead(benchmark::State& state)
{
    plainRead(state, "tab.xls");
}
void BM_XmlFormat(benchmark::State& state)
{
    formatOnly(state, writeXmlPacket);
}
void BM_XmlSave(benchmark::State& state)
{
    save(state, "packet.xml", [](ReadingTable& t, const std::string& p) { return SaveTableXml(t, p); });
}
void BM_XmlLoad(benchmark::State& state)
{
    load(state, "packet.xml", [](const std::string& p, ReadingTable& t) { return LoadTableXml(p, t); });
}
void BM_XmlPlainRead(benchmark::State& state)
{
    plainRead(state, "packet.xml");
}

void BM_CsvFormat(benchmark::State& state)
{
    formatOnly(state, writeCsvData, liveTable());
    countRows(state);
}
void BM_CsvSave(benchmark::State& state)
{
    save(state, "readings.csv", [](ReadingTable& t, const std::string& p) { return saveCsvData(t, p); },
         liveTable());
    countRows(state);
}
void BM_CsvLoad(benchmark::State& state)
{
    load(state, "readings.csv", [](const std::string& p, ReadingTable& t) { return loadCsvData(p, t); });
    countRows(state);
}
void BM_CsvPlainRead(benchmark::State& state)
{
    plainRead(state, "readings.csv");
}

// Save first: the loads and plain reads use the files the saves leave.
BENCHMARK(BM_TabFormat)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TabSave)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TabLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TabPlainRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XmlFormat)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XmlSave)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XmlLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XmlPlainRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CsvFormat)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CsvSave)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CsvLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CsvPlainRead)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
