// tavolo-cli log --session killed with SIGKILL at random moments while the
// simulated meter sends 137 frames a second. The logger prints each row the
// moment it is recorded (--print-rows); after each kill the session file must
// hold every row printed at least one second before the kill, identical in
// every field and instant, and nothing that was not recorded. Every run
// continues the same session file, so each also restores the one before.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "store/session_restore.h"
#include "tests/support/store_test_support.h"

extern char** environ;

namespace tavolo::store {
namespace {

using Clock = std::chrono::steady_clock;

// The logger's --print-rows line for a table row (without the line end).
std::string printedLine(const ReadingTable& t, std::size_t row)
{
    const auto integer = [&](TableField f) {
        const auto v = t.intValue(row, f);
        return v ? std::to_string(*v) : std::string();
    };
    const auto instant = t.instantMs(row);
    return integer(TableField::No) + '\t' + std::string(t.text(row, TableField::Time)) + '\t' +
           std::string(t.text(row, TableField::DcAc)) + '\t' + std::string(t.text(row, TableField::Value)) + '\t' +
           std::string(t.text(row, TableField::Unit)) + '\t' + std::string(t.text(row, TableField::Auto)) + '\t' +
           integer(TableField::NVal) + '\t' + std::string(rangeModeText(t.range(row))) + '\t' +
           (instant ? std::to_string(*instant) : std::string());
}

pid_t spawn(const std::vector<std::string>& args, int stdoutFd)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdoutFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

struct PrintedRow {
    std::string line;
    Clock::time_point seen;
};

std::int64_t wallMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// The one session file in `folder`, or empty when there is none yet.
std::string onlySession(const std::filesystem::path& folder)
{
    std::vector<std::string> found;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->path().extension() == ".tavolo-session")
            found.push_back(it->path().string());
    EXPECT_LE(found.size(), 1u) << "the recording went on in another session file";
    return found.empty() ? std::string() : found.front();
}

// Kills the recording program `kKills` times; `program(folder)` gives its
// command line, recording COM1 into a session in `folder` with --print-rows lines.
void killAtRandom(const std::function<std::vector<std::string>(const std::string& folder)>& program, int minDelayMs,
                  int maxDelayMs)
{
    test::ScratchDir dir;
    const std::string ports = (dir.dir() / "ports").string();
    std::filesystem::create_directory(ports);
    setenv("TAVOLO_PORT_DIR", ports.c_str(), 1);
    const std::filesystem::path folder = dir.dir() / "sessions";
    std::filesystem::create_directory(folder);

    const unsigned baseSeed = std::random_device{}();
    std::printf("session crash test: base seed %u (TAVOLO_CRASH_SEED to repeat)\n", baseSeed);
    const char* fixed = std::getenv("TAVOLO_CRASH_SEED");
    std::mt19937 random(fixed ? static_cast<unsigned>(std::strtoul(fixed, nullptr, 10)) : baseSeed);

    std::vector<std::string> expected;  // the rows the session holds after the last kill
    constexpr int kKills = 20;
    for (int kill = 0; kill < kKills; ++kill) {
        const unsigned seed = random();
        const int delayMs = minDelayMs + static_cast<int>(random() % static_cast<unsigned>(maxDelayMs - minDelayMs));
        SCOPED_TRACE("kill " + std::to_string(kill) + ", seed " + std::to_string(seed) + ", after " +
                     std::to_string(delayMs) + " ms");

        const pid_t sim = spawn({TAVOLO_METER_SIM, "--port", "COM1", "--rate", "137", "--scenario", "random",
                                 "--seed", std::to_string(seed)},
                                -1);
        ASSERT_GT(sim, 0);
        for (int i = 0; i < 200 && !std::filesystem::is_symlink(ports + "/COM1"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(std::filesystem::is_symlink(ports + "/COM1"));

        int out[2];
        ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
        const pid_t logger = spawn(program(folder.string()), out[1]);
        close(out[1]);
        ASSERT_GT(logger, 0);

        std::vector<PrintedRow> printed;
        std::string pending;
        const auto readAvailable = [&](int timeoutMs, Clock::time_point stamp, bool useNow) {
            pollfd p{out[0], POLLIN, 0};
            if (poll(&p, 1, timeoutMs) <= 0)
                return false;
            char buffer[4096];
            const ssize_t n = read(out[0], buffer, sizeof buffer);
            if (n <= 0)
                return false;
            const Clock::time_point seen = useNow ? Clock::now() : stamp;
            pending.append(buffer, static_cast<std::size_t>(n));
            for (std::size_t nl; (nl = pending.find('\n')) != std::string::npos; pending.erase(0, nl + 1))
                printed.push_back({pending.substr(0, nl), seen});
            return true;
        };
        const Clock::time_point killAt = Clock::now() + std::chrono::milliseconds(delayMs);
        while (Clock::now() < killAt) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(killAt - Clock::now()).count();
            readAvailable(static_cast<int>(std::max<long long>(1, std::min<long long>(left, 20))), {}, true);
        }
        ::kill(logger, SIGKILL);
        const Clock::time_point killed = Clock::now();
        const std::int64_t killedWall = wallMs();
        int status = 0;
        waitpid(logger, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        // Lines still in the pipe were printed before the kill, not a second before.
        while (readAvailable(0, killed, false)) {
        }
        close(out[0]);
        ::kill(sim, SIGTERM);
        waitpid(sim, &status, 0);

        const std::string file = onlySession(folder);
        if (file.empty()) {
            ASSERT_TRUE(expected.empty());
            ASSERT_TRUE(std::none_of(printed.begin(), printed.end(),
                                     [&](const PrintedRow& p) { return killed - p.seen >= std::chrono::seconds(1); }))
                << "rows recorded a second before the kill and no session file";
            continue;
        }
        ReadingTable table;
        const RestoreResult restored = readSessionTable(file, table);
        ASSERT_TRUE(restored.ok) << restored.message;
        ASSERT_TRUE(restored.complete) << restored.message;
        std::vector<std::string> rows;
        for (std::size_t r = 0; r < table.rowCount(); ++r)
            rows.push_back(printedLine(table, r));

        // What the previous run left, untouched, then this run's rows.
        ASSERT_GE(rows.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(rows[i], expected[i]) << "row " << i + 1 << " of an earlier run";
        std::size_t mustHave = 0;
        for (std::size_t i = 0; i < printed.size(); ++i)
            if (killed - printed[i].seen >= std::chrono::seconds(1))
                mustHave = i + 1;
        const std::size_t fresh = rows.size() - expected.size();
        ASSERT_GE(fresh, mustHave) << "rows recorded a second before the kill are missing";
        for (std::size_t i = 0; i < fresh; ++i) {
            const std::string& row = rows[expected.size() + i];
            if (i < printed.size()) {
                ASSERT_EQ(row, printed[i].line) << "row " << expected.size() + i + 1;
                continue;
            }
            // Recorded but killed before it was printed: it must follow on.
            const std::string& before = rows[expected.size() + i - 1];
            ASSERT_EQ(std::stoll(row.substr(0, row.find('\t'))), std::stoll(before.substr(0, before.find('\t'))) + 1);
            const std::int64_t instant = std::stoll(row.substr(row.rfind('\t') + 1));
            ASSERT_GE(instant, std::stoll(before.substr(before.rfind('\t') + 1)));
            ASSERT_LE(instant, killedWall);
        }
        ASSERT_LE(fresh - std::min(fresh, printed.size()), 5u) << "more rows than the logger could have recorded";
        std::printf("kill %d (seed %u, %d ms): %zu printed, %zu needed, %zu in the session\n", kill, seed, delayMs,
                    printed.size(), mustHave, fresh);
        expected = rows;
    }
    ASSERT_GT(expected.size(), 500u);
}

TEST(SessionCrash, LoggerKilledAtRandomKeepsEveryRowRecordedASecondBefore)
{
    killAtRandom(
        [](const std::string& folder) {
            return std::vector<std::string>{TAVOLO_CLI, "log", "--port", "COM1", "--session",
                                            folder + "/run.tavolo-session", "--print-rows"};
        },
        300, 2500);
}

// The window (with the session link as the program wires it) in the same trial:
// each start answers Yes to the restore question and continues the session.
TEST(SessionCrash, WindowKilledAtRandomKeepsEveryRowRecordedASecondBefore)
{
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        GTEST_SKIP() << "no display (run under xvfb-run)";
    killAtRandom(
        [](const std::string& folder) {
            // The window records into $XDG_DATA_HOME/tavolo/sessions: point it at `folder`.
            const std::filesystem::path home = std::filesystem::path(folder) / "xdg";
            std::filesystem::create_directories(home / "tavolo");
            std::error_code ec;
            std::filesystem::create_directory_symlink(folder, home / "tavolo" / "sessions", ec);
            setenv("XDG_DATA_HOME", home.c_str(), 1);
            return std::vector<std::string>{TAVOLO_SESSION_WINDOW};
        },
        1000, 3500);
}

}  // namespace
}  // namespace tavolo::store
