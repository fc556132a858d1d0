// The session store against real SQLite files: what a restore brings back,
// continuing a restored session, file loads, locks, damaged files, and copies
// taken while the session is written.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <random>
#include <thread>

#include "files/data_file.h"
#include "store/session_files.h"
#include "store/session_lock.h"
#include "store/session_restore.h"
#include "store/session_store.h"
#include "tests/support/store_test_support.h"

namespace tavolo::store {
namespace {

using test::feed;
using test::payload;
using test::snapshot;
using test::TestSession;

std::unique_ptr<SessionStore> openStore(const std::filesystem::path& file, MeterSession& session,
                                        std::chrono::milliseconds commit = std::chrono::milliseconds(400))
{
    StoreOptions options;
    options.link = "serial";
    options.port = "COM3";
    options.commitInterval = commit;
    return SessionStore::open(file, session, options);
}

// Distinct readings, repeats the filter only charts, a mode change that
// restarts the chart, a clear, pages of readings and a lower record limit.
void recordEverything(MeterSession& s)
{
    for (int i = 0; i < 30; ++i)
        feed(s, payload(1000 + i));
    s.inputs().RepeatSet = false;
    feed(s, payload(2000), 5);  // one row, five chart points
    s.decoder().limits().setMultirange(false);
    feed(s, payload(2000, '1'));  // another range: a new chart
    s.inputs().RepeatSet = true;
    feed(s, payload(2100, '1'), 3);
    ASSERT_TRUE(s.controls().RecordNewClick(true));
    for (int i = 0; i < 230; ++i)
        feed(s, payload(3000 + i, '1'));
    s.controls().N1000001Click();
}

TEST(SessionStore, RestoreBringsBackTableChartAndCountersAndRecordingContinuesInTheSameFile)
{
    test::ScratchDir dir;
    const auto file = dir.path("a.tavolo-session");
    TestSession original;
    {
        auto store = openStore(file, original.session);
        ASSERT_TRUE(store);
        recordEverything(original.session);
        ASSERT_TRUE(store->flush());
        EXPECT_EQ(store->status().health, StoreHealth::Writing);
    }  // the program "stops" without ending the session

    const test::Snapshot expected = snapshot(original.session);
    ASSERT_EQ(expected.rows.size(), 230u);
    ASSERT_EQ(expected.recordCount, 230);
    ASSERT_EQ(expected.maxRecords, 100000);
    TestSession restored;
    const RestoreResult result = restoreSession(file, restored.session);
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(result.complete);
    EXPECT_EQ(result.rows, 230u);
    EXPECT_TRUE(result.message.empty());
    EXPECT_EQ(snapshot(restored.session), expected);
    EXPECT_TRUE(restored.session.controls().isChecked(RecordLimit::N100000));

    // Both go on with the same readings; the continued file restores to the same again.
    // The first reading after a restore is a mode change, as after start-up;
    // with "Continue Record" on (the default) the chart goes on.
    restored.nextInstant = original.nextInstant;
    original.session.decoder().limits().setMultirange(true);
    {
        auto store = openStore(file, restored.session);
        ASSERT_TRUE(store);
        for (TestSession* t : {&original, &restored}) {
            t->session.chartPanel().seedPlaceholder(99);
            t->session.inputs().RepeatSet = false;
            feed(t->session, payload(4000, '1'), 3);
            feed(t->session, payload(4001, '1'));
            feed(t->session, payload(4002, '4'));
        }
        ASSERT_TRUE(store->endNormally());
        EXPECT_EQ(store->status().health, StoreHealth::Ended);
    }
    EXPECT_EQ(snapshot(restored.session), snapshot(original.session));
    TestSession again;
    ASSERT_TRUE(restoreSession(file, again.session).complete);
    EXPECT_EQ(snapshot(again.session), snapshot(original.session));

    const SessionInfo info = readSessionInfo(file);
    EXPECT_TRUE(info.endedNormally);
    EXPECT_EQ(info.rows, 233);
    EXPECT_EQ(info.link, "serial");
    EXPECT_EQ(info.port, "COM3");
    EXPECT_FALSE(std::filesystem::exists(file.string() + "-wal")) << "a clean end folds the log into the file";
}

TEST(SessionStore, ClearAndFileLoadsAreMirroredWithRowStatesAndChangeRecord)
{
    test::ScratchDir dir;
    const auto file = dir.path("b.tavolo-session");
    // A tab-separated file to append and an XML packet to replace the table.
    TestSession other;
    for (int i = 0; i < 4; ++i)
        feed(other.session, payload(500 + i));
    ASSERT_TRUE(saveDataFile(other.session.table(), dir.path("four.txt").string()).ok);
    ASSERT_TRUE(saveDataFile(other.session.table(), dir.path("four.xml").string()).ok);

    TestSession original;
    auto store = openStore(file, original.session);
    feed(original.session, payload(1));
    feed(original.session, payload(2));
    ASSERT_TRUE(DataFileReader(dir.path("four.txt").string(), original.session.table()).ok);
    feed(original.session, payload(3));
    ASSERT_TRUE(DataFileReader(dir.path("four.xml").string(), original.session.table()).ok);
    feed(original.session, payload(4));
    ASSERT_TRUE(store->flush());
    const test::Snapshot afterLoads = snapshot(original.session);
    ASSERT_EQ(afterLoads.rows.size(), 5u);

    TestSession restored;
    ASSERT_TRUE(restoreSession(file, restored.session).complete);
    EXPECT_EQ(snapshot(restored.session), afterLoads);
    ReadingTable table;
    ASSERT_TRUE(readSessionTable(file, table).complete);
    EXPECT_EQ(test::rowsOf(table), afterLoads.rows);

    // A clear with no reading after it: empty table, counters from 1, the repeat key kept.
    ASSERT_TRUE(original.session.controls().RecordNewClick(true));
    ASSERT_TRUE(store->flush());
    TestSession cleared;
    ASSERT_TRUE(restoreSession(file, cleared.session).complete);
    EXPECT_TRUE(cleared.session.table().empty());
    EXPECT_EQ(cleared.session.recordRule().state().NextRecordNo, 1);
    EXPECT_EQ(cleared.session.recordRule().state().RecordCount, 0);
    EXPECT_EQ(cleared.session.recordRule().state().LastRecordKey, original.session.recordRule().state().LastRecordKey);
    EXPECT_EQ(cleared.session.chart().pointCount(), 1u);
}

TEST(SessionStore, ASessionFileIsWrittenByOneProgramAtATime)
{
    test::ScratchDir dir;
    const auto file = dir.path("c.tavolo-session");
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Another program: holds the session's lock until told to go.
        SessionLock lock;
        std::string error;
        const char ok = lock.acquire(file.string(), error) == SessionLock::Result::Held ? 'y' : 'n';
        (void)!write(ready[1], &ok, 1);
        char c;
        (void)!read(release[0], &c, 1);
        _exit(0);
    }
    char ok = 0;
    ASSERT_EQ(read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, 'y');

    TestSession t;
    OpenProblem problem = OpenProblem::None;
    EXPECT_EQ(SessionStore::open(file, t.session, StoreOptions{}, &problem), nullptr);
    EXPECT_EQ(problem, OpenProblem::InUse);
    EXPECT_TRUE(SessionLock::inUse(file.string()));

    (void)!write(release[1], "x", 1);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_FALSE(SessionLock::inUse(file.string())) << "the lock goes with the program";
    auto store = SessionStore::open(file, t.session, StoreOptions{}, &problem);
    ASSERT_TRUE(store);
    // Within one program, too, a file is written by one store only.
    TestSession second;
    EXPECT_EQ(SessionStore::open(file, second.session, StoreOptions{}, &problem), nullptr);
    EXPECT_EQ(problem, OpenProblem::InUse);
    for (int fd : {ready[0], ready[1], release[0], release[1]})
        close(fd);
}

TEST(SessionStore, ADamagedFileRestoresTheRowsBeforeTheDamageAndSaysSo)
{
    test::ScratchDir dir;
    const auto file = dir.path("d.tavolo-session");
    TestSession original;
    {
        auto store = openStore(file, original.session);
        original.session.controls().limitessClick();
        for (int i = 0; i < 3000; ++i)
            feed(original.session, payload(i));
        ASSERT_TRUE(store->endNormally());
    }
    const std::vector<std::string> all = test::rowsOf(original.session.table());

    // One page, two thirds into the file, overwritten.
    const auto size = std::filesystem::file_size(file);
    {
        std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(size * 2 / 3 / 1024 * 1024));
        const std::string junk(1024, '\xFF');
        f.write(junk.data(), static_cast<std::streamsize>(junk.size()));
    }
    TestSession restored;
    const RestoreResult result = restoreSession(file, restored.session);
    EXPECT_TRUE(result.ok);
    EXPECT_FALSE(result.complete);
    ASSERT_GT(result.rows, 0u);
    ASSERT_LT(result.rows, 3000u);
    EXPECT_EQ(result.message,
              "Rows 1\xE2\x80\x93" + std::to_string(result.rows) + " restored; the rest of the file is damaged.");
    const std::vector<std::string> got = test::rowsOf(restored.session.table());
    EXPECT_EQ(got, std::vector<std::string>(all.begin(), all.begin() + static_cast<long>(got.size())));
    EXPECT_EQ(restored.session.recordRule().state().NextRecordNo, static_cast<int>(got.size()) + 1);

    // A file that is no session at all: nothing restored, the session as it was.
    const auto junkFile = dir.path("junk.tavolo-session");
    std::ofstream(junkFile) << std::string(5000, 'j');
    TestSession untouched;
    feed(untouched.session, payload(7));
    const RestoreResult none = restoreSession(junkFile, untouched.session);
    EXPECT_FALSE(none.ok);
    EXPECT_NE(none.message.find("could not be restored"), std::string::npos) << none.message;
    EXPECT_EQ(untouched.session.table().rowCount(), 1u);
    EXPECT_FALSE(readSessionInfo(junkFile).readable);
}

TEST(SessionStore, CopiesTakenWhileTheSessionIsWrittenOpenAndHoldAPrefix)
{
    test::ScratchDir dir;
    const auto file = dir.path("e.tavolo-session");
    TestSession t;
    auto store = openStore(file, t.session, std::chrono::milliseconds(3));
    t.session.controls().limitessClick();

    std::atomic<bool> done{false};
    std::atomic<int> copies{0};
    std::thread copier([&] {
        std::mt19937 random(12345);
        while (!done.load()) {
            const auto target = dir.path("copy" + std::to_string(copies.load()));
            std::filesystem::create_directory(target);
            std::error_code ec;
            // As a backup tool would: the file, then its log.
            std::filesystem::copy_file(file, target / "s.tavolo-session", ec);
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 2000));
            std::filesystem::copy_file(file.string() + "-wal", target / "s.tavolo-session-wal", ec);
            copies.fetch_add(1);
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 5000));
        }
    });
    for (int i = 0; i < 4000; ++i) {
        feed(t.session, payload(i));
        if (i % 1000 == 999) {
            ASSERT_TRUE(t.session.controls().RecordNewClick(true));
        }
        if (i % 20 == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(store->flush());
    done = true;
    copier.join();
    ASSERT_GT(copies.load(), 20);

    // Each copy: a table the session had at some moment (a prefix of one of its tables).
    std::size_t nonEmpty = 0;
    for (int c = 0; c < copies.load(); ++c) {
        SCOPED_TRACE("copy " + std::to_string(c));
        const auto copy = dir.path("copy" + std::to_string(c)) / "s.tavolo-session";
        ReadingTable table;
        const RestoreResult r = readSessionTable(copy, table);
        // The file has its layout from the moment it has its name.
        ASSERT_TRUE(r.ok) << r.message;
        ASSERT_TRUE(r.complete) << r.message;
        const std::vector<std::string> rows = test::rowsOf(table);
        for (std::size_t i = 0; i < rows.size(); ++i)
            ASSERT_EQ(rows[i].substr(0, rows[i].find('|')), std::to_string(i + 1)) << "rows numbered without gaps";
        nonEmpty += !rows.empty();
    }
    EXPECT_GT(nonEmpty, 5u);
}

TEST(SessionFiles, ListingAndTheUnfinishedSessionToOffer)
{
    test::ScratchDir dir;
    std::int64_t clock = 1'796'000'000'000;
    const auto make = [&](const std::string& name, int rows, bool end) {
        TestSession t;
        StoreOptions options;
        options.clock = [&clock] { return clock += 1000; };
        auto store = SessionStore::open(dir.path(name), t.session, options);
        for (int i = 0; i < rows; ++i)
            feed(t.session, payload(i));
        if (end)
            EXPECT_TRUE(store->endNormally());
        else
            EXPECT_TRUE(store->flush());
    };
    make("1.tavolo-session", 3, false);  // unfinished, with rows
    make("2.tavolo-session", 0, false);  // unfinished, empty
    std::ofstream(dir.path("notes.txt")) << "not a session";

    std::vector<SessionInfo> list = listSessions(dir.dir());
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].path.filename(), "1.tavolo-session");
    EXPECT_EQ(list[0].rows, 3);
    EXPECT_FALSE(list[0].endedNormally);
    EXPECT_EQ(list[0].firstInstantMs, 1'796'000'000'007);
    EXPECT_EQ(list[0].lastInstantMs, 1'796'000'000'021);
    EXPECT_GT(list[0].sizeBytes, 0u);
    auto offer = findUnfinishedSession(dir.dir());
    ASSERT_TRUE(offer);
    EXPECT_EQ(offer->path.filename(), "1.tavolo-session") << "the empty one is passed over";
    EXPECT_FALSE(findUnfinishedSession(dir.dir(), dir.path("1.tavolo-session")));

    make("3.tavolo-session", 2, true);  // a later session ended normally: nothing to offer
    EXPECT_FALSE(findUnfinishedSession(dir.dir()));
    list = listSessions(dir.dir());
    ASSERT_EQ(list.size(), 3u);
    EXPECT_TRUE(list[2].endedNormally);
    EXPECT_GT(list[2].endedMs.value_or(0), *list[2].startedMs);

    EXPECT_EQ(newSessionPath(dir.dir(), 0).extension(), ".tavolo-session");
    EXPECT_TRUE(listSessions(dir.path("missing")).empty());
}

}  // namespace
}  // namespace tavolo::store
