#include "feed/feed_status.h"

namespace tavolo::feed {

std::string describe(const FeedStatus& status)
{
    std::string text = "MQTT: ";
    switch (status.state) {
    case FeedState::Connecting:
        text += "connecting to " + status.broker;
        break;
    case FeedState::Connected:
        text += "connected to " + status.broker;
        break;
    case FeedState::Retrying:
        text += status.reason.empty() ? std::string("connection lost") : status.reason;
        break;
    case FeedState::Refused:
        text += "refused by " + status.broker + ": " + status.reason;
        break;
    case FeedState::Stopped:
        text += "stopped";
        break;
    }
    if ((status.state == FeedState::Retrying || status.state == FeedState::Refused) && status.retryInSeconds > 0)
        text += "; retrying in " + std::to_string(status.retryInSeconds) + " s";
    if (status.dropped > 0)
        text += "; " + std::to_string(status.dropped) + " readings dropped";
    return text;
}

}  // namespace tavolo::feed
