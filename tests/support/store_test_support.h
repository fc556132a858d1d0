#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "decode/frame_layout.h"
#include "record/meter_session.h"

// Helpers for the session store tests: meter frames, a scratch folder, and a
// meter session reduced to everything a restore must bring back.
namespace tavolo::test {

// The bytes of one frame: LF, twelve payload bytes, CR.
inline std::vector<std::uint8_t> wireFrame(std::string_view payload)
{
    std::vector<std::uint8_t> bytes{frame::kLineFeed};
    for (char c : payload)
        bytes.push_back(frame::payloadByte(frame::hexDigitValue(c)));
    bytes.push_back(frame::kEndByte);
    return bytes;
}

// A DC reading on range `range` ('4': 220 mV, '1': 2.2 V) showing the five `digits`.
inline std::string payload(int n, char range = '4')
{
    std::string digits = std::to_string(n % 100000);
    digits.insert(0, 5 - digits.size(), '0');
    return std::string(1, range) + digits + "B000A0";
}

inline void feed(MeterSession& session, std::string_view payloadText, int times = 1)
{
    const std::vector<std::uint8_t> bytes = wireFrame(payloadText);
    for (int i = 0; i < times; ++i)
        session.VexaDATA(bytes.data(), bytes.size());
}

// A session with repeatable clocks: readings at 12:00:00 and instants that
// count up from a fixed moment, 7 ms apart.
struct TestSession {
    std::int64_t nextInstant = 1'796'000'000'000;
    MeterSession session{nullptr, [] { return ClockTime{12, 0, 0}; }};
    TestSession()
    {
        session.setInstantSource([this] { return nextInstant += 7; });
    }
};

// Everything about a session a restore brings back, comparable with ==.
struct Snapshot {
    std::vector<std::string> rows;  // every field, instant, range and row state
    std::vector<ChangeLogEntry> changeLog;
    std::vector<double> chart;
    std::vector<std::int64_t> paging;  // CurrentPage, PageCount, LastIndex, window, active series
    std::string bt10;
    std::int32_t recordCount = 0, nextRecordNo = 0, maxRecords = 0;
    std::string lastRecordKey;
    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

inline void PrintTo(const Snapshot& s, std::ostream* os)
{
    *os << s.rows.size() << " rows, " << s.changeLog.size() << " change entries, " << s.chart.size()
        << " chart points, paging";
    for (auto p : s.paging)
        *os << ' ' << p;
    *os << ", Bt10 " << s.bt10 << ", count " << s.recordCount << ", next " << s.nextRecordNo << ", max "
        << s.maxRecords << ", key '" << s.lastRecordKey << "'";
    if (!s.rows.empty())
        *os << ", last row " << s.rows.back();
    if (!s.chart.empty())
        *os << ", chart[0] " << s.chart.front() << ", chart[last] " << s.chart.back();
}

inline std::string rowText(const ReadingTable& t, std::size_t row)
{
    std::string s;
    for (int f = 0; f < kTableFieldCount; ++f) {
        const auto field = static_cast<TableField>(f);
        if (isIntegerField(field)) {
            const auto v = t.intValue(row, field);
            s += v ? std::to_string(*v) : "-";
        } else {
            s += t.text(row, field);
        }
        s += '|';
    }
    const auto instant = t.instantMs(row);
    s += instant ? std::to_string(*instant) : "-";
    s += '|' + std::string(rangeModeText(t.range(row))) + '|' + std::to_string(t.rowState(row));
    return s;
}

inline std::vector<std::string> rowsOf(const ReadingTable& t)
{
    std::vector<std::string> rows;
    for (std::size_t r = 0; r < t.rowCount(); ++r)
        rows.push_back(rowText(t, r));
    return rows;
}

inline Snapshot snapshot(MeterSession& s)
{
    Snapshot snap;
    const ReadingTable& t = s.table();
    snap.rows = rowsOf(t);
    for (std::size_t i = 0; i < t.changeLogSize(); ++i)
        snap.changeLog.push_back(t.changeLogEntry(i));
    for (std::size_t i = 0; i < s.chart().pointCount(); ++i)
        snap.chart.push_back(s.chart().value(i));
    const TChartControl& c = s.ChartCtl();
    snap.paging = {c.CurrentPage(), c.PageCount(), c.LastIndex(), s.chart().windowMinimum(),
                   s.chart().windowMaximum(), s.chart().activeSeries()};
    snap.bt10 = s.chartPanel().Bt10();
    const RecordState& st = s.recordRule().state();
    snap.recordCount = st.RecordCount;
    snap.nextRecordNo = st.NextRecordNo;
    snap.maxRecords = st.MaxRecords;
    snap.lastRecordKey = st.LastRecordKey;
    return snap;
}

// A scratch folder, removed with everything in it at the end.
class ScratchDir {
public:
    ScratchDir()
    {
        char pattern[] = "/tmp/tavolo-store-XXXXXX";
        m_dir = mkdtemp(pattern);
    }
    ~ScratchDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::filesystem::path path(const std::string& name) const { return m_dir / name; }
    const std::filesystem::path& dir() const { return m_dir; }

private:
    std::filesystem::path m_dir;
};

}  // namespace tavolo::test
