#include "app/views/recording_half.h"

#include <QTableView>
#include <QTimer>

#include "app/views/chart_view.h"
#include "app/views/reading_grid.h"
#include "app/views/reading_table_model.h"

namespace tavolo {
namespace {

// Holds the recording half as a child of the window, so it goes with it.
class RecordingHalfOwner : public QObject {
public:
    RecordingHalfOwner(QObject& window, std::function<std::string()> decimalSymbol,
                       std::function<ClockTime()> now)
        : QObject(&window), half(std::move(decimalSymbol), std::move(now))
    {
        setObjectName(QStringLiteral("RecordingHalf"));
    }
    RecordingHalf half;
};

}  // namespace

RecordingHalf& createRecordingHalf(QObject& window, std::function<std::string()> decimalSymbol,
                                   std::function<ClockTime()> now)
{
    return (new RecordingHalfOwner(window, std::move(decimalSymbol), std::move(now)))->half;
}

RecordingHalf& recordingHalfOf(const QObject& window)
{
    auto* owner = window.findChild<QObject*>(QStringLiteral("RecordingHalf"),
                                             Qt::FindDirectChildrenOnly);
    Q_ASSERT(owner);
    return static_cast<RecordingHalfOwner*>(owner)->half;
}

RecordingHalf::RecordingHalf(std::function<std::string()> decimalSymbol, std::function<ClockTime()> now)
    : observer(std::move(decimalSymbol)),
      session(&observer, std::move(now)),
      chartSource(session.chart())
{
}

RecordingHalf::~RecordingHalf()
{
    if (chartView)  // the view may outlive the model it draws
        chartView->setSource(nullptr);
}

void RecordingHalf::scheduleViews()
{
    if (viewTimer && !viewTimer->isActive())
        viewTimer->start(kViewRefreshMs);
}

void RecordingHalf::refreshViews()
{
    if (viewTimer)
        viewTimer->stop();
    // The grid moves to the newest row only when rows arrived, so a reading
    // that is charted but not recorded leaves the user's scroll position alone.
    if (gridModel && grid && gridModel->syncWithTable())
        followRow(*grid, session.table().currentRow());
    if (chartView)
        chartView->refreshNow();
}

}  // namespace tavolo
