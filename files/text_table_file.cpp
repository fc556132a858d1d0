#include "files/text_table_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "files/replace_file.h"

namespace tavolo {

FileResult saveTextTable(ReadingTable& table, const std::string& path, TableWriter write)
{
    const int error = replaceFileWith(path, [&table, write](OutputBuffer& out) { write(table, out); });
    if (!table.empty())
        table.setCurrentRow(table.rowCount() - 1);
    FileResult result;
    result.ok = error == 0;
    result.message = result.ok ? tabSaveDoneMessage(path) : tabSaveFailedMessage(path);
    if (!result.ok)
        result.detail = std::strerror(error);
    else
        result.rows = table.rowCount();
    return result;
}

FileResult loadTextTable(const std::string& path, ReadingTable& table, TableReader read)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return loadFailure("cannot open " + path + ": " + std::strerror(errno));
    BlockInput in(fd);
    FileResult result = read(in, table);
    ::close(fd);
    return result;
}

}  // namespace tavolo
