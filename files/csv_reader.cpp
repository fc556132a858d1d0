#include "files/csv_reader.h"

#include <array>
#include <cerrno>
#include <cstring>

#include "decode/integer_text.h"
#include "files/csv_texts.h"
#include "files/iso_instant.h"
#include "files/text_table_file.h"

namespace tavolo {
namespace {

constexpr std::size_t kColumns = 10;
constexpr std::array<std::string_view, kColumns> kHeader = {
    "no", "timestamp", "time", "function", "display", "unit", "value", "si_unit", "range", "judge"};
enum Column : std::size_t { kNo = 0, kTimestamp, kTime, kFunction, kDisplay, kUnit, kValue, kSiUnit, kRange, kJudge };

// Splits the input into RFC 4180 records, a block at a time. The fields of the
// last record stay valid until the next call.
class RecordReader {
public:
    enum class Status { Record, End, Broken };

    explicit RecordReader(BlockInput& in) : m_in(in) {}

    Status next()
    {
        m_count = 0;
        m_firstQuoted = false;
        m_startLine = m_line;
        bool started = false;  // any character of this record seen
        State state = State::FieldStart;
        beginField();
        for (;;) {
            if (m_in.begin() == m_in.end() && !m_in.refill())
                break;
            const char* p = m_in.begin();
            const char* const e = m_in.end();
            if (m_skipLf) {
                m_skipLf = false;
                if (*p == '\n') {
                    m_in.advanceTo(p + 1);
                    continue;
                }
            }
            while (p != e) {
                started = true;
                // Runs of plain characters go in at once.
                if (state == State::Unquoted || state == State::Quoted) {
                    const char* q = p;
                    if (state == State::Unquoted)
                        while (q != e && !isUnquotedSpecial(*q))
                            ++q;
                    else
                        while (q != e && *q != '"' && *q != '\n')
                            ++q;
                    m_field->append(p, q);
                    p = q;
                    if (p == e)
                        break;
                }
                const char c = *p++;
                switch (state) {
                case State::FieldStart:
                    if (c == '"') {
                        if (m_count == 0)
                            m_firstQuoted = true;
                        state = State::Quoted;
                        continue;
                    }
                    state = State::Unquoted;
                    [[fallthrough]];
                case State::Unquoted:
                    if (c == ',') {
                        endField();
                        beginField();
                        state = State::FieldStart;
                    } else if (c == '\r' || c == '\n') {
                        m_in.advanceTo(p);
                        return endRecord(c);
                    } else if (c == '"') {
                        m_in.advanceTo(p);
                        return broken("a double quote inside an unquoted field");
                    } else {
                        m_field->push_back(c);
                    }
                    continue;
                case State::Quoted:
                    if (c == '"') {
                        state = State::QuoteInQuoted;
                    } else {
                        if (c == '\n')
                            ++m_line;
                        m_field->push_back(c);
                    }
                    continue;
                case State::QuoteInQuoted:
                    if (c == '"') {
                        m_field->push_back('"');
                        state = State::Quoted;
                    } else if (c == ',') {
                        endField();
                        beginField();
                        state = State::FieldStart;
                    } else if (c == '\r' || c == '\n') {
                        m_in.advanceTo(p);
                        return endRecord(c);
                    } else {
                        m_in.advanceTo(p);
                        return broken("text after a closing double quote");
                    }
                    continue;
                }
            }
            m_in.advanceTo(e);
        }
        if (m_in.error() != 0)
            return broken(std::string("read error: ") + std::strerror(m_in.error()));
        if (state == State::Quoted)
            return broken("the closing double quote is missing");
        if (!started)
            return Status::End;
        endField();
        return Status::Record;
    }

    std::size_t count() const noexcept { return m_count; }
    std::string_view field(std::size_t i) const { return m_fields[i]; }
    // An empty line: one empty field that was not written as "".
    bool isBlankLine() const noexcept { return m_count == 1 && m_fields[0].empty() && !m_firstQuoted; }
    std::size_t startLine() const noexcept { return m_startLine; }
    const std::string& problem() const noexcept { return m_problem; }

private:
    enum class State { FieldStart, Unquoted, Quoted, QuoteInQuoted };

    static bool isUnquotedSpecial(char c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; }

    void beginField()
    {
        // Fields past the tenth are collected in a spare slot, only to be counted.
        m_field = &m_fields[m_count < kColumns ? m_count : kColumns];
        m_field->clear();
    }
    void endField() { ++m_count; }

    Status endRecord(char lineEnd)
    {
        endField();
        ++m_line;
        m_skipLf = lineEnd == '\r';
        return Status::Record;
    }

    Status broken(std::string why)
    {
        m_problem = std::move(why);
        return Status::Broken;
    }

    BlockInput& m_in;
    std::array<std::string, kColumns + 1> m_fields;
    std::string* m_field = nullptr;
    std::size_t m_count = 0;
    bool m_firstQuoted = false;
    bool m_skipLf = false;
    std::size_t m_line = 1;
    std::size_t m_startLine = 1;
    std::string m_problem;
};

void skipByteOrderMark(BlockInput& in)
{
    if (in.begin() == in.end() && !in.refill())
        return;
    const std::string_view head(in.begin(), static_cast<std::size_t>(in.end() - in.begin()));
    if (head.substr(0, 3) == "\xEF\xBB\xBF")
        in.advanceTo(in.begin() + 3);
}

std::string quotedForMessage(std::string_view text)
{
    if (text.size() > 40)
        text = text.substr(0, 40);
    return "\"" + std::string(text) + "\"";
}

// The texts of one row, converted; reused from line to line.
struct RowTexts {
    std::string time;
    std::string function;
    std::string display;
    std::string unit;
    std::string judge;
};

// Converts the record's fields into `row`; the reason when a field is refused.
std::optional<std::string> convertRecord(const RecordReader& record, RowTexts& texts, RowValues& row)
{
    if (record.count() != kColumns)
        return std::to_string(record.count()) + " fields instead of 10";
    const std::string_view no = record.field(kNo);
    if (!no.empty()) {
        row.no = parseInteger(no, IntegerForm::Plain);
        if (!row.no)
            return quotedForMessage(no) + " is not a whole number for no";
    }
    const std::string_view timestamp = record.field(kTimestamp);
    if (!timestamp.empty()) {
        row.instantMs = parseIsoInstant(timestamp);
        if (!row.instantMs)
            return quotedForMessage(timestamp) + " is not an ISO 8601 timestamp with an offset";
    }
    const struct {
        Column column;
        std::string* text;
        bool (*convert)(std::string_view, std::string&);
    } kTexts[] = {
        {kTime, &texts.time, utf8ToLatin1},
        {kFunction, &texts.function, utf8ToLatin1},
        {kDisplay, &texts.display, codedDisplayText},
        {kUnit, &texts.unit, codedUnitText},
        {kJudge, &texts.judge, utf8ToLatin1},
    };
    for (const auto& t : kTexts) {
        if (!t.convert(record.field(t.column), *t.text))
            return "the " + std::string(kHeader[t.column]) + " field " + quotedForMessage(record.field(t.column)) +
                   " is not UTF-8 the table can hold (characters up to U+00FF)";
    }
    const std::string_view range = record.field(kRange);
    row.range = rangeModeFromText(range);
    if (row.range == RangeMode::Unknown && !range.empty())
        return quotedForMessage(range) + " is not a range (AUTO, MANU or empty)";
    row.time = texts.time;
    row.dcAc = texts.function;
    row.value = texts.display;
    row.unit = texts.unit;
    row.judge = texts.judge;
    row.nval = countFromValueText(texts.display);
    return std::nullopt;
}

FileResult failedAt(std::size_t line, const std::string& why, std::size_t appended)
{
    FileResult failed = loadFailure("line " + std::to_string(line) + ": " + why);
    failed.rows = appended;
    return failed;
}

}  // namespace

FileResult readCsvData(BlockInput& in, ReadingTable& table)
{
    skipByteOrderMark(in);
    RecordReader records(in);
    RecordReader::Status status = records.next();
    if (status == RecordReader::Status::End)
        return loadFailure(in.error() != 0 ? std::string("read error: ") + std::strerror(in.error())
                                           : std::string("the file holds no line"));
    if (status == RecordReader::Status::Broken)
        return failedAt(1, records.problem(), 0);
    bool header = records.count() == kColumns;
    for (std::size_t i = 0; header && i < kColumns; ++i)
        header = records.field(i) == kHeader[i];
    if (!header)
        return failedAt(1, "not the reading table's CSV header", 0);

    RowTexts texts;
    std::size_t appended = 0;
    while ((status = records.next()) == RecordReader::Status::Record) {
        if (records.isBlankLine())
            continue;
        RowValues row;
        if (const auto why = convertRecord(records, texts, row))
            return failedAt(records.startLine(), *why, appended);
        table.appendRow(row);
        ++appended;
    }
    if (status == RecordReader::Status::Broken)
        return failedAt(records.startLine(), records.problem(), appended);
    FileResult result;
    result.ok = true;
    result.rows = appended;
    return result;
}

FileResult loadCsvData(const std::string& path, ReadingTable& table)
{
    return loadTextTable(path, table, readCsvData);
}

}  // namespace tavolo
