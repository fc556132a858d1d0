#pragma once

#include <QObject>
#include <QString>

#include "app/repaint_scheduler.h"
#include "record/reading_table.h"
#include "record/recall_clock.h"
#include "record/recording_controls.h"

class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QTimer;
class QToolButton;
class QWidget;

namespace tavolo {

class MeterSession;
class ReadingGrid;
class ReadingTableModel;
class WindowServices;

// The recording bar ("Repeat", "Sampling Interval", the interval edit, "Close
// Data", open, save and print), the reading grid DBGrid1 under it, the Record
// menu with its record limits, the hidden recall clock (Panel2) and the
// sampling countdown Trecord; with the data files and the printed report.
// The rules are the core's (record rule, recording controls, recall clock,
// files/); the handlers forward there. The grid follows the table, whatever
// changed it, at the next repaint pass. GUI thread only; the session,
// scheduler and services outlive it.
class RecordingBar final : public QObject, private TableListener, private RepaintTarget {
    Q_OBJECT

public:
    RecordingBar(QWidget& client, QWidget& hidden, MeterSession& session, RepaintScheduler& scheduler,
                 WindowServices& services, QObject* parent = nullptr);
    ~RecordingBar() override;

    // The Record menu (visible); later items are added to it.
    void createMenu(QMenuBar& bar);

    // The session was restored behind the bar: the record-limit menu shows the
    // restored limit and the grid the restored table at the next pass.
    void showRestoredSession();

    // The grid's model (its rows are those announced at the last repaint pass).
    ReadingTableModel& gridModel() { return *m_gridModel; }

    // ---- Controls ----
    QCheckBox* RepeatSet = nullptr;
    QCheckBox* RecordSI = nullptr;
    QLineEdit* RecordSITime = nullptr;
    QToolButton* RecordNew = nullptr;
    QToolButton* OpenDataFiles = nullptr;
    QToolButton* saveas = nullptr;
    QToolButton* BtPrint = nullptr;
    ReadingGrid* DBGrid1 = nullptr;
    QMenu* Record1 = nullptr;
    QAction* New1 = nullptr;   // Record → "New" (hidden)
    QAction* Save1 = nullptr;  // Record → "Save" (hidden)
    QAction* N10001 = nullptr;
    QAction* N50001 = nullptr;
    QAction* N100001 = nullptr;
    QAction* N500001 = nullptr;
    QAction* N1000001 = nullptr;
    QAction* limitess = nullptr;
    QTimer* Trecord = nullptr;  // 1000 ms, running: sampling countdown
    // Hidden recall clock
    QFrame* Panel2 = nullptr;
    QCheckBox* RecallCheck = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* TimeH = nullptr;
    QLabel* Label3 = nullptr;  // ":"
    QLineEdit* TimeM = nullptr;
    QLabel* Label4 = nullptr;  // ":"
    QLineEdit* TimeS = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* TimeInt = nullptr;
    QLabel* Label5 = nullptr;

signals:
    // "Close Data" answered Yes: the table and the chart begun again.
    void recordsCleared();

public slots:
    void RecordNewClick();
    void N10001Click();
    void N50001Click();
    void N100001Click();
    void N500001Click();
    void N1000001Click();
    void limitessClick();
    void TrecordTimer();
    void RecordSITimeChange(QLineEdit* edit);  // RecordSITime, TimeH, TimeM, TimeS, TimeInt
    bool RecordSITimeKeyPress(QChar key);       // true: the key passes
    void RecallCheckClick();
    void RecallCheckExit();
    void TimeHKeyUp(QLineEdit* edit);  // TimeH, TimeM or TimeS
    void saveasClick();
    void SpeedButton2Click();  // OpenDataFiles
    void BtPrintClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls(QWidget& client, QWidget& hidden);
    void syncRecordingInputs();  // the controls the frame steps read, into the session
    void chooseLimit(RecordLimit limit);
    RecallEdits recallEdits() const;
    void showRecallEdits(const RecallEdits& edits);
    void followCurrentRow();
    void rowsAppended(std::size_t first, std::size_t count) override;
    void tableCleared() override;
    void tableReplaced() override;
    void repaintFromModel() override;

    MeterSession& m_session;
    RepaintScheduler& m_scheduler;
    WindowServices& m_services;
    ReadingTableModel* m_gridModel = nullptr;
    bool m_tableReset = false;  // rows cleared or exchanged since the last pass
    QString m_lastOpenName;     // the open dialog starts with its last choice
    QAction* m_recordSeparator = nullptr;  // hidden, as New1 and Save1
};

}  // namespace tavolo
