#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "decode/decoder_host.h"
#include "decode/meter_decoder.h"
#include "record/chart_control.h"
#include "record/chart_model.h"
#include "record/chart_panel.h"
#include "record/recall_clock.h"
#include "record/record_rule.h"
#include "record/recording_controls.h"
#include "record/reading_table.h"
#include "record/session_observer.h"

namespace tavolo {

// The states of the window's recording controls that the frame steps read.
// The window (or a tool) keeps them up to date; start values as at start-up.
struct RecordingInputs {
    bool RecordSI = false;             // "Sampling Interval 'S"
    std::string RecordSITime = "10";
    bool RepeatSet = true;             // "Repeat"
    bool RecallCheck = false;          // "RecallData"
    RecallEdits recall;                // TimeH, TimeM, TimeS, TimeInt
};

// One meter's data path without a window: the decoder, the reading table, the
// record rule, the recording controls, the recall clock and the paged chart,
// wired through the decoder's host steps. Construction is the start-up state:
// page size 100, empty table, NextRecordNo 1, MaxRecords 10000, the area
// series shown, the vertical range +/- FullScale.
//
// Thread rule: one thread (the GUI thread in the program). `observer`, when
// given, must outlive the session; it answers the decoder's questions (the
// decimal symbol) and is told first. More observers (the session store, the
// live feed, views) are added with addObserver and told in the order added.
// `now` gives the local time of day for readings while the recall clock is
// off (the system clock when empty).
class MeterSession : private DecoderHost {
public:
    static constexpr int kStartPageSize = 100;

    explicit MeterSession(SessionObserver* observer = nullptr, std::function<ClockTime()> now = {});
    MeterSession(const MeterSession&) = delete;
    MeterSession& operator=(const MeterSession&) = delete;

    // Receive handler of the serial link: every complete frame is decoded,
    // recorded and charted before the next byte is looked at.
    void VexaDATA(const std::uint8_t* data, std::size_t size) { m_decoder.VexaDATA(data, size); }

    MeterDecoder& decoder() noexcept { return m_decoder; }
    ReadingTable& table() noexcept { return m_table; }
    ChartModel& chart() noexcept { return m_chart; }
    TChartControl& ChartCtl() noexcept { return m_chartCtl; }
    ChartPanel& chartPanel() noexcept { return m_chartPanel; }
    RecordRule& recordRule() noexcept { return m_rule; }
    RecordingControls& controls() noexcept { return m_controls; }
    RecallClock& recallClock() noexcept { return m_recall; }
    RecordingInputs& inputs() noexcept { return m_inputs; }
    // Time stamp of the last decoded reading.
    ClockTime RecordTime() const noexcept { return m_recordTime; }

    // RecallCheck clicked: keeps inputs().RecallCheck and the edits in step.
    void RecallCheckClick(bool checked);

    // Further observers; each must stay alive until removed or the session ends.
    // Adding one twice has no effect. Not to be called from inside a notification.
    void addObserver(SessionObserver* observer);
    void removeObserver(SessionObserver* observer);

    // The receive instant of readings, in milliseconds since 1970-01-01 UTC
    // (the system clock by default; tests give their own).
    void setInstantSource(std::function<std::int64_t()> instantNow);

private:
    // Decoder steps.
    std::string decimalSymbol() override;
    void resetUsbWatchdogTicks() override;
    void traceFrame(std::string_view frameText, std::string_view frameBits) override;
    void setChartMaximum(double value) override;
    void setChartMinimum(double value) override;
    void beep() override;
    void modeChanged(bool restartChart) override;
    ClockTime advanceRecallClock() override;
    void recordReading(const Reading& reading) override;
    void conversionError(std::string_view message) override;
    void frameEnded(std::string_view frameText, bool accepted) override;

    template <typename F>
    void tell(F&& step)
    {
        step(*m_observer);
        for (SessionObserver* o : m_observers)
            step(*o);
    }

    SessionObserver m_quiet;
    SessionObserver* m_observer;
    std::vector<SessionObserver*> m_observers;
    std::function<std::int64_t()> m_instantNow;
    ChartModel m_chart;
    TChartControl m_chartCtl;
    ChartPanel m_chartPanel;
    ReadingTable m_table;
    RecordRule m_rule;
    RecordingControls m_controls;
    RecallClock m_recall;
    RecordingInputs m_inputs;
    ClockTime m_recordTime;
    MeterDecoder m_decoder;  // last: its construction asks the host
};

}  // namespace tavolo
