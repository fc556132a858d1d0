#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "files/data_file.h"
#include "files/replace_file.h"
#include "files/tab_data_writer.h"
#include "files/xml_packet_writer.h"
#include "tests/support/table_helpers.h"

namespace tavolo {
namespace {

ReadingTable sampleTable(std::size_t rows)
{
    ReadingTable table;
    for (std::size_t i = 0; i < rows; ++i)
        test::appendCells(table, {std::to_string(i + 1), "10:15:07", "DC", "01.234", "V", "Pass", "1234"});
    return table;
}

TEST(SaveDataFile, SuccessMessagesAndNoTemporaryLeft)
{
    test::ScratchFolder folder;
    ReadingTable table = sampleTable(3);
    table.setCurrentRow(0);

    const std::string tabPath = folder.path("run.xls");
    const FileResult tab = saveDataFile(table, tabPath);
    EXPECT_TRUE(tab.ok);
    EXPECT_EQ(tab.message, "save table to specified file: " + tabPath + " Scuss!");
    EXPECT_EQ(table.currentRow(), std::optional<std::size_t>(2));  // the grid is left on the last row

    const FileResult xml = saveDataFile(table, folder.path("run.xml"));
    EXPECT_TRUE(xml.ok);
    EXPECT_EQ(xml.message, "");
    const std::string start = "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET";
    EXPECT_EQ(test::readBytes(folder.path("run.xml")).substr(0, start.size()), start);

    // "data.XML" is tab-separated both ways.
    ASSERT_TRUE(saveDataFile(table, folder.path("data.XML")).ok);
    EXPECT_EQ(test::readBytes(folder.path("data.XML")).substr(0, 3), "No\t");
    ReadingTable reopened;
    ASSERT_TRUE(DataFileReader(folder.path("data.XML"), reopened).ok);
    EXPECT_EQ(reopened.rowCount(), 3u);

    auto names = folder.entries();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"data.XML", "run.xls", "run.xml"}));
}

TEST(SaveDataFile, PathsThatCannotBeCreatedGiveTheMessagesAndWriteNothing)
{
    test::ScratchFolder folder;
    test::writeBytes(folder.path("regular"), "keep");
    ReadingTable table = sampleTable(2);
    struct Case {
        std::string path;
        const char* reason;
    };
    const Case cases[] = {
        {folder.path("regular/x.xls"), "Not a directory"},
        {folder.path("missing/x.xls"), "No such file or directory"},
        {folder.path("regular/x.xml"), "Not a directory"},
        {folder.path("missing/x.xml"), "No such file or directory"},
    };
    for (const Case& c : cases) {
        const FileResult result = saveDataFile(table, c.path);
        EXPECT_FALSE(result.ok) << c.path;
        if (c.path.ends_with(".xml"))
            EXPECT_EQ(result.message, "Cannot create file \"" + c.path + "\". " + c.reason);
        else
            EXPECT_EQ(result.message, "Could not save table to specified file: " + c.path);
    }
    EXPECT_EQ(test::readBytes(folder.path("regular")), "keep");
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"regular"});
}

// Runs `save` with the file size limited to `limit` bytes, so writing fails
// part-way through the way a full disk does.
template <class Save>
FileResult underFileSizeLimit(rlim_t limit, Save save)
{
    struct rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &previous);
    struct rlimit small = old;
    small.rlim_cur = limit;
    ::setrlimit(RLIMIT_FSIZE, &small);
    FileResult result = save();
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::sigaction(SIGXFSZ, &previous, nullptr);
    return result;
}

TEST(SaveDataFile, WriteFailurePartWayLeavesTheOldFileUntouched)
{
    test::ScratchFolder folder;
    ReadingTable table = sampleTable(200000);  // several MiB: fails after the first blocks
    for (const char* name : {"old.xls", "old.xml"}) {
        const std::string path = folder.path(name);
        test::writeBytes(path, "the readings of yesterday");
        ::chmod(path.c_str(), 0640);
        const FileResult result = underFileSizeLimit(3u << 20, [&] { return saveDataFile(table, path); });
        EXPECT_FALSE(result.ok) << name;
        EXPECT_EQ(test::readBytes(path), "the readings of yesterday") << name;
    }
    auto names = folder.entries();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"old.xls", "old.xml"}));
}

TEST(SaveDataFile, ReplacingKeepsPermissionsAndFollowsLinks)
{
    test::ScratchFolder folder;
    const std::string path = folder.path("kept.xls");
    test::writeBytes(path, "old");
    ::chmod(path.c_str(), 0640);
    ASSERT_EQ(::symlink(path.c_str(), folder.path("link.xls").c_str()), 0);
    ReadingTable table = sampleTable(1);

    ASSERT_TRUE(saveDataFile(table, folder.path("link.xls")).ok);
    struct stat info {};
    ASSERT_EQ(::lstat(folder.path("link.xls").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(test::readBytes(path).substr(0, 3), "No\t");
}

TEST(SaveDataFile, FolderAsTargetFails)
{
    test::ScratchFolder folder;
    ReadingTable table = sampleTable(1);
    const std::string path = folder.path("sub.xls");
    ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
    EXPECT_FALSE(saveDataFile(table, path).ok);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"sub.xls"});
}

TEST(DataFileReader, ThreeRowFixtureLoadsAndSavesBackIdentically)
{
    // A file as the program writes it, with the continuity unit quoted.
    const std::string fixture = std::string(TAVOLO_FILES_TEST_DATA) + "/three_rows.xls";
    ReadingTable table;
    const FileResult result = DataFileReader(fixture, table);
    ASSERT_TRUE(result.ok) << result.detail;
    EXPECT_EQ(test::rowsOf(table), (std::vector<test::Cells>{
                                       {"1", "10:15:07", "DC", "01.234", "V", "Pass", "-"},
                                       {"2", "10:15:08", "OHM", "0.0", "&  *", "Pass", "-"},
                                       {"3", "10:15:09", "DC", "01.240", "V", "NULL", "-"},
                                   }));
    test::ScratchFolder folder;
    ASSERT_TRUE(TabDataWriter(table, folder.path("again.xls")).ok);
    EXPECT_EQ(test::readBytes(folder.path("again.xls")), test::readBytes(fixture));
}

}  // namespace
}  // namespace tavolo
