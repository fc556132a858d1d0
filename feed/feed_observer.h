#pragma once

#include "feed/reading_publisher.h"
#include "record/reading_table.h"
#include "record/session_observer.h"

namespace tavolo::feed {

// Hands every decoded reading of a meter session to a publisher: add it with
// MeterSession::addObserver. Copies a few short texts on the session's thread
// and returns; formatting and sending happen on the feed's thread.
// `publisher` and `table` (the session's) must outlive the observer.
//
// Wiring, for example in a window (the status callback runs on the feed's
// thread, so it only posts the text to the GUI thread):
//
//   m_publisher = std::make_unique<feed::MqttPublisher>(settings, info,
//       [this](const feed::FeedStatus& s) { postStatusText(feed::describe(s)); });
//   m_feedObserver = std::make_unique<feed::FeedObserver>(*m_publisher, session.table());
//   session.addObserver(m_feedObserver.get());
//   ...  // limits edited: m_publisher->setStatusInfo(info with hi/lo)
//   session.removeObserver(m_feedObserver.get());  // before the publisher goes
//   m_publisher->stop();  // publishes "offline", waits at most 2 s
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
