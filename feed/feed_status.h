#pragma once

#include <cstdint>
#include <string>

namespace tavolo::feed {

enum class FeedState {
    Connecting,  // an attempt is under way
    Connected,   // the broker accepted us; readings flow
    Retrying,    // the broker is unreachable or the link broke; next attempt in retryInSeconds
    Refused,     // the broker or its certificate said no (reason); tried again in retryInSeconds,
                 // or, with the link up, readings to the topic were refused
    Stopped,     // stopped by the program
};

// The feed's state for a status line. `reason` and describe() never hold a password.
struct FeedStatus {
    FeedState state = FeedState::Connecting;
    std::string broker;           // "mqtt://host:port"
    std::string reason;           // why Retrying or Refused: "broker unreachable: Connection refused",
                                  // "bad user name or password", "not authorised", ...
    int retryInSeconds = 0;       // Retrying/Refused without a link: seconds until the next attempt
    std::uint64_t delivered = 0;  // readings the broker took (acknowledged at QoS 1)
    std::uint64_t dropped = 0;    // readings dropped because the queue was full
    std::uint64_t refused = 0;    // readings the broker refused (not authorised for the topic)
    std::uint64_t waiting = 0;    // readings queued or sent and not yet acknowledged
};

// One line for the status bar or standard error, for example
// "MQTT: connected to mqtt://127.0.0.1:1883" or
// "MQTT: broker unreachable: Connection refused; retrying in 4 s".
std::string describe(const FeedStatus& status);

}  // namespace tavolo::feed
