#include "app/recording_bar.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolButton>

#include <array>

#include "app/control_factory.h"
#include "app/core_text.h"
#include "app/lcd_glyphs.h"
#include "app/pictures.h"
#include "app/views/reading_grid.h"
#include "app/views/reading_report.h"
#include "app/views/reading_table_model.h"
#include "app/views/report_preview.h"
#include "app/window_fonts.h"
#include "app/window_services.h"
#include "files/data_file.h"
#include "files/file_paths.h"
#include "files/file_result.h"
#include "record/meter_session.h"

namespace tavolo {

RecordingBar::RecordingBar(QWidget& client, QWidget& hidden, MeterSession& session, RepaintScheduler& scheduler,
                           WindowServices& services, QObject* parent)
    : QObject(parent), m_session(session), m_scheduler(scheduler), m_services(services)
{
    setObjectName(QStringLiteral("RecordingBar"));
    createControls(client, hidden);

    m_gridModel = new ReadingTableModel(m_session.table(), this);
    m_gridModel->setLcdTextMapper(lcdDisplayText);
    m_gridModel->setUnitFont(lcdSymbolFont(12));
    setupReadingGrid(*DBGrid1, *m_gridModel);

    for (QLineEdit* e : {RecordSITime, TimeH, TimeM, TimeS, TimeInt})
        connect(e, &QLineEdit::textChanged, this, [this, e] { RecordSITimeChange(e); });
    connect(RecordNew, &QToolButton::clicked, this, &RecordingBar::RecordNewClick);
    connect(OpenDataFiles, &QToolButton::clicked, this, &RecordingBar::SpeedButton2Click);
    connect(saveas, &QToolButton::clicked, this, &RecordingBar::saveasClick);
    connect(BtPrint, &QToolButton::clicked, this, &RecordingBar::BtPrintClick);
    connect(RecallCheck, &QCheckBox::clicked, this, &RecordingBar::RecallCheckClick);
    connect(Trecord, &QTimer::timeout, this, &RecordingBar::TrecordTimer);
    // The controls the frame steps read, kept in the session as they change
    // (the edits also after their validation, see RecordSITimeChange).
    for (QCheckBox* box : {RecordSI, RepeatSet, RecallCheck})
        connect(box, &QCheckBox::toggled, this, &RecordingBar::syncRecordingInputs);
    for (QWidget* w : {static_cast<QWidget*>(RecordSITime), static_cast<QWidget*>(TimeH),
                       static_cast<QWidget*>(TimeM), static_cast<QWidget*>(TimeS), static_cast<QWidget*>(TimeInt),
                       static_cast<QWidget*>(RecallCheck)})
        w->installEventFilter(this);
    syncRecordingInputs();

    m_session.table().addListener(this);
    m_scheduler.add(this);
}

RecordingBar::~RecordingBar()
{
    m_scheduler.remove(this);
    m_session.table().removeListener(this);
}

void RecordingBar::createControls(QWidget& client, QWidget& hidden)
{
    const QFont rowFont = msSansSerifFont(11, false);
    RepeatSet = checkBox(&client, "RepeatSet", QStringLiteral("Repeat"), QRect(1, 210, 54, 20), true);
    RepeatSet->setFont(rowFont);
    RecordSI = checkBox(&client, "RecordSI", QStringLiteral("Sampling Interval           'S"),
                        QRect(55, 210, 143, 20), false);
    // The caption's blank part lies under RecordSITime. This face is wider than
    // the original one: set a little tighter so "Sampling Interval" ends before
    // the edit and the "'S" after it stays inside the box.
    QFont siFont = rowFont;
    siFont.setLetterSpacing(QFont::AbsoluteSpacing, -0.4);
    siFont.setWordSpacing(-1.0);
    RecordSI->setFont(siFont);
    RecordSITime = edit(&client, "RecordSITime", QStringLiteral("10"), QRect(157, 210, 27, 21));
    RecordNew = speedButton(&client, "RecordNew", QRect(246, 210, 23, 21), blankPageIcon());
    RecordNew->setAutoRaise(true);  // flat: its bevel shows only under the mouse
    RecordNew->setToolTip(QStringLiteral("Close Data"));
    OpenDataFiles = speedButton(&client, "OpenDataFiles", QRect(268, 210, 23, 21), openFolderIcon());
    OpenDataFiles->setToolTip(QStringLiteral("Open old data files"));
    saveas = speedButton(&client, "saveas", QRect(290, 210, 23, 21), floppyIcon());
    saveas->setToolTip(QStringLiteral("Save data files"));
    BtPrint = speedButton(&client, "BtPrint", QRect(312, 210, 22, 21), printerIcon());

    DBGrid1 = new ReadingGrid(&client);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setGeometry(1, 232, 334, 241);
    DBGrid1->setFont(arialFont(12, false));
    DBGrid1->horizontalHeader()->setFont(msSansSerifFont(11, false));

    Trecord = new QTimer(this);
    Trecord->setObjectName(QStringLiteral("Trecord"));
    Trecord->setInterval(1000);

    const QFont font = hidden.font();
    Panel2 = panel(&hidden, "Panel2", QRect(8, 126, 420, 26));
    RecallCheck = checkBox(Panel2, "RecallCheck", QStringLiteral("RecallData"), QRect(4, 4, 84, 17), false);
    Label2 = label(Panel2, "Label2", QStringLiteral("StartTime:"), QPoint(92, 6), font);
    TimeH = edit(Panel2, "TimeH", QStringLiteral("23"), QRect(160, 2, 24, 21));
    Label3 = label(Panel2, "Label3", QStringLiteral(":"), QPoint(186, 6), font);
    TimeM = edit(Panel2, "TimeM", QStringLiteral("59"), QRect(192, 2, 24, 21));
    Label4 = label(Panel2, "Label4", QStringLiteral(":"), QPoint(218, 6), font);
    TimeS = edit(Panel2, "TimeS", QStringLiteral("59"), QRect(224, 2, 24, 21));
    Label1 = label(Panel2, "Label1", QStringLiteral("Interval"), QPoint(260, 6), font);
    TimeInt = edit(Panel2, "TimeInt", QStringLiteral("1"), QRect(316, 2, 30, 21));
    Label5 = label(Panel2, "Label5", QStringLiteral("'S"), QPoint(350, 6), font);
}

void RecordingBar::createMenu(QMenuBar& bar)
{
    Record1 = bar.addMenu(QStringLiteral("Record"));
    Record1->setObjectName(QStringLiteral("Record1"));
    New1 = menuItem(Record1, "New1", QStringLiteral("New"));
    New1->setVisible(false);
    Save1 = menuItem(Record1, "Save1", QStringLiteral("Save"));
    Save1->setVisible(false);
    m_recordSeparator = Record1->addSeparator();
    m_recordSeparator->setVisible(false);
    N10001 = menuItem(Record1, "N10001", QStringLiteral("1000"), true);
    N50001 = menuItem(Record1, "N50001", QStringLiteral("5000"), true);
    N100001 = menuItem(Record1, "N100001", QStringLiteral("10000"), true, true);
    N500001 = menuItem(Record1, "N500001", QStringLiteral("50000"), true);
    N1000001 = menuItem(Record1, "N1000001", QStringLiteral("100000"), true);
    limitess = menuItem(Record1, "limitess", QStringLiteral("limitless"), true);
    // The record limit is one choice of six: one mark, drawn as a radio item.
    auto* limits = new QActionGroup(this);
    limits->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    for (QAction* a : {N10001, N50001, N100001, N500001, N1000001, limitess})
        limits->addAction(a);

    connect(New1, &QAction::triggered, this, &RecordingBar::RecordNewClick);
    connect(Save1, &QAction::triggered, this, &RecordingBar::saveasClick);
    connect(N10001, &QAction::triggered, this, &RecordingBar::N10001Click);
    connect(N50001, &QAction::triggered, this, &RecordingBar::N50001Click);
    connect(N100001, &QAction::triggered, this, &RecordingBar::N100001Click);
    connect(N500001, &QAction::triggered, this, &RecordingBar::N500001Click);
    connect(N1000001, &QAction::triggered, this, &RecordingBar::N1000001Click);
    connect(limitess, &QAction::triggered, this, &RecordingBar::limitessClick);
}

bool RecordingBar::eventFilter(QObject* watched, QEvent* event)
{
    if (const std::optional<QChar> c = typedCharacter(event)) {
        if (watched != RecallCheck && !RecordSITimeKeyPress(*c))
            return true;
    } else if (event->type() == QEvent::KeyRelease) {
        if (watched == TimeH || watched == TimeM || watched == TimeS)
            TimeHKeyUp(static_cast<QLineEdit*>(watched));
    } else if (event->type() == QEvent::FocusOut && watched == RecallCheck) {
        RecallCheckExit();
    }
    return QObject::eventFilter(watched, event);
}

void RecordingBar::syncRecordingInputs()
{
    RecordingInputs& in = m_session.inputs();
    in.RecordSI = RecordSI->isChecked();
    in.RecordSITime = toCoreText(RecordSITime->text());
    in.RepeatSet = RepeatSet->isChecked();
    in.RecallCheck = RecallCheck->isChecked();
    in.recall.TimeInt = toCoreText(TimeInt->text());
}

// ---- The grid follows the table ----

void RecordingBar::rowsAppended(std::size_t, std::size_t) { m_scheduler.schedule(this); }

void RecordingBar::tableCleared()
{
    m_tableReset = true;
    m_scheduler.schedule(this);
}

void RecordingBar::tableReplaced()
{
    m_tableReset = true;
    m_scheduler.schedule(this);
}

void RecordingBar::repaintFromModel()
{
    if (m_gridModel->isFrozen())
        return;  // the report walks the table; unfreezing catches up
    bool changed = false;
    if (m_tableReset) {
        m_tableReset = false;
        m_gridModel->resetFromTable();
        changed = true;
    } else {
        changed = m_gridModel->syncWithTable();
    }
    // The grid moves to the newest row only when rows arrived, so a reading
    // that is charted but not recorded leaves the user's scroll position alone.
    if (changed)
        followCurrentRow();
}

void RecordingBar::showRestoredSession()
{
    chooseLimit(m_session.controls().checkedLimit());  // the menu's check mark
    m_tableReset = true;
    m_scheduler.schedule(this);
}

void RecordingBar::followCurrentRow() { followRow(*DBGrid1, m_session.table().currentRow()); }

// ---- Recording controls ----

void RecordingBar::RecordNewClick()
{
    const bool yes = m_services.askYesNo(fromCoreText(RecordingControls::kDeleteQuestion));
    if (!m_session.controls().RecordNewClick(yes))
        return;
    emit recordsCleared();
    m_scheduler.repaintNow();
}

void RecordingBar::chooseLimit(RecordLimit limit)
{
    m_session.controls().chooseRecordLimit(limit);
    const std::array<std::pair<QAction*, RecordLimit>, 6> items{{{N10001, RecordLimit::N1000},
                                                                 {N50001, RecordLimit::N5000},
                                                                 {N100001, RecordLimit::N10000},
                                                                 {N500001, RecordLimit::N50000},
                                                                 {N1000001, RecordLimit::N100000},
                                                                 {limitess, RecordLimit::Limitless}}};
    for (const auto& [action, itemLimit] : items) {
        action->setCheckable(true);
        action->setChecked(m_session.controls().isChecked(itemLimit));
    }
}

void RecordingBar::N10001Click() { chooseLimit(RecordLimit::N1000); }
void RecordingBar::N50001Click() { chooseLimit(RecordLimit::N5000); }
void RecordingBar::N100001Click() { chooseLimit(RecordLimit::N10000); }
void RecordingBar::N500001Click() { chooseLimit(RecordLimit::N50000); }
void RecordingBar::N1000001Click() { chooseLimit(RecordLimit::N100000); }
void RecordingBar::limitessClick() { chooseLimit(RecordLimit::Limitless); }

void RecordingBar::TrecordTimer() { m_session.controls().TrecordTimer(RecordSI->isChecked()); }

void RecordingBar::RecordSITimeChange(QLineEdit* edit)
{
    const auto replacement = RecordingControls::RecordSITimeChange(toCoreText(edit->text()));
    if (replacement) {
        const QSignalBlocker block(edit);
        edit->setText(fromCoreText(replacement->text));
        edit->setSelection(replacement->selectionStart, replacement->selectionLength);
    }
    syncRecordingInputs();
}

bool RecordingBar::RecordSITimeKeyPress(QChar key) { return RecordingControls::RecordSITimeKeyPress(key.unicode()); }

RecallEdits RecordingBar::recallEdits() const
{
    RecallEdits edits;
    edits.TimeH = toCoreText(TimeH->text());
    edits.TimeM = toCoreText(TimeM->text());
    edits.TimeS = toCoreText(TimeS->text());
    edits.TimeInt = toCoreText(TimeInt->text());
    return edits;
}

void RecordingBar::showRecallEdits(const RecallEdits& edits)
{
    // Written back without running the edits' change handlers again.
    const std::array<std::pair<QLineEdit*, const std::string*>, 3> pairs{
        {{TimeH, &edits.TimeH}, {TimeM, &edits.TimeM}, {TimeS, &edits.TimeS}}};
    for (const auto& [edit, text] : pairs) {
        const QString wanted = fromCoreText(*text);
        if (edit->text() != wanted) {
            const QSignalBlocker block(edit);
            edit->setText(wanted);
        }
    }
}

void RecordingBar::RecallCheckClick()
{
    RecallEdits edits = recallEdits();
    m_session.recallClock().RecallCheckClick(RecallCheck->isChecked(), edits);
    showRecallEdits(edits);
}

void RecordingBar::RecallCheckExit() { m_session.recallClock().RecallCheckExit(recallEdits()); }

void RecordingBar::TimeHKeyUp(QLineEdit*)
{
    RecallEdits edits = recallEdits();
    const RecallInputErrors errors = m_session.recallClock().TimeHKeyUp(edits);
    showRecallEdits(edits);
    const QString text = fromCoreText(RecallClock::kInputError);
    for (const bool failed : {errors.hour, errors.minute, errors.second})
        if (failed)
            m_services.showInformation(text);
}

// ---- Data files ----

void RecordingBar::saveasClick()
{
    FileDialogRequest request;
    request.kind = FileDialogRequest::Kind::SaveData;
    request.filter = saveDataFilter();
    request.defaultSuffix = QStringLiteral("xls");
    request.confirmOverwrite = true;  // the name starts empty every time
    const QString path = m_services.askFile(request);
    if (path.isEmpty())
        return;
    const std::string nativePath = toCoreText(QDir::toNativeSeparators(path));
    const FileResult result = saveDataFile(m_session.table(), nativePath);
    // The writer leaves the table on its last row; the grid follows.
    m_scheduler.repaintNow();
    followCurrentRow();
    if (result.message.empty())
        return;  // a saved XML packet shows nothing
    const bool runtimeError = !result.ok && isXmlPath(nativePath);
    m_services.notify(runtimeError ? NoticeKind::Error : NoticeKind::Plain,
                      runtimeError ? QStringLiteral("Error") : QString(), fromCoreText(result.message));
}

void RecordingBar::SpeedButton2Click()
{
    FileDialogRequest request;
    request.kind = FileDialogRequest::Kind::OpenData;
    request.filter = openDataFilter();
    request.startName = m_lastOpenName;
    const QString path = m_services.askFile(request);
    if (path.isEmpty())
        return;
    m_lastOpenName = path;
    const FileResult result = DataFileReader(toCoreText(QDir::toNativeSeparators(path)), m_session.table());
    // An XML load replaces the rows, a text load appends: the grid shows the table afresh.
    m_tableReset = true;
    m_scheduler.repaintNow();
    followCurrentRow();
    if (!result.ok)
        m_services.notify(NoticeKind::Error, fromCoreText(kLoadFailedTitle),
                          fromCoreText(result.message.empty() ? std::string(kLoadFailedMessage) : result.message));
}

// ---- Report ----

void RecordingBar::BtPrintClick()
{
    // The grid stands still while the report shows the table, and follows it
    // again however the preview ends.
    struct GridHold {
        RecordingBar& bar;
        explicit GridHold(RecordingBar& b) : bar(b) { bar.m_gridModel->setFrozen(true); }
        ~GridHold()
        {
            bar.m_gridModel->setFrozen(false);
            bar.m_scheduler.repaintNow();
            bar.followCurrentRow();
        }
    } hold(*this);

    ReadingReport report(m_session.table(), m_session.table().rowCount());
    report.setLcdText(lcdDisplayText, [](int pixels) { return lcdSymbolFont(pixels); });
    ReportPreview preview(report, DBGrid1->window());
    m_services.runPreview(preview);  // modal, with the event loop running: recording goes on
}

}  // namespace tavolo
