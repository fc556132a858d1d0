#pragma once

#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <string>

#include "app/views/chart_model_source.h"
#include "app/views/recording_dialogs.h"
#include "app/window_session_observer.h"
#include "record/meter_session.h"

class QObject;
class QTableView;
class QTimer;

namespace tavolo {

class ChartView;
class ReadingTableModel;
class ReportPreview;

// The recording half of the main window: the meter session (decoder, reading
// table, record rule, recording controls, recall clock, paged chart) with the
// window's observer, and the views over it (grid model, chart view). The
// window's handlers forward to these objects; nothing here knows the window's
// controls except the grid and the chart view it is given.
//
// Views repaint on one coalescing timer (at most every kViewRefreshMs), never
// once per reading. Lives as long as the window; GUI thread only.
struct RecordingHalf {
    static constexpr int kViewRefreshMs = 40;

    RecordingHalf(std::function<std::string()> decimalSymbol, std::function<ClockTime()> now);
    ~RecordingHalf();
    RecordingHalf(const RecordingHalf&) = delete;
    RecordingHalf& operator=(const RecordingHalf&) = delete;

    WindowSessionObserver observer;  // before the session: the decoder asks it while built
    MeterSession session;
    ChartModelSource chartSource;

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
// Creates the window's recording half, owned by `window`. `decimalSymbol` is
// the user's decimal separator, asked before every frame.
RecordingHalf& createRecordingHalf(QObject& window, std::function<std::string()> decimalSymbol,
                                   std::function<ClockTime()> now = {});

}  // namespace tavolo
