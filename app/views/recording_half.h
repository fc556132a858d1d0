#pragma once

#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

#include "app/views/chart_model_source.h"
#include "app/views/recording_dialogs.h"
#include "record/chart_control.h"
#include "record/chart_model.h"
#include "record/chart_panel.h"
#include "record/recall_clock.h"
#include "record/reading_table.h"
#include "record/record_rule.h"
#include "record/recording_controls.h"

class QObject;
class QTableView;
class QTimer;

namespace tavolo {

class ChartView;
class ReadingTableModel;
class ReportPreview;

// The recording half of the main window: the reading table with its record
// rule, the recording controls and recall clock, the paged chart, and the
// views over them (grid model, chart view). The window's handlers forward to
// these objects; nothing here knows the window's controls except the grid and
// the chart view it is given.
//
// Views repaint on one coalescing timer (at most every kViewRefreshMs), never
// once per reading. Lives as long as the window; GUI thread only.
struct RecordingHalf {
    static constexpr int kViewRefreshMs = 40;
    static constexpr int kStartPageSize = 100;

    explicit RecordingHalf(std::function<ClockTime()> now = {});
    ~RecordingHalf();
    RecordingHalf(const RecordingHalf&) = delete;
    RecordingHalf& operator=(const RecordingHalf&) = delete;

    ChartModel chart;
    TChartControl chartCtl;
    ChartPanel chartPanel;
    ReadingTable table;
    RecordRule rule;
    RecordingControls controls;
    RecallClock recall;
    ChartModelSource chartSource;
    ClockTime recordTime;

    // Views, set up by the window (owned by their Qt parents).
    ReadingTableModel* gridModel = nullptr;
    QTableView* grid = nullptr;
    QPointer<ChartView> chartView;
    QTimer* viewTimer = nullptr;

    // Dialog and message hooks for tests; empty means the real dialogs.
    FileDialogHook fileDialog;
    NoticeHook notice;
    // Called with the preview instead of running it (tests print from it).
    std::function<void(ReportPreview&)> previewHook;

    // Names the open and picture dialogs start with (their last use).
    QString lastOpenName;
    QString lastPictureName;

    // Asks for a view refresh within kViewRefreshMs.
    void scheduleViews();
    // Announces new rows to the grid, follows the current row, redraws the chart.
    void refreshViews();
};

// The recording half a window holds as a child object (setupRecordingHalf
// creates it). The window must have one.
RecordingHalf& recordingHalfOf(const QObject& window);
// Creates the window's recording half, owned by `window`.
RecordingHalf& createRecordingHalf(QObject& window, std::function<ClockTime()> now = {});

}  // namespace tavolo
