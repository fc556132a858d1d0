#pragma once

#include <optional>
#include <string>
#include <string_view>

// A broker's address as the user writes it: "mqtt://host[:port]" or
// "mqtts://host[:port]" (TLS), and for a subscriber also "/topic/filter" after
// it. One parser for the window's dialog and the command line, so both accept
// exactly the same addresses; each words a refusal for its own users.
namespace tavolo::feed {

struct BrokerAddress {
    bool tls = false;
    std::string host;    // a name, an IPv4 address, or an IPv6 address without its brackets
    int port = 1883;     // 1883 for mqtt://, 8883 for mqtts:// when not given
    std::string topic;   // only with a topic: the filter after the first '/' (wildcards allowed)

    // "mqtt://host:port" again, for messages (never holds credentials).
    std::string display() const;
};

inline constexpr int kMqttPort = 1883;
inline constexpr int kMqttsPort = 8883;

// Why an address was refused.
enum class BrokerUrlFault {
    Scheme,        // neither mqtt:// nor mqtts://
    Credentials,   // "user:password@" in the address
    Path,          // something after the host where no topic belongs
    NoTopic,       // a subscriber's address without its topic filter
    BadTopic,      // the topic filter breaks MQTT's rules (detail: how)
    NoHost,
    BadHost,       // detail: the host as written
    BareIpv6,      // an IPv6 address without its brackets
    Ipv6Unclosed,  // "[" without "]"
    AfterIpv6,     // something other than ":port" after "]"
    BadIpv6,       // detail: the address as written
    NoPort,        // ":" without a number
    BadPort,       // detail: the port as written
};

struct BrokerUrlError {
    BrokerUrlFault fault = BrokerUrlFault::Scheme;
    // The part at fault, as written; never a user name or password.
    std::string detail;
};

// Parses a broker URL: the scheme in any case; a host name (labels of letters,
// digits, '-' and '_', at most 63 characters, not starting or ending with '-'),
// an IPv4 address or a bracketed IPv6 one; a port 1..65535; an optional final
// '/'. `withTopic`: a topic filter must follow the address
// (`tavolo-cli watch`); otherwise nothing but that '/' may.
std::optional<BrokerAddress> parseBrokerUrl(std::string_view url, bool withTopic, BrokerUrlError& error);

// The same, with the refusal worded for the command line (a sentence without
// its capital and full stop, as in "tavolo-cli: ...").
std::optional<BrokerAddress> parseBrokerUrl(std::string_view url, bool withTopic, std::string& error);

// True for a topic filter MQTT accepts: not empty, '#' only as the whole last
// level, '+' only as a whole level. `error` says what is wrong.
bool validTopicFilter(std::string_view filter, std::string& error);
// True for a topic name one may publish to: not empty, no wildcards, no NUL.
bool validTopicName(std::string_view topic, std::string& error);

}  // namespace tavolo::feed
