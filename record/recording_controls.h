#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "record/chart_panel.h"
#include "record/record_rule.h"

namespace tavolo {

// An edit's text and selection after the integer validation replaced it.
struct EditReplacement {
    std::string text;
    int selectionStart = 0;
    int selectionLength = 0;
    friend bool operator==(const EditReplacement&, const EditReplacement&) = default;
};

// The record-limit items of the "Record" menu, in menu order.
enum class RecordLimit { N1000, N5000, N10000, N50000, N100000, Limitless };
inline constexpr int kRecordLimitCount = 6;

// The controls around the record rule: sampling countdown, digit-only edits,
// record limit and the clear. References must outlive this object.
// GUI thread only (the sampling timer included).
class RecordingControls {
public:
    static constexpr int kSamplingTickMs = 1000;  // Trecord
    static constexpr std::string_view kDeleteQuestion = "Do you want to delete this record?";

    RecordingControls(RecordRule& rule, ChartPanel& chart);

    // Trecord tick: counts SampleCountdown down while RecordSI is checked.
    void TrecordTimer(bool RecordSI);

    // Key filter of RecordSITime, TimeH, TimeM, TimeS, TimeInt and Maxrecord:
    // true when the typed character may pass (backspace or a digit).
    static bool RecordSITimeKeyPress(char32_t key) noexcept;

    // After a change of RecordSITime, TimeH, TimeM, TimeS or TimeInt: a text
    // that is no integer (the empty text included) becomes "1", selected so
    // the next digit replaces it. nullopt when the text stays.
    static std::optional<EditReplacement> RecordSITimeChange(std::string_view text);

    // Record-limit menu: sets MaxRecords and moves the check mark; nothing else.
    void chooseRecordLimit(RecordLimit limit);
    void N10001Click() { chooseRecordLimit(RecordLimit::N1000); }
    void N50001Click() { chooseRecordLimit(RecordLimit::N5000); }
    void N100001Click() { chooseRecordLimit(RecordLimit::N10000); }
    void N500001Click() { chooseRecordLimit(RecordLimit::N50000); }
    void N1000001Click() { chooseRecordLimit(RecordLimit::N100000); }
    void limitessClick() { chooseRecordLimit(RecordLimit::Limitless); }
    bool isChecked(RecordLimit limit) const noexcept;
    RecordLimit checkedLimit() const noexcept { return m_checked; }
    static std::string_view caption(RecordLimit limit) noexcept;
    static std::int32_t recordsFor(RecordLimit limit) noexcept;

    // The clear, after the window asked kDeleteQuestion. Any answer but Yes
    // changes nothing. On Yes: chart Clear and page label, empty table,
    // NextRecordNo 1 and RecordCount 0, then the chart's "New". LastRecordKey,
    // SampleCountdown, MaxRecords and the recall clock stay. Returns true when
    // it cleared.
    bool RecordNewClick(bool answeredYes);

private:
    RecordRule* m_rule;
    ChartPanel* m_chart;
    RecordLimit m_checked = RecordLimit::N10000;
};

}  // namespace tavolo
