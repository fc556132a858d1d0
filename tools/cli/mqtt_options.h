#pragma once

#include <optional>
#include <string>

#include "feed/feed_settings.h"

// The --mqtt options that `log` and `watch` share, and the environment that
// tunes them (TAVOLO_MQTT_KEEPALIVE, TAVOLO_MQTT_WAIT).
namespace tavolo::cli {

struct MqttOptions {
    std::string url;
    std::optional<std::string> prefix;
    std::optional<int> qos;
    std::string user;
    std::string passwordFile;
    std::string caFile;
    std::string certFile;
    std::string keyFile;
};

// Takes argv[i] (and its value, advancing i) when it is one of the shared
// options other than --mqtt itself. 1: taken; 0: not one of them; -1: bad (error set).
int takeMqttOption(int argc, char** argv, int& i, MqttOptions& options, bool withPrefix, std::string& error);

// The feed's settings from the options; the password is read from its file
// here. `withTopic`: the URL carries a topic filter (watch). `portName` makes
// the default prefix. Nothing, with `error` set, on a bad value.
std::optional<feed::FeedSettings> feedSettings(const MqttOptions& options, bool withTopic,
                                               const std::string& portName, std::string& error);

// Seconds to wait for the broker to take every reading before `log` ends
// (TAVOLO_MQTT_WAIT, default 60).
int deliveryWaitSeconds();

}  // namespace tavolo::cli
