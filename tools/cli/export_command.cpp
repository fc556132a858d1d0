#include <cstdio>
#include <string>

#include "commands.h"
#include "files/data_file.h"
#include "record/reading_table.h"
#include "store/session_restore.h"

// tavolo-cli export SESSION OUT: the session's table as it last was, saved to
// OUT by OUT's name like every other save. A damaged session gives what could
// be read, a message, and exit status 1.
namespace tavolo::cli {

int runExport(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: tavolo-cli export SESSION OUT\n", stderr);
        return 2;
    }
    const std::string in = argv[0];
    const std::string out = argv[1];
    ReadingTable table;
    const store::RestoreResult read = store::readSessionTable(in, table);
    if (!read.ok) {
        std::fprintf(stderr, "tavolo-cli: %s: %s\n", in.c_str(), read.message.c_str());
        return 1;
    }
    if (!read.complete)
        std::fprintf(stderr, "tavolo-cli: %s: %s\n", in.c_str(), read.message.c_str());
    const FileResult saved = saveDataFile(table, out);
    if (!saved.ok) {
        std::fprintf(stderr, "%s\n", saved.message.c_str());
        return 1;
    }
    std::fprintf(stderr, "tavolo-cli: %zu rows from %s to %s\n", table.rowCount(), in.c_str(), out.c_str());
    return read.complete ? 0 : 1;
}

}  // namespace tavolo::cli
