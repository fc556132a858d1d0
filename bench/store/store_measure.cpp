// Measures the session store where Google Benchmark does not fit:
//   rate     the writer thread's CPU at 137 recorded rows a second (target
//            at most 1 % of a core), the write-ahead log's growth and the
//            session's bytes per row, for --seconds S (default 30);
//   restore  restoring a session of --rows N (default ten million) recorded
//            rows into a meter session (target at most 10 s).
// usage: tavolo_store_measure rate|restore [--seconds S] [--rows N]

#include <sqlite3.h>
#include <stdlib.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "decode/frame_layout.h"
#include "record/meter_session.h"
#include "store/session_restore.h"
#include "store/session_store.h"

namespace fs = std::filesystem;
using namespace tavolo;
using namespace tavolo::store;

namespace {

double seconds(clockid_t clock)
{
    timespec ts {};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

std::vector<std::uint8_t> frame(int n)
{
    std::string digits = std::to_string(n % 100000);
    digits.insert(0, 5 - digits.size(), '0');
    const std::string payload = "4" + digits + "B000A0";
    std::vector<std::uint8_t> bytes{frame::kLineFeed};
    for (char c : payload)
        bytes.push_back(frame::payloadByte(frame::hexDigitValue(c)));
    bytes.push_back(frame::kEndByte);
    return bytes;
}

std::uintmax_t sizeOr0(const fs::path& p)
{
    std::error_code ec;
    const auto n = fs::file_size(p, ec);
    return ec ? 0 : n;
}

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return 0;
}

int measureRate(const fs::path& dir, double runSeconds)
{
    const fs::path file = dir / "rate.tavolo-session";
    MeterSession session;
    session.controls().limitessClick();
    auto store = SessionStore::open(file, session, StoreOptions{});
    const double wall0 = seconds(CLOCK_MONOTONIC);
    const double process0 = seconds(CLOCK_PROCESS_CPUTIME_ID);
    const double main0 = seconds(CLOCK_THREAD_CPUTIME_ID);
    const auto period = std::chrono::nanoseconds(1'000'000'000 / 137);
    auto next = std::chrono::steady_clock::now();
    int n = 0;
    while (seconds(CLOCK_MONOTONIC) - wall0 < runSeconds) {
        const auto bytes = frame(n++);
        session.VexaDATA(bytes.data(), bytes.size());
        next += period;
        std::this_thread::sleep_until(next);
    }
    store->flush();
    const double wall = seconds(CLOCK_MONOTONIC) - wall0;
    const double writer = (seconds(CLOCK_PROCESS_CPUTIME_ID) - process0) - (seconds(CLOCK_THREAD_CPUTIME_ID) - main0);
    const std::size_t rows = session.table().rowCount();
    const std::uintmax_t db = sizeOr0(file), wal = sizeOr0(file.string() + "-wal");
    std::printf("rate: %zu rows in %.1f s (%.1f rows/s)\n", rows, wall, static_cast<double>(rows) / wall);
    std::printf("writer thread CPU: %.3f s = %.2f %% of one core\n", writer, 100.0 * writer / wall);
    std::printf("while recording: file %ju + log %ju bytes = %.0f bytes/row (log grows %.1f MiB/hour)\n", db, wal,
                static_cast<double>(db + wal) / static_cast<double>(rows),
                static_cast<double>(wal) / wall * 3600.0 / 1048576.0);
    store->endNormally();
    const std::uintmax_t ended = sizeOr0(file);
    std::printf("after a clean end: %ju bytes = %.1f bytes/row\n", ended,
                static_cast<double>(ended) / static_cast<double>(rows));
    return 0;
}

// A session of `rows` recorded readings, made directly in SQL (recording
// ten million readings through the decoder would take the run's time).
bool makeSession(const fs::path& file, long rows)
{
    {
        // The layout, facts and one real row through the store itself.
        MeterSession session;
        auto store = SessionStore::open(file, session, StoreOptions{});
        const auto bytes = frame(1);
        session.VexaDATA(bytes.data(), bytes.size());
        if (!store->endNormally())
            return false;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open(file.c_str(), &db) != SQLITE_OK)
        return false;
    const std::string sql =
        "PRAGMA synchronous=OFF; BEGIN;"
        "WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(rows) + ") "
        "INSERT INTO events (kind, table_no, no, time, dc_ac, value, unit, judge, nval, range, row_state, "
        "instant_ms, si_value, si_unit, chart_value) "
        "SELECT 0, 0, i, '12:00:00', 'DC', printf('%05d', i % 100000), 'mV', 'Pass', i % 100000, 'AUTO', 4, "
        "1796000000000 + i * 7, (i % 100000) * 1e-5, 'V', (i % 100000) / 100.0 FROM n;"
        "UPDATE session SET max_records = 2147483647, ended_normally = 0; COMMIT;";
    const bool ok = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

int measureRestore(const fs::path& dir, long rows)
{
    const fs::path file = dir / "restore.tavolo-session";
    const double made0 = seconds(CLOCK_MONOTONIC);
    if (!makeSession(file, rows)) {
        std::fprintf(stderr, "could not make the session\n");
        return 1;
    }
    std::printf("made a session of %ld rows in %.1f s: %ju bytes (%.1f bytes/row)\n", rows,
                seconds(CLOCK_MONOTONIC) - made0, sizeOr0(file),
                static_cast<double>(sizeOr0(file)) / static_cast<double>(rows));
    MeterSession session;
    const long rss0 = residentKiB();
    const double t0 = seconds(CLOCK_MONOTONIC);
    const double cpu0 = seconds(CLOCK_THREAD_CPUTIME_ID);
    const RestoreResult r = restoreSession(file, session);
    const double t = seconds(CLOCK_MONOTONIC) - t0;
    const double cpu = seconds(CLOCK_THREAD_CPUTIME_ID) - cpu0;
    // On a shared machine the CPU time is what a quiet one would take.
    std::printf("restore: %zu rows, %zu chart points, complete %d, %.2f s wall, %.2f s CPU (%.0f ns/row), "
                "resident +%ld MiB\n",
                r.rows, session.chart().pointCount() - 1, r.complete, t, cpu, cpu * 1e9 / static_cast<double>(r.rows),
                (residentKiB() - rss0) / 1024);
    return r.complete && static_cast<long>(r.rows) == rows ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: tavolo_store_measure rate|restore [--seconds S] [--rows N]\n", stderr);
        return 2;
    }
    double runSeconds = 30;
    long rows = 10'000'000;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seconds") == 0)
            runSeconds = std::atof(argv[i + 1]);
        else if (std::strcmp(argv[i], "--rows") == 0)
            rows = std::atol(argv[i + 1]);
    }
    char pattern[] = "/tmp/tavolo-store-measure-XXXXXX";
    const fs::path dir = mkdtemp(pattern);
    const int status = std::strcmp(argv[1], "rate") == 0 ? measureRate(dir, runSeconds) : measureRestore(dir, rows);
    fs::remove_all(dir);
    return status;
}
