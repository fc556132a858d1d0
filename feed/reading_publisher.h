#pragma once

#include "feed/feed_reading.h"
#include "feed/feed_status.h"

namespace tavolo::feed {

// Where decoded readings go to leave the program live. publish() is called on
// the session's thread (the GUI thread in the window) for every decoded
// reading and never waits for the network.
class ReadingPublisher {
public:
    virtual ~ReadingPublisher() = default;

    // Hands one reading over. Never blocks on the network: at most a short lock.
    virtual void publish(const FeedReading& reading) = 0;
    // The state for a status line, as of now.
    virtual FeedStatus status() const = 0;
    // Replaces what the status message says (link, port, limits); sent again soon.
    virtual void setStatusInfo(const StatusInfo& info) = 0;
};

}  // namespace tavolo::feed
