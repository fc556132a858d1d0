#include "cli_args.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>

namespace tavolo::cli {

std::optional<long long> parseWholeNumber(std::string_view text, long long min, long long max)
{
    long long value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    auto [end, ec] = std::from_chars(first, last, value);
    if (text.empty() || ec != std::errc() || end != last || value < min || value > max)
        return std::nullopt;
    return value;
}

std::optional<std::string> readAllBytes(const std::string& path, std::string& error)
{
    if (path.empty() || path == "-") {
        std::string bytes((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
        return bytes;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open '" + path + "': " + std::strerror(errno);
        return std::nullopt;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "cannot read '" + path + "'";
        return std::nullopt;
    }
    return bytes;
}

}  // namespace tavolo::cli
