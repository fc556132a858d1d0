#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "files/block_input.h"
#include "files/output_buffer.h"
#include "record/reading_table.h"

namespace tavolo::fuzz {

template <class Write>
std::string writtenBy(const ReadingTable& table, Write write)
{
    std::string bytes;
    {
        StringOutput out(bytes);
        write(table, out);
    }
    return bytes;
}

inline bool sameRows(const ReadingTable& a, const ReadingTable& b, bool withNVal)
{
    if (a.rowCount() != b.rowCount())
        return false;
    for (std::size_t r = 0; r < a.rowCount(); ++r) {
        for (int f = 0; f < kTableFieldCount; ++f) {
            const auto field = static_cast<TableField>(f);
            if (field == TableField::NVal && !withNVal)
                continue;
            if (a.intValue(r, field) != b.intValue(r, field) || a.text(r, field) != b.text(r, field))
                return false;
        }
    }
    return true;
}

[[noreturn]] inline void failWith(const char* what)
{
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}

}  // namespace tavolo::fuzz
