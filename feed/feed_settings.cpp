#include "feed/feed_settings.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>

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

bool validHostChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_';
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

std::optional<BrokerAddress> parseBrokerUrl(std::string_view url, bool withTopic, std::string& error)
{
    BrokerAddress address;
    std::string_view rest;
    if (startsWithNoCase(url, "mqtts://")) {
        address.tls = true;
        address.port = 8883;
        rest = url.substr(8);
    } else if (startsWithNoCase(url, "mqtt://")) {
        rest = url.substr(7);
    } else {
        error = "the broker URL must begin with mqtt:// or mqtts://";
        return std::nullopt;
    }
    const std::size_t slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    const std::string_view path = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (authority.find('@') != std::string_view::npos) {
        // Said without the URL: it may hold a password.
        error = "the broker URL cannot hold a user name or password: use --mqtt-user and --mqtt-password-file";
        return std::nullopt;
    }
    std::string_view portText;
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos) {
            error = "the broker URL has an IPv6 address without its closing ']'";
            return std::nullopt;
        }
        address.host = std::string(authority.substr(1, close - 1));
        const std::string_view after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':') {
                error = "the broker URL has something after the IPv6 address that is not a port";
                return std::nullopt;
            }
            portText = after.substr(1);
            if (portText.empty()) {
                error = "the broker URL has a ':' without a port number";
                return std::nullopt;
            }
        }
        for (char c : address.host)
            if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' || c == '.')) {
                error = "the broker URL has an invalid IPv6 address";
                return std::nullopt;
            }
    } else {
        const std::size_t colon = authority.find(':');
        address.host = std::string(authority.substr(0, colon));
        if (colon != std::string_view::npos) {
            portText = authority.substr(colon + 1);
            if (portText.empty()) {
                error = "the broker URL has a ':' without a port number";
                return std::nullopt;
            }
        }
        for (char c : address.host)
            if (!validHostChar(c)) {
                error = "the broker URL's host name '" + address.host + "' has characters a host name cannot have";
                return std::nullopt;
            }
    }
    if (address.host.empty()) {
        error = "the broker URL has no host name";
        return std::nullopt;
    }
    if (!portText.empty()) {
        int port = 0;
        const auto [end, ec] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
        if (ec != std::errc() || end != portText.data() + portText.size() || port < 1 || port > 65535) {
            error = "the broker URL's port '" + std::string(portText) + "' is not a number from 1 to 65535";
            return std::nullopt;
        }
        address.port = port;
    }
    if (withTopic) {
        if (slash == std::string_view::npos || path.empty()) {
            error = "the URL needs a topic after the broker, as in mqtt://host:1883/tavolo/+/+/reading";
            return std::nullopt;
        }
        std::string topicError;
        if (!validTopicFilter(path, topicError)) {
            error = "the URL's topic " + topicError;
            return std::nullopt;
        }
        address.topic = std::string(path);
    } else if (!path.empty()) {
        error = "the broker URL cannot have a path (set the topic prefix with --mqtt-prefix)";
        return std::nullopt;
    }
    return address;
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

std::string topicLevel(std::string_view text)
{
    if (text.empty())
        return "unknown";
    std::string level(text);
    for (char& c : level)
        if (c == '+' || c == '#' || c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '_';
    return level;
}

std::string defaultPrefix(std::string_view hostname, std::string_view port)
{
    return "tavolo/" + topicLevel(hostname) + "/" + topicLevel(port);
}

std::string localHostName()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

std::optional<std::string> readPasswordFile(const std::string& path, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open the password file '" + path + "': " + std::strerror(errno);
        return std::nullopt;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "cannot read the password file '" + path + "'";
        return std::nullopt;
    }
    const std::size_t end = text.find_first_of("\r\n");
    if (end != std::string::npos)
        text.resize(end);
    if (text.empty()) {
        error = "the password file '" + path + "' holds no password on its first line";
        return std::nullopt;
    }
    return text;
}

}  // namespace tavolo::feed
