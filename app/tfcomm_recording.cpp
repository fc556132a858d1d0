// The recording half of the window: grid, chart paging, recording controls,
// data files, bitmap and report. The handlers forward to the recording core
// (record/, files/) held in the window's RecordingHalf and show the results.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <array>
#include <string>

#include "app/click_panel.h"
#include "app/lcd_glyphs.h"
#include "app/lcd_panel_widget.h"
#include "app/tfcomm.h"
#include "app/views/bitmap_export.h"
#include "app/views/chart_view.h"
#include "app/views/reading_grid.h"
#include "app/views/reading_report.h"
#include "app/views/reading_table_model.h"
#include "app/views/recording_half.h"
#include "app/views/report_preview.h"
#include "decode/meter_decoder.h"
#include "files/data_file.h"
#include "files/file_paths.h"
#include "files/file_result.h"

using tavolo::ChartModel;
using tavolo::FileDialogRequest;
using tavolo::NoticeKind;
using tavolo::RecordingHalf;
using tavolo::RecordLimit;

namespace {

QString fromLocal8(const std::string& text)
{
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toLocal8(const QString& text)
{
    return text.toLocal8Bit().toStdString();
}

QString askFile(TFCOMM& window, RecordingHalf& rec, const FileDialogRequest& request)
{
    return rec.fileDialog ? rec.fileDialog(request) : tavolo::showFileDialog(&window, request);
}

void notify(TFCOMM& window, RecordingHalf& rec, NoticeKind kind, const QString& title,
            const QString& text)
{
    if (rec.notice)
        rec.notice(kind, title, text);
    else
        tavolo::showNotice(&window, kind, title, text);
}

tavolo::RecallEdits recallEdits(const TFCOMM& w)
{
    tavolo::RecallEdits edits;
    edits.TimeH = w.TimeH->text().toStdString();
    edits.TimeM = w.TimeM->text().toStdString();
    edits.TimeS = w.TimeS->text().toStdString();
    edits.TimeInt = w.TimeInt->text().toStdString();
    return edits;
}

// Writes the clock edits back without running their change handlers again.
void showRecallEdits(TFCOMM& w, const tavolo::RecallEdits& edits)
{
    const std::array<std::pair<QLineEdit*, const std::string*>, 3> pairs{
        {{w.TimeH, &edits.TimeH}, {w.TimeM, &edits.TimeM}, {w.TimeS, &edits.TimeS}}};
    for (const auto& [edit, text] : pairs) {
        const QString wanted = QString::fromStdString(*text);
        if (edit->text() != wanted) {
            const QSignalBlocker block(edit);
            edit->setText(wanted);
        }
    }
}

// The hidden series chooser as the chart panel holds it, set without
// running its change handler.
void showNewChartChoice(TFCOMM& w, RecordingHalf& rec)
{
    const QSignalBlocker block(w.ComboBox1);
    w.ComboBox1->setCurrentIndex(rec.session.chartPanel().ComboBox1());
}

}  // namespace

void TFCOMM::setupRecordingHalf()
{
    RecordingHalf& rec = tavolo::recordingHalfOf(*this);

    // The chart view takes the place (and the stacking) of the chart area.
    auto* view = new tavolo::ChartView(Chtshow->parentWidget());
    view->setObjectName(QStringLiteral("Chtshow"));
    view->setGeometry(Chtshow->geometry());
    view->stackUnder(Chtshow);
    ComboBox1->setParent(view);
    ComboBox1->hide();
    delete Chtshow;
    Chtshow = view;
    view->show();
    rec.chartView = view;
    view->setSource(&rec.chartSource);

    rec.gridModel = new tavolo::ReadingTableModel(rec.session.table(), this);
    rec.gridModel->setLcdTextMapper(tavolo::lcdDisplayText);
    rec.gridModel->setUnitFont(tavolo::lcdSymbolFont(12));
    rec.grid = DBGrid1;
    tavolo::setupReadingGrid(*DBGrid1, *rec.gridModel);

    rec.viewTimer = new QTimer(this);
    rec.viewTimer->setSingleShot(true);
    connect(rec.viewTimer, &QTimer::timeout, this, [&rec] { rec.refreshViews(); });

    // What the session's recording steps changed, on screen.
    rec.observer.onModeChanged = [this, &rec](bool restartChart) {
        if (restartChart)
            showNewChartChoice(*this, rec);
        rec.scheduleViews();
    };
    rec.observer.onReadingHandled = [this, &rec](tavolo::RecordOutcome outcome) {
        if (outcome == tavolo::RecordOutcome::Recorded || outcome == tavolo::RecordOutcome::ChartedOnly) {
            const QString page = QString::fromStdString(rec.session.chartPanel().Bt10());
            if (Bt10->text() != page)
                Bt10->setText(page);
            rec.scheduleViews();
        }
    };

    // The controls the frame steps read, kept in the session as they change
    // (the edits also after their validation, see RecordSITimeChange).
    for (QCheckBox* box : {RecordSI, RepeatSet, RecallCheck})
        connect(box, &QCheckBox::toggled, this, &TFCOMM::syncRecordingInputs);
    syncRecordingInputs();

    Bt10->setText(QString::fromStdString(rec.session.chartPanel().Bt10()));
    rec.refreshViews();
}

void TFCOMM::syncRecordingInputs()
{
    if (!m_decoder)
        return;  // the window is still being built; setupRecordingHalf syncs
    tavolo::RecordingInputs& in = tavolo::recordingHalfOf(*this).session.inputs();
    in.RecordSI = RecordSI->isChecked();
    in.RecordSITime = RecordSITime->text().toStdString();
    in.RepeatSet = RepeatSet->isChecked();
    in.RecallCheck = RecallCheck->isChecked();
    in.recall.TimeInt = TimeInt->text().toStdString();
}

// ---- Chart paging ----

void TFCOMM::BtFirstClick()
{
    RecordingHalf& rec = tavolo::recordingHalfOf(*this);
    rec.session.chartPanel().BtFirstClick();
    Bt10->setText(QString::fromStdString(rec.session.chartPanel().Bt10()));
    rec.scheduleViews();
}

void TFCOMM::BTPreviousClick()
{
    RecordingHalf& rec = tavolo::recordingHalfOf(*this);
    rec.session.chartPanel().BTPreviousClick();
    Bt10->setText(QString::fromStdString(rec.session.chartPanel().Bt10()));
    rec.scheduleViews();
}

void TFCOMM::BtNextClick()
{
    RecordingHalf& rec = tavolo::recordingHalfOf(*this);
    rec.session.chartPanel().BtNextClick();
    Bt10->setText(QString::fromStdString(rec.session.chartPanel().Bt10()));
    rec.scheduleViews();
}

void TFCOMM::BTlastClick()
{
    RecordingHalf& rec = tavolo::recordingHalfOf(*this);
    rec.session.chartPanel().BTlastClick();
    Bt10->setText(QString::fromStdString(rec.session.chartPanel().Bt10()));
    rec.scheduleViews();
}

void TFCOMM::MaxrecordChange()
{
    tavolo::recordingHalfOf(*this).session.chartPanel().MaxrecordChange(Maxrecord->text().toStdString());
    Timer2->start();  // restarts: the size applies 2 s after the last change
}

void TFCOMM::Timer2Timer()
{
    Timer2->stop();
    RecordingHalf& rec = tavolo::recordingHalfOf(*this);
    const std::optional<std::string> problem = rec.session.chartPanel().Timer2Timer();
    Bt10->setText(QString::fromStdString(rec.session.chartPanel().Bt10()));
    rec.scheduleViews();
    if (!problem)
        return;
    // Told without a modal box, so readings go on being recorded meanwhile.
    const QString text = fromLocal8(*problem);
    if (rec.notice) {
        rec.notice(NoticeKind::Error, QStringLiteral("Error"), text);
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Error"), text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

void TFCOMM::btFillClick()
{
    RecordingHalf& rec = tavolo::recordingHalfOf(*this);
    rec.session.chartPanel().btFillClick(BtFill->isChecked());
    Fill1->setChecked(rec.session.chartPanel().fillMenuChecked());
    rec.scheduleViews();
}

void TFCOMM::FillClick()
{
    RecordingHalf& rec = tavolo::recordingHalfOf(*this);
    rec.session.chartPanel().FillClick();
    const QSignalBlocker block(BtFill);
    BtFill->setChecked(rec.session.chartPanel().BtFill());
    Fill1->setChecked(rec.session.chartPanel().fillMenuChecked());
    rec.scheduleViews();
}

void TFCOMM::BtNewClick()
{
    RecordingHalf& rec = tavolo::recordingHalfOf(*this);
    rec.session.chartPanel().BtNewClick();
    showNewChartChoice(*this, rec);
    rec.scheduleViews();
}

namespace {

// The enlarged chart at 2, 28, sized from the window's outer size (width - 12,
// height - 95). A title bar and the status line under the client area make the
// outer size taller than that rule expects, so the chart is also held inside
// the client area, ending no further right or down than the normal chart does.
QRect enlargedChartBounds(QSize outer, QSize client)
{
    constexpr int kLeft = 2;
    constexpr int kTop = 28;
    constexpr int kRightGap = 2;   // as the normal chart: 336 + 376 = 714 - 2
    constexpr int kBottomGap = 4;  // as the normal chart: 204 + 269 = 477 - 4
    const int width = std::min(outer.width() - 12, client.width() - kRightGap - kLeft);
    const int height = std::min(outer.height() - 95, client.height() - kBottomGap - kTop);
    return {kLeft, kTop, width, height};
}

}  // namespace

void TFCOMM::TbFdClick()
{
    if (Chtshow->y() > 50) {
        // Enlarge over the limit panel, record row and grid.
        Panel1->hide();
        TbFd->hide();
        TbSx->show();
        SavedChartBounds = Chtshow->geometry();
        Chtshow->setGeometry(enlargedChartBounds(frameGeometry().size(), centralWidget()->size()));
        Chtshow->raise();  // over the limit panel, the record row and the grid
        Panel6->hide();
        Panel5->move(2, 2);
    } else {
        Panel1->show();
        TbSx->hide();
        TbFd->show();
        Chtshow->setGeometry(SavedChartBounds);
        Panel6->show();
        Panel5->move(341, 166);
    }
    Panel5->raise();
}

// ---- Recording controls ----

void TFCOMM::RecordNewClick()
{
    RecordingHalf& rec = tavolo::recordingHalfOf(*this);
    const bool yes = askYesNo(QString::fromLatin1(tavolo::RecordingControls::kDeleteQuestion.data(),
                                                  static_cast<qsizetype>(
                                                      tavolo::RecordingControls::kDeleteQuestion.size())));
    if (!rec.session.controls().RecordNewClick(yes))
        return;
    rec.gridModel->resetFromTable();
    Bt10->setText(QString::fromStdString(rec.session.chartPanel().Bt10()));
    showNewChartChoice(*this, rec);
    rec.refreshViews();
}

namespace {

void chooseLimit(TFCOMM& w, RecordLimit limit)
{
    RecordingHalf& rec = tavolo::recordingHalfOf(w);
    rec.session.controls().chooseRecordLimit(limit);
    const std::array<std::pair<QAction*, RecordLimit>, 6> items{{{w.N10001, RecordLimit::N1000},
                                                                 {w.N50001, RecordLimit::N5000},
                                                                 {w.N100001, RecordLimit::N10000},
                                                                 {w.N500001, RecordLimit::N50000},
                                                                 {w.N1000001, RecordLimit::N100000},
                                                                 {w.limitess, RecordLimit::Limitless}}};
    for (const auto& [action, itemLimit] : items) {
        action->setCheckable(true);
        action->setChecked(rec.session.controls().isChecked(itemLimit));
    }
}

}  // namespace

void TFCOMM::N10001Click() { chooseLimit(*this, RecordLimit::N1000); }
void TFCOMM::N50001Click() { chooseLimit(*this, RecordLimit::N5000); }
void TFCOMM::N100001Click() { chooseLimit(*this, RecordLimit::N10000); }
void TFCOMM::N500001Click() { chooseLimit(*this, RecordLimit::N50000); }
void TFCOMM::N1000001Click() { chooseLimit(*this, RecordLimit::N100000); }
void TFCOMM::limitessClick() { chooseLimit(*this, RecordLimit::Limitless); }

void TFCOMM::TrecordTimer()
{
    tavolo::recordingHalfOf(*this).session.controls().TrecordTimer(RecordSI->isChecked());
}

void TFCOMM::RecordSITimeChange(QLineEdit* edit)
{
    const auto replacement = tavolo::RecordingControls::RecordSITimeChange(edit->text().toStdString());
    if (replacement) {
        const QSignalBlocker block(edit);
        edit->setText(QString::fromStdString(replacement->text));
        edit->setSelection(replacement->selectionStart, replacement->selectionLength);
    }
    syncRecordingInputs();
}

bool TFCOMM::RecordSITimeKeyPress(QChar key)
{
    return tavolo::RecordingControls::RecordSITimeKeyPress(key.unicode());
}

void TFCOMM::RecallCheckClick()
{
    RecordingHalf& rec = tavolo::recordingHalfOf(*this);
    tavolo::RecallEdits edits = recallEdits(*this);
    rec.session.recallClock().RecallCheckClick(RecallCheck->isChecked(), edits);
    showRecallEdits(*this, edits);
}

void TFCOMM::RecallCheckExit()
{
    tavolo::recordingHalfOf(*this).session.recallClock().RecallCheckExit(recallEdits(*this));
}

void TFCOMM::TimeHKeyUp(QLineEdit*)
{
    RecordingHalf& rec = tavolo::recordingHalfOf(*this);
    tavolo::RecallEdits edits = recallEdits(*this);
    const tavolo::RecallInputErrors errors = rec.session.recallClock().TimeHKeyUp(edits);
    showRecallEdits(*this, edits);
    const QString text = QString::fromLatin1(tavolo::RecallClock::kInputError.data(),
                                             static_cast<qsizetype>(tavolo::RecallClock::kInputError.size()));
    for (const bool failed : {errors.hour, errors.minute, errors.second})
        if (failed)
            showInformation(text);
}

// ---- Data files ----

void TFCOMM::saveasClick()
{
    RecordingHalf& rec = tavolo::recordingHalfOf(*this);
    FileDialogRequest request;
    request.kind = FileDialogRequest::Kind::SaveData;
    request.filter = tavolo::saveDataFilter();
    request.defaultSuffix = QStringLiteral("xls");
    request.confirmOverwrite = true;  // the name starts empty every time
    const QString path = askFile(*this, rec, request);
    if (path.isEmpty())
        return;
    const std::string nativePath = toLocal8(QDir::toNativeSeparators(path));
    const tavolo::FileResult result = tavolo::saveDataFile(rec.session.table(), nativePath);
    // The writer leaves the table on its last row; the grid follows.
    rec.refreshViews();
    tavolo::followRow(*DBGrid1, rec.session.table().currentRow());
    if (result.message.empty())
        return;  // a saved XML packet shows nothing
    const bool runtimeError = !result.ok && tavolo::isXmlPath(nativePath);
    notify(*this, rec, runtimeError ? NoticeKind::Error : NoticeKind::Plain,
           runtimeError ? QStringLiteral("Error") : QString(), fromLocal8(result.message));
}

void TFCOMM::SpeedButton2Click()
{
    RecordingHalf& rec = tavolo::recordingHalfOf(*this);
    FileDialogRequest request;
    request.kind = FileDialogRequest::Kind::OpenData;
    request.filter = tavolo::openDataFilter();
    request.startName = rec.lastOpenName;
    const QString path = askFile(*this, rec, request);
    if (path.isEmpty())
        return;
    rec.lastOpenName = path;
    const tavolo::FileResult result =
        tavolo::DataFileReader(toLocal8(QDir::toNativeSeparators(path)), rec.session.table());
    // An XML load replaces the rows, a text load appends: show the table afresh.
    rec.gridModel->resetFromTable();
    tavolo::followRow(*DBGrid1, rec.session.table().currentRow());
    if (!result.ok)
        notify(*this, rec, NoticeKind::Error, fromLocal8(std::string(tavolo::kLoadFailedTitle)),
               fromLocal8(result.message.empty() ? std::string(tavolo::kLoadFailedMessage)
                                                 : result.message));
}

// ---- Bitmap and report ----

void TFCOMM::BtSaveClick()
{
    RecordingHalf& rec = tavolo::recordingHalfOf(*this);
    FileDialogRequest request;
    request.kind = FileDialogRequest::Kind::SavePicture;
    request.filter = tavolo::savePictureFilter();
    request.defaultSuffix = QStringLiteral("bmp");
    request.startName = rec.lastPictureName;
    request.confirmOverwrite = true;
    const QString chosen = askFile(*this, rec, request);
    if (chosen.isEmpty())
        return;
    rec.lastPictureName = chosen;
    const QString path = fromLocal8(tavolo::bitmapPathFor(toLocal8(chosen)));
    const QString failure = tavolo::writeBitmapFile(rec.chartView->renderImage(), path);
    if (!failure.isEmpty()) {
        notify(*this, rec, NoticeKind::Error, QStringLiteral("Error"), failure);
        return;
    }
    notify(*this, rec, NoticeKind::Information, QStringLiteral("Information"),
           QStringLiteral("Graphic has been saved successfully at the following location: %1")
               .arg(QDir::toNativeSeparators(path)));
}

void TFCOMM::BtPrintClick()
{
    RecordingHalf& rec = tavolo::recordingHalfOf(*this);
    // The grid stands still while the report shows the table, and follows it
    // again however the preview ends.
    struct GridHold {
        RecordingHalf& rec;
        explicit GridHold(RecordingHalf& r) : rec(r) { rec.gridModel->setFrozen(true); }
        ~GridHold()
        {
            rec.gridModel->setFrozen(false);
            rec.refreshViews();
            tavolo::followRow(*rec.grid, rec.session.table().currentRow());
        }
    } hold(rec);

    tavolo::ReadingReport report(rec.session.table(), rec.session.table().rowCount());
    report.setLcdText(tavolo::lcdDisplayText, [](int pixels) { return tavolo::lcdSymbolFont(pixels); });
    tavolo::ReportPreview preview(report, this);
    if (rec.previewHook)
        rec.previewHook(preview);
    else
        preview.exec();  // modal, with the event loop running: recording goes on
}
