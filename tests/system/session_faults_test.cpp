// The session store when the disk is at fault: full, read-only, the folder
// missing. Recording goes on in memory with one note for the status line, and
// the session catches up once the disk can be written again; nothing already
// stored is lost.

#include <gtest/gtest.h>

#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/support/private_mount.h"
#include "store/session_restore.h"
#include "store/session_store.h"
#include "tests/support/store_test_support.h"

namespace tavolo::store {
namespace {

using namespace std::chrono_literals;

#define SKIP_WITHOUT(fs)                                                   \
    do {                                                                   \
        if (!(fs).available())                                             \
            GTEST_SKIP() << "no private tmpfs here: " << (fs).reason();    \
    } while (0)

// The notes a status line would show, in order.
struct Notes {
    std::mutex mutex;
    std::vector<StoreStatus> seen;
    void operator()(const StoreStatus& s)
    {
        std::lock_guard lock(mutex);
        seen.push_back(s);
    }
    std::vector<StoreStatus> all()
    {
        std::lock_guard lock(mutex);
        return seen;
    }
};

StoreOptions fastOptions(Notes& notes)
{
    StoreOptions o;
    o.commitInterval = 20ms;
    o.retryInterval = 100ms;
    o.onStatus = [&notes](const StoreStatus& s) { notes(s); };
    return o;
}

bool waitFor(SessionStore& store, StoreHealth health)
{
    for (int i = 0; i < 300; ++i) {
        if (store.status().health == health)
            return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

void expectRestoresTo(const std::filesystem::path& file, MeterSession& original)
{
    test::TestSession restored;
    const RestoreResult r = restoreSession(file, restored.session);
    ASSERT_TRUE(r.complete) << r.message;
    EXPECT_EQ(test::snapshot(restored.session), test::snapshot(original));
}

TEST(SessionFaults, FullDiskKeepsReadingsInMemoryAndCatchesUpWhenThereIsRoom)
{
    test::PrivateTmpfs fs("size=1m");
    SKIP_WITHOUT(fs);
    const std::filesystem::path file = fs.path("sessions/full.tavolo-session");
    Notes notes;
    test::TestSession t;
    t.session.controls().limitessClick();
    auto store = SessionStore::open(file, t.session, fastOptions(notes));
    for (int i = 0; i < 200; ++i)
        test::feed(t.session, test::payload(i));
    ASSERT_TRUE(store->flush());
    const auto stored = test::rowsOf(t.session.table());

    // Fill the disk, then record on until the store falls behind.
    {
        std::ofstream filler(fs.path("filler"), std::ios::binary);
        const std::string block(4096, 'x');
        while (filler.write(block.data(), static_cast<std::streamsize>(block.size())) && filler.flush()) {
        }
    }
    for (int i = 200; i < 3000 && store->status().health != StoreHealth::Behind; ++i) {
        test::feed(t.session, test::payload(i));
        if (i % 50 == 0)
            std::this_thread::sleep_for(30ms);
    }
    ASSERT_TRUE(waitFor(*store, StoreHealth::Behind));
    EXPECT_NE(store->status().note.find("the disk is full"), std::string::npos) << store->status().note;
    EXPECT_NE(store->status().note.find("kept in memory"), std::string::npos);
    for (int i = 3000; i < 3500; ++i)  // more readings while the disk is full: no note each
        test::feed(t.session, test::payload(i));
    std::this_thread::sleep_for(400ms);  // several retries
    EXPECT_LE(notes.all().size(), 3u) << "a note per attempt or per reading";

    // What was on disk before is still there, and readable.
    {
        ReadingTable onDisk;
        ASSERT_TRUE(readSessionTable(file, onDisk).complete);
        ASSERT_GE(onDisk.rowCount(), stored.size());
        const auto rows = test::rowsOf(onDisk);
        EXPECT_EQ(std::vector<std::string>(rows.begin(), rows.begin() + static_cast<long>(stored.size())), stored);
    }

    std::filesystem::remove(fs.path("filler"));
    ASSERT_TRUE(store->flush(5s));
    EXPECT_EQ(store->status().health, StoreHealth::Writing);
    EXPECT_TRUE(store->status().note.empty());
    EXPECT_EQ(notes.all().back().health, StoreHealth::Writing);
    expectRestoresTo(file, t.session);
    ASSERT_TRUE(store->endNormally());
}

TEST(SessionFaults, ReadOnlyDiskAndMissingFolderWaitUntilTheyCanBeWritten)
{
    test::PrivateTmpfs fs("size=4m");
    SKIP_WITHOUT(fs);
    ASSERT_TRUE(fs.remountReadOnly());
    // A session in a read-only folder, and one in a folder that is not there
    // and cannot be made yet: both refuse nothing and wait in memory.
    const std::filesystem::path file = fs.path("ro.tavolo-session");
    const std::filesystem::path later = fs.path("new/folder/later.tavolo-session");
    Notes notes, laterNotes;
    test::TestSession t, u;
    auto store = SessionStore::open(file, t.session, fastOptions(notes));
    auto laterStore = SessionStore::open(later, u.session, fastOptions(laterNotes));
    ASSERT_TRUE(store);
    ASSERT_TRUE(laterStore);
    for (int i = 0; i < 300; ++i) {
        test::feed(t.session, test::payload(i));
        test::feed(u.session, test::payload(i + 7));
    }
    ASSERT_TRUE(waitFor(*store, StoreHealth::Behind));
    ASSERT_TRUE(waitFor(*laterStore, StoreHealth::Behind));
    EXPECT_NE(store->status().note.find("Read-only file system"), std::string::npos) << store->status().note;
    EXPECT_NE(laterStore->status().note.find("Read-only file system"), std::string::npos)
        << laterStore->status().note;
    EXPECT_FALSE(store->flush(200ms));
    EXPECT_EQ(notes.all().size(), 1u) << "one note, not one per retry";

    ASSERT_TRUE(fs.remountReadWrite());
    ASSERT_TRUE(store->flush(5s));
    ASSERT_TRUE(laterStore->flush(5s));
    expectRestoresTo(file, t.session);
    expectRestoresTo(later, u.session);
    EXPECT_TRUE(store->endNormally());
    EXPECT_TRUE(laterStore->endNormally());
}

}  // namespace
}  // namespace tavolo::store
