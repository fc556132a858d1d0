#include "files/tab_data_reader.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "decode/integer_text.h"
#include "files/text_table_file.h"

namespace tavolo {
namespace {

constexpr int kMaxValues = 7;

// Splits the text into lines, a block at a time. A returned line stays valid
// until the next call.
class LineReader {
public:
    explicit LineReader(BlockInput& in) : m_in(in) {}

    bool next(std::string_view& line)
    {
        if (m_done)
            return false;
        bool carrying = false;
        m_carry.clear();
        for (;;) {
            if (m_in.begin() == m_in.end() && !m_in.refill()) {
                m_done = true;
                if (!carrying)
                    return false;
                line = m_carry;
                return true;
            }
            const char* p = m_in.begin();
            const char* const e = m_in.end();
            if (m_skipLf) {
                m_skipLf = false;
                if (*p == '\n') {
                    m_in.advanceTo(p + 1);
                    continue;
                }
            }
            const char* q = p;
            while (q != e && !isLineEnd(*q))
                ++q;
            if (q == e) {
                m_carry.append(p, e);
                carrying = true;
                m_in.advanceTo(e);
                continue;
            }
            m_in.advanceTo(q + 1);
            if (*q == '\0') {
                m_done = true;
                if (!carrying && q == p)
                    return false;
            } else if (*q == '\r') {
                m_skipLf = true;
            }
            if (carrying) {
                m_carry.append(p, q);
                line = m_carry;
            } else {
                line = std::string_view(p, static_cast<std::size_t>(q - p));
            }
            return true;
        }
    }

private:
    static bool isLineEnd(char c)
    {
        return static_cast<unsigned char>(c) <= '\r' && (c == '\n' || c == '\r' || c == '\0');
    }

    BlockInput& m_in;
    std::string m_carry;
    bool m_skipLf = false;
    bool m_done = false;
};

struct LineValues {
    std::array<std::string_view, kMaxValues + 1> values;
    std::array<bool, kMaxValues + 1> quoted{};
    std::array<std::string, kMaxValues + 1> unquoted;  // storage for values with doubled quotes
    int count = 0;
};

bool isSeparator(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

// Splits one line into values; stops after the eighth (one too many).
void splitValues(std::string_view line, LineValues& out)
{
    out.count = 0;
    std::size_t i = 0;
    const std::size_t n = line.size();
    while (out.count <= kMaxValues) {
        while (i < n && isSeparator(line[i]))
            ++i;
        if (i >= n)
            break;
        const int slot = out.count++;
        if (line[i] != '"') {
            const std::size_t start = i;
            while (i < n && !isSeparator(line[i]))
                ++i;
            out.values[slot] = line.substr(start, i - start);
            out.quoted[slot] = false;
            continue;
        }
        out.quoted[slot] = true;
        ++i;
        const std::size_t start = i;
        while (i < n && line[i] != '"')
            ++i;
        if (i >= n || i + 1 >= n || line[i + 1] != '"') {
            // No doubled quote: the value is a plain slice of the line.
            out.values[slot] = line.substr(start, i - start);
            if (i < n)
                ++i;  // the closing quote
            continue;
        }
        std::string& text = out.unquoted[slot];
        text.assign(line.substr(start, i - start));
        while (i < n) {
            if (line[i] == '"') {
                if (i + 1 < n && line[i + 1] == '"') {
                    text += '"';
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            text += line[i++];
        }
        out.values[slot] = text;
    }
}

std::string quotedForMessage(std::string_view text)
{
    if (text.size() > 40)
        text = text.substr(0, 40);
    return "\"" + std::string(text) + "\"";
}

}  // namespace

FileResult readTabData(BlockInput& in, ReadingTable& table)
{
    LineReader lines(in);
    LineValues split;
    std::string_view line;
    std::size_t lineNo = 0;
    std::size_t appended = 0;
    while (lines.next(line)) {
        ++lineNo;
        if (lineNo == 1)
            continue;  // the header, whatever it holds
        splitValues(line, split);
        if (split.count == 0)
            continue;
        if (split.count > kMaxValues) {
            FileResult failed = loadFailure("line " + std::to_string(lineNo) + ": more than seven values");
            failed.rows = appended;
            return failed;
        }
        RowValues row;
        const auto convert = [&](int slot, std::optional<std::int32_t>& target) {
            if (split.count <= slot || (split.quoted[slot] && split.values[slot].empty()))
                return true;
            target = parseInteger(split.values[slot], IntegerForm::Plain);
            return target.has_value();
        };
        const char* badField = nullptr;
        int badSlot = 0;
        if (!convert(0, row.no)) {
            badField = "No";
        } else if (!convert(6, row.nval)) {
            badField = "NVal";
            badSlot = 6;
        }
        if (badField != nullptr) {
            FileResult failed = loadFailure("line " + std::to_string(lineNo) + ": " +
                                            quotedForMessage(split.values[badSlot]) +
                                            " is not a whole number for " + badField);
            failed.rows = appended;
            return failed;
        }
        std::string_view* texts[] = {&row.time, &row.dcAc, &row.value, &row.unit, &row.judge};
        for (int slot = 1; slot <= 5 && slot < split.count; ++slot)
            *texts[slot - 1] = split.values[slot];
        table.appendRow(row);
        ++appended;
    }
    if (in.error() != 0) {
        FileResult failed = loadFailure(std::string("read error: ") + std::strerror(in.error()));
        failed.rows = appended;
        return failed;
    }
    if (lineNo == 0)
        return loadFailure("the file holds no line");
    FileResult result;
    result.ok = true;
    result.rows = appended;
    return result;
}

FileResult loadTabData(const std::string& path, ReadingTable& table)
{
    return loadTextTable(path, table, readTabData);
}

}  // namespace tavolo
