// One round trip of a large table through both formats, for time and peak
// memory: run under /usr/bin/time -v.
//   tavolo_files_round_trip [ROWS] [FOLDER]   (defaults: 10000000, /tmp)
#include <chrono>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>

#include "files/tab_data_reader.h"
#include "files/tab_data_writer.h"
#include "files/xml_packet_reader.h"
#include "files/xml_packet_writer.h"
#include "sample_table.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One "Vm...:  N kB" line of /proc/self/status, in MiB (0 when unreadable).
double statusMiB(const char* field)
{
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr)
        return 0;
    const std::size_t length = std::strlen(field);
    char line[256];
    long kib = 0;
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::strncmp(line, field, length) == 0 && line[length] == ':') {
            kib = std::strtol(line + length + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(status);
    return static_cast<double>(kib) / 1024;
}

// Peak resident memory since the last resetPeak() (Linux: VmHWM).
double peakMiB()
{
    return statusMiB("VmHWM");
}

double residentMiB()
{
    return statusMiB("VmRSS");
}

void resetPeak()
{
    if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

// Runs one phase and prints its time and how far it raised resident memory.
template <class Phase>
bool measured(const char* name, Phase phase)
{
    resetPeak();
    const double before = residentMiB();
    const auto start = Clock::now();
    const bool ok = phase();
    std::printf("%-22s %6.2f s   peak %+7.1f MiB over the %.0f MiB before\n", name, secondsSince(start),
                peakMiB() - before, before);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace tavolo;
    const std::size_t rows = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 10'000'000;
    const std::string folder = argc > 2 ? argv[2] : "/tmp";
    const std::string tabPath = folder + "/tavolo-round-trip.xls";
    const std::string xmlPath = folder + "/tavolo-round-trip.xml";

    auto start = Clock::now();
    ReadingTable table = bench::sampleTable(rows);
    std::printf("build %zu rows: %.2f s, table %.0f MiB\n", rows, secondsSince(start),
                static_cast<double>(table.memoryUsage()) / (1 << 20));

    bool ok = true;
    ok &= measured("tab-separated save", [&] { return TabDataWriter(table, tabPath).ok; });
    ok &= measured("XML save", [&] { return SaveTableXml(table, xmlPath).ok; });
    table.clear();
    ReadingTable fromTab;
    ok &= measured("tab-separated load", [&] { return loadTabData(tabPath, fromTab).ok && fromTab.rowCount() == rows; });
    fromTab.clear();
    ReadingTable fromXml;
    ok &= measured("XML load", [&] { return LoadTableXml(xmlPath, fromXml).ok && fromXml.rowCount() == rows; });

    std::remove(tabPath.c_str());
    std::remove(xmlPath.c_str());
    std::puts(ok ? "round trip ok" : "round trip FAILED");
    return ok ? 0 : 1;
}
