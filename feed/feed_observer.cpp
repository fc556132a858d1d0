#include "feed/feed_observer.h"

namespace tavolo::feed {

FeedReading FeedObserver::toFeedReading(const HandledReading& handled, const ReadingTable& table)
{
    const Reading& r = handled.reading;
    FeedReading reading;
    reading.instantMs = handled.instantMs;
    reading.function = r.acDcText;
    reading.valueText = r.valueText;
    reading.unitText = r.unitText;
    reading.rangeText = r.rangeText;
    reading.judgeText = r.judgeText;
    reading.recorded = handled.outcome == RecordOutcome::Recorded && handled.row.has_value();
    if (reading.recorded)
        reading.no = table.intValue(*handled.row, TableField::No);
    return reading;
}

void FeedObserver::readingHandled(const HandledReading& handled)
{
    m_publisher.publish(toFeedReading(handled, m_table));
}

}  // namespace tavolo::feed
