#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "feed/broker_url.h"

// Where and how the live feed publishes: the broker's address, the topic
// prefix, the delivery guarantee and the credentials. Plain data, no threads.
namespace tavolo::feed {

// One level of a topic made safe: '+', '#', '/' and control characters become
// '_'; an empty text becomes "unknown".
std::string topicLevel(std::string_view text);
// "tavolo/<hostname>/<port>", each part made safe by topicLevel.
std::string defaultPrefix(std::string_view hostname, std::string_view port);
// This machine's host name (gethostname), "" when it has none.
std::string localHostName();

struct FeedSettings {
    BrokerAddress broker;
    std::string prefix;               // readings go to PREFIX/reading, the status to PREFIX/status
    int qos = 1;                      // 0 (at most once) or 1 (at least once, every reading acknowledged)
    std::string user;                 // empty: no user name
    std::string password;             // read from a file by the caller; never logged or shown
    std::string caFile;               // mqtts: the CA that signed the broker's certificate (empty: the system's)
    std::string certFile;             // mqtts: client certificate, with keyFile
    std::string keyFile;
    int keepaliveSeconds = 30;        // how soon the broker notices a vanished program (last will)
    std::size_t queueCapacity = 10000;// readings kept while the broker is away; beyond it the oldest go
};

// Reads a password file: its first line without the line end. Nothing, with
// `error` set, when the file cannot be read or the password is empty. The
// password never appears in `error`.
std::optional<std::string> readPasswordFile(const std::string& path, std::string& error);

}  // namespace tavolo::feed
