// Saving and opening data files when the disk or the file is at fault: a
// read-only file system, a full one, and damaged files of both formats. Each
// must end in the user's message while the table and any file already on disk
// stay exactly as they were.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "files/data_file.h"
#include "tests/support/private_mount.h"
#include "tests/support/table_helpers.h"

namespace tavolo {
namespace {

using test::Cells;

ReadingTable sampleTable(std::size_t rows)
{
    ReadingTable table;
    const char* units[] = {"V", "mV", "*", "&  *", "Hz"};
    for (std::size_t i = 0; i < rows; ++i)
        test::appendCells(table, {std::to_string(i + 1), "10:15:07", i % 2 ? "AC" : "DC",
                                  std::to_string(i % 1000) + ".25", units[i % 5], i % 3 ? "Pass" : "Fail",
                                  std::to_string(static_cast<int>(i) * 7 - 500)});
    return table;
}

std::vector<std::string> sortedEntries(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

#define SKIP_WITHOUT(fs)                                                   \
    do {                                                                   \
        if (!(fs).available())                                             \
            GTEST_SKIP() << "no private tmpfs here: " << (fs).reason();    \
    } while (0)

// Both formats, to a new name and over an existing file of each kind.
const char* const kSaveNames[] = {"new.xls", "new.txt", "new.xml", "old.xls", "old.xml"};

TEST(SaveFaults, ReadOnlyFileSystemRefusesEverySaveAndKeepsOldFilesAndTable)
{
    test::PrivateTmpfs fs("size=1m");
    SKIP_WITHOUT(fs);
    const std::string oldTab = "No\tTime\tDC/AC\tValue\tUnit\tAUTO\r\n1\t10:00:00\tDC\t1.5\tV\tPass\r\n";
    const std::string oldXml = "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET/>";
    test::writeBytes(fs.path("old.xls"), oldTab);
    test::writeBytes(fs.path("old.xml"), oldXml);
    ASSERT_TRUE(fs.remountReadOnly());

    ReadingTable table = sampleTable(50);
    const std::vector<Cells> before = test::rowsOf(table);
    for (const char* name : kSaveNames) {
        SCOPED_TRACE(name);
        const std::string path = fs.path(name);
        const FileResult result = saveDataFile(table, path);
        EXPECT_FALSE(result.ok);
        const bool xml = std::string_view(name).ends_with(".xml");
        if (xml)
            EXPECT_EQ(result.message, "Cannot create file \"" + path + "\". Read-only file system");
        else
            EXPECT_EQ(result.message, "Could not save table to specified file: " + path);
    }
    EXPECT_EQ(test::rowsOf(table), before);
    EXPECT_EQ(test::readBytes(fs.path("old.xls")), oldTab);
    EXPECT_EQ(test::readBytes(fs.path("old.xml")), oldXml);
    EXPECT_EQ(sortedEntries(fs.dir()), (std::vector<std::string>{"old.xls", "old.xml"}));
}

TEST(SaveFaults, FullFileSystemFailsCleanlyAndTheSameSaveWorksOnceThereIsRoom)
{
    test::PrivateTmpfs fs("size=256k");
    SKIP_WITHOUT(fs);
    ReadingTable small = sampleTable(3);
    ASSERT_TRUE(saveDataFile(small, fs.path("old.xls")).ok);
    ASSERT_TRUE(saveDataFile(small, fs.path("old.xml")).ok);
    const std::string oldTab = test::readBytes(fs.path("old.xls"));
    const std::string oldXml = test::readBytes(fs.path("old.xml"));

    // Fill what is left, leaving a few KiB so the save starts and fails part-way.
    {
        std::ofstream filler(fs.path("filler"), std::ios::binary);
        const std::string block(4096, 'x');
        while (filler.write(block.data(), static_cast<std::streamsize>(block.size())) && filler.flush()) {
        }
    }
    std::filesystem::resize_file(fs.path("filler"), std::filesystem::file_size(fs.path("filler")) - 8192);

    ReadingTable table = sampleTable(20000);  // about 700 KiB of text: never fits
    const std::vector<Cells> before = test::rowsOf(table);
    for (const char* name : kSaveNames) {
        SCOPED_TRACE(name);
        const std::string path = fs.path(name);
        const FileResult result = saveDataFile(table, path);
        EXPECT_FALSE(result.ok);
        if (std::string_view(name).ends_with(".xml"))
            EXPECT_EQ(result.message, "Cannot create file \"" + path + "\". No space left on device");
        else
            EXPECT_EQ(result.message, "Could not save table to specified file: " + path);
    }
    EXPECT_EQ(test::rowsOf(table), before);
    EXPECT_EQ(test::readBytes(fs.path("old.xls")), oldTab);
    EXPECT_EQ(test::readBytes(fs.path("old.xml")), oldXml);
    EXPECT_EQ(sortedEntries(fs.dir()), (std::vector<std::string>{"filler", "old.xls", "old.xml"}))
        << "a temporary file was left behind on the full disk";

    // Freeing the space is all the user has to do.
    std::filesystem::remove(fs.path("filler"));
    ReadingTable fits = sampleTable(2000);
    ASSERT_TRUE(saveDataFile(fits, fs.path("old.xml")).ok);
    ReadingTable reopened;
    ASSERT_TRUE(DataFileReader(fs.path("old.xml"), reopened).ok);
    EXPECT_EQ(test::rowsOf(reopened), test::rowsOf(fits));
}

// ---- Opening damaged files ----

class OpenFaults : public ::testing::Test {
protected:
    // The table as the user had it before choosing the file.
    ReadingTable table = sampleTable(4);
    std::vector<Cells> before = test::rowsOf(table);
    test::ScratchFolder folder;

    // An XML load that fails must leave the table exactly as it was.
    void expectXmlRefused(const std::string& bytes, const std::string& what)
    {
        SCOPED_TRACE(what);
        const std::string path = folder.path("bad.xml");
        test::writeBytes(path, bytes);
        const FileResult result = DataFileReader(path, table);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.message, "Failed to Load File!");
        EXPECT_EQ(test::rowsOf(table), before);
        EXPECT_EQ(test::readBytes(path), bytes) << "opening changed the file";
    }
};

TEST_F(OpenFaults, XmlPacketCutAtAnyPointNeverLoadsAndNeverTouchesTheTable)
{
    ReadingTable saved = sampleTable(6);
    ASSERT_TRUE(saveDataFile(saved, folder.path("whole.xml")).ok);
    const std::string whole = test::readBytes(folder.path("whole.xml"));
    const std::size_t end = whole.rfind("</DATAPACKET>");
    ASSERT_NE(end, std::string::npos);
    for (std::size_t cut = 0; cut < end + 12; ++cut) {
        expectXmlRefused(whole.substr(0, cut), "cut at byte " + std::to_string(cut));
        if (HasFailure())
            return;  // one cut point is enough to show the fault
    }
}

TEST_F(OpenFaults, BinaryHugeLineAndMalformedXmlAreRefused)
{
    std::mt19937 rng(7);
    std::string noise(64 * 1024, '\0');
    for (char& c : noise)
        c = static_cast<char>(rng());
    const std::string header = "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\">";
    const std::string huge = header + "<ROWDATA><ROW No=\"1\" time=\"" + std::string(24u << 20, '9') + "\"/>";
    expectXmlRefused(noise, "random bytes");
    expectXmlRefused("<?xml version=\"1.0\"?>" + noise, "declaration then random bytes");
    expectXmlRefused(huge, "a 24 MiB attribute on one line, never closed");
    expectXmlRefused(header + "<ROWDATA><ROW No=\"x1\"/></ROWDATA></DATAPACKET>", "a No that is no number");
    expectXmlRefused(header + "<ROWDATA><ROW No=\"99999999999\"/></ROWDATA></DATAPACKET>", "a No out of range");
    expectXmlRefused(header + "<ROWDATA><ROW No=\"1\"></ROWDATA></DATAPACKET>", "mismatched tags");
    expectXmlRefused(std::string(), "an empty file");
}

// A text file appends row by row; a damaged line stops the load there. The rows
// the table had stay untouched in front, and whatever was appended is a prefix
// of what the file holds.
TEST_F(OpenFaults, DamagedTextFilesKeepTheRowsThereAndAppendOnlyWholeEarlierLines)
{
    ReadingTable saved = sampleTable(6);
    ASSERT_TRUE(saveDataFile(saved, folder.path("whole.txt")).ok);
    const std::string whole = test::readBytes(folder.path("whole.txt"));
    ReadingTable full;
    ASSERT_TRUE(DataFileReader(folder.path("whole.txt"), full).ok);
    const std::vector<Cells> fileRows = test::rowsOf(full);

    std::mt19937 rng(11);
    std::string noise(64 * 1024, '\0');
    for (char& c : noise)
        c = static_cast<char>(rng() % 255 + 1);  // no NUL: a NUL would just end the text
    struct Case {
        std::string what;
        std::string bytes;
        bool mustFail;
    };
    std::vector<Case> cases = {
        {"random bytes after the header", "No\r\n" + noise, true},
        {"a 24 MiB line of digits", "No\r\n" + std::string(24u << 20, '7') + "\r\n", true},
        {"a 24 MiB line of letters after good rows",
         whole + "1\t" + std::string(24u << 20, 'a') + "\t1\t2\t3\t4\t5\t6\r\n", true},
        {"an eighth value", whole + "7\ta\tb\tc\td\te\t8\t9\r\n", true},
        {"a No that is no number", whole + "seven\ta\r\n", true},
        {"a NUL in the middle", whole.substr(0, whole.size() / 2) + '\0' + "garbage\tx\r\n", false},
    };
    for (std::size_t cut = 0; cut <= whole.size(); cut += 7)
        cases.push_back({"cut at byte " + std::to_string(cut), whole.substr(0, cut), cut == 0});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ReadingTable t = sampleTable(4);
        const std::string path = folder.path("bad.txt");
        test::writeBytes(path, c.bytes);
        const FileResult result = DataFileReader(path, t);
        if (c.mustFail) {
            EXPECT_FALSE(result.ok);
            EXPECT_EQ(result.message, "Failed to Load File!");
        }
        const std::vector<Cells> rows = test::rowsOf(t);
        ASSERT_GE(rows.size(), before.size());
        EXPECT_TRUE(std::equal(before.begin(), before.end(), rows.begin())) << "rows already there changed";
        // Every appended row but a cut last one is the file's row at that place.
        const std::size_t appended = rows.size() - before.size();
        ASSERT_LE(appended, fileRows.size());
        for (std::size_t i = 0; i + 1 < appended; ++i)
            EXPECT_EQ(rows[before.size() + i], fileRows[i]) << "appended row " << i;
    }
}

}  // namespace
}  // namespace tavolo
