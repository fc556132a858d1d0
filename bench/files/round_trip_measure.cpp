// One round trip of a large table through both formats, for time and peak
// memory: run under /usr/bin/time -v.
//   tavolo_files_round_trip [ROWS] [FOLDER]   (defaults: 10000000, /tmp)
#include <chrono>
#include <cstdio>
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
    start = Clock::now();
    ok &= TabDataWriter(table, tabPath).ok;
    std::printf("tab-separated save: %.2f s\n", secondsSince(start));
    start = Clock::now();
    ok &= SaveTableXml(table, xmlPath).ok;
    std::printf("XML save: %.2f s\n", secondsSince(start));
    table.clear();

    start = Clock::now();
    ReadingTable fromTab;
    ok &= loadTabData(tabPath, fromTab).ok && fromTab.rowCount() == rows;
    std::printf("tab-separated load: %.2f s\n", secondsSince(start));
    fromTab.clear();

    start = Clock::now();
    ReadingTable fromXml;
    ok &= LoadTableXml(xmlPath, fromXml).ok && fromXml.rowCount() == rows;
    std::printf("XML load: %.2f s (change record %zu entries)\n", secondsSince(start), fromXml.changeLogSize());

    std::remove(tabPath.c_str());
    std::remove(xmlPath.c_str());
    std::puts(ok ? "round trip ok" : "round trip FAILED");
    return ok ? 0 : 1;
}
