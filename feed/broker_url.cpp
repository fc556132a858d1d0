#include "feed/broker_url.h"

#include <arpa/inet.h>

#include <charconv>

namespace tavolo::feed {
namespace {

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

bool isHostNameLabel(std::string_view label)
{
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
        return false;
    for (const char c : label)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_'))
            return false;
    return true;
}

// Also takes IPv4 addresses, whose labels are digits.
bool isHostName(std::string_view host)
{
    if (host.size() > 253)
        return false;
    if (!host.empty() && host.back() == '.')
        host.remove_suffix(1);  // the root's dot
    for (;;) {
        const std::size_t dot = host.find('.');
        if (!isHostNameLabel(host.substr(0, dot)))
            return false;
        if (dot == std::string_view::npos)
            return true;
        host.remove_prefix(dot + 1);
    }
}

std::optional<BrokerAddress> refuse(BrokerUrlError& error, BrokerUrlFault fault, std::string_view detail = {})
{
    error = {fault, std::string(detail)};
    return std::nullopt;
}

}  // namespace

std::string BrokerAddress::display() const
{
    std::string text = tls ? "mqtts://" : "mqtt://";
    if (host.find(':') != std::string::npos)
        text += "[" + host + "]";
    else
        text += host;
    text += ":" + std::to_string(port);
    return text;
}

std::optional<BrokerAddress> parseBrokerUrl(std::string_view url, bool withTopic, BrokerUrlError& error)
{
    BrokerAddress address;
    std::string_view rest;
    if (startsWithNoCase(url, "mqtts://")) {
        address.tls = true;
        address.port = kMqttsPort;
        rest = url.substr(8);
    } else if (startsWithNoCase(url, "mqtt://")) {
        rest = url.substr(7);
    } else {
        return refuse(error, BrokerUrlFault::Scheme);
    }
    const std::size_t slash = rest.find('/');
    const std::string_view authority = rest.substr(0, slash);
    const std::string_view path = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    // Never repeated in the refusal: it may hold a password.
    if (authority.find('@') != std::string_view::npos)
        return refuse(error, BrokerUrlFault::Credentials);
    if (authority.find_first_of("?#") != std::string_view::npos)
        return refuse(error, BrokerUrlFault::Path);

    std::string_view portText;
    bool portGiven = false;
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos)
            return refuse(error, BrokerUrlFault::Ipv6Unclosed);
        address.host = std::string(authority.substr(1, close - 1));
        const std::string_view after = authority.substr(close + 1);
        if (!after.empty() && after.front() != ':')
            return refuse(error, BrokerUrlFault::AfterIpv6);
        portGiven = !after.empty();
        portText = after.substr(portGiven ? 1 : 0);
        in6_addr ip{};
        if (::inet_pton(AF_INET6, address.host.c_str(), &ip) != 1)
            return refuse(error, BrokerUrlFault::BadIpv6, address.host);
    } else {
        const std::size_t colon = authority.rfind(':');
        if (colon != std::string_view::npos && authority.find(':') != colon)
            return refuse(error, BrokerUrlFault::BareIpv6);
        portGiven = colon != std::string_view::npos;
        address.host = std::string(authority.substr(0, colon));
        if (portGiven)
            portText = authority.substr(colon + 1);
        if (address.host.empty())
            return refuse(error, BrokerUrlFault::NoHost);
        if (!isHostName(address.host))
            return refuse(error, BrokerUrlFault::BadHost, address.host);
    }
    if (portGiven) {
        if (portText.empty())
            return refuse(error, BrokerUrlFault::NoPort);
        int port = 0;
        const auto [end, ec] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
        if (ec != std::errc() || end != portText.data() + portText.size() || port < 1 || port > 65535)
            return refuse(error, BrokerUrlFault::BadPort, portText);
        address.port = port;
    }
    if (withTopic) {
        if (path.empty())
            return refuse(error, BrokerUrlFault::NoTopic);
        std::string topicError;
        if (!validTopicFilter(path, topicError))
            return refuse(error, BrokerUrlFault::BadTopic, topicError);
        address.topic = std::string(path);
    } else if (!path.empty()) {
        return refuse(error, BrokerUrlFault::Path);
    }
    return address;
}

std::optional<BrokerAddress> parseBrokerUrl(std::string_view url, bool withTopic, std::string& error)
{
    BrokerUrlError why;
    auto address = parseBrokerUrl(url, withTopic, why);
    if (address)
        return address;
    switch (why.fault) {
    case BrokerUrlFault::Scheme:
        error = "the broker URL must begin with mqtt:// or mqtts://";
        break;
    case BrokerUrlFault::Credentials:
        error = "the broker URL cannot hold a user name or password: use --mqtt-user and --mqtt-password-file";
        break;
    case BrokerUrlFault::Path:
        error = "the broker URL cannot have a path (set the topic prefix with --mqtt-prefix)";
        break;
    case BrokerUrlFault::NoTopic:
        error = "the URL needs a topic after the broker, as in mqtt://host:1883/tavolo/+/+/reading";
        break;
    case BrokerUrlFault::BadTopic:
        error = "the URL's topic " + why.detail;
        break;
    case BrokerUrlFault::NoHost:
        error = "the broker URL has no host name";
        break;
    case BrokerUrlFault::BadHost:
        error = "the broker URL's host name '" + why.detail + "' is not a valid host name";
        break;
    case BrokerUrlFault::BareIpv6:
        error = "the broker URL has an IPv6 address without brackets: write it as in mqtt://[::1]:1883";
        break;
    case BrokerUrlFault::Ipv6Unclosed:
        error = "the broker URL has an IPv6 address without its closing ']'";
        break;
    case BrokerUrlFault::AfterIpv6:
        error = "the broker URL has something after the IPv6 address that is not a port";
        break;
    case BrokerUrlFault::BadIpv6:
        error = "the broker URL has an invalid IPv6 address '" + why.detail + "'";
        break;
    case BrokerUrlFault::NoPort:
        error = "the broker URL has a ':' without a port number";
        break;
    case BrokerUrlFault::BadPort:
        error = "the broker URL's port '" + why.detail + "' is not a number from 1 to 65535";
        break;
    }
    return std::nullopt;
}

bool validTopicFilter(std::string_view filter, std::string& error)
{
    if (filter.empty()) {
        error = "is empty";
        return false;
    }
    std::size_t levelStart = 0;
    for (std::size_t i = 0; i <= filter.size(); ++i) {
        if (i < filter.size() && filter[i] == '\0') {
            error = "holds a NUL character";
            return false;
        }
        if (i < filter.size() && filter[i] != '/')
            continue;
        const std::string_view level = filter.substr(levelStart, i - levelStart);
        const bool hasHash = level.find('#') != std::string_view::npos;
        const bool hasPlus = level.find('+') != std::string_view::npos;
        if (hasHash && (level != "#" || i != filter.size())) {
            error = "may have '#' only as its whole last level";
            return false;
        }
        if (hasPlus && level != "+") {
            error = "may have '+' only as a whole level";
            return false;
        }
        levelStart = i + 1;
    }
    return true;
}

bool validTopicName(std::string_view topic, std::string& error)
{
    if (topic.empty()) {
        error = "is empty";
        return false;
    }
    if (topic.find_first_of("+#") != std::string_view::npos) {
        error = "cannot hold the wildcards '+' or '#'";
        return false;
    }
    if (topic.find('\0') != std::string_view::npos) {
        error = "holds a NUL character";
        return false;
    }
    return true;
}

}  // namespace tavolo::feed
