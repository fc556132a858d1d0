#include <cstdio>
#include <string>

#include "commands.h"
#include "files/data_file.h"
#include "record/reading_table.h"

// tavolo-cli convert IN OUT: loads IN into an empty table and saves it to OUT,
// each by its name (exactly ".xml" is the XML data packet, exactly ".csv" the
// CSV file, anything else the tab-separated text). Messages go to standard error, so nothing but the file is
// written.
namespace tavolo::cli {

int runConvert(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: tavolo-cli convert IN OUT\n", stderr);
        return 2;
    }
    const std::string in = argv[0];
    const std::string out = argv[1];
    ReadingTable table;
    const FileResult loaded = DataFileReader(in, table);
    if (!loaded.ok) {
        std::fprintf(stderr, "%s\n", loaded.message.c_str());
        if (!loaded.detail.empty())
            std::fprintf(stderr, "tavolo-cli: %s: %s\n", in.c_str(), loaded.detail.c_str());
        return 1;
    }
    const FileResult saved = saveDataFile(table, out);
    if (!saved.ok) {
        std::fprintf(stderr, "%s\n", saved.message.c_str());
        return 1;
    }
    std::fprintf(stderr, "tavolo-cli: %zu rows from %s to %s\n", table.rowCount(), in.c_str(), out.c_str());
    return 0;
}

}  // namespace tavolo::cli
