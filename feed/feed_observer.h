#pragma once

#include "feed/reading_publisher.h"
#include "record/reading_table.h"
#include "record/session_observer.h"

namespace tavolo::feed {

// Hands every decoded reading of a meter session to a publisher: add it with
// MeterSession::addObserver. Copies a few short texts on the session's thread
// and returns; formatting and sending happen on the feed's thread.
// `publisher` and `table` (the session's) must outlive the observer.
class FeedObserver final : public SessionObserver {
public:
    FeedObserver(ReadingPublisher& publisher, const ReadingTable& table) : m_publisher(publisher), m_table(table) {}

    void readingHandled(const HandledReading& handled) override;

    // The reading as the feed takes it (used by readingHandled; for tests and tools).
    static FeedReading toFeedReading(const HandledReading& handled, const ReadingTable& table);

private:
    ReadingPublisher& m_publisher;
    const ReadingTable& m_table;
};

}  // namespace tavolo::feed
