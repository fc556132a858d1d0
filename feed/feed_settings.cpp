#include "feed/feed_settings.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>

namespace tavolo::feed {

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
