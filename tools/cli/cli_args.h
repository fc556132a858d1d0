#pragma once

#include <optional>
#include <string>
#include <string_view>

// Small helpers shared by the commands' argument parsing.
namespace tavolo::cli {

// A whole decimal number in [min, max], or nothing.
std::optional<long long> parseWholeNumber(std::string_view text, long long min, long long max);

// Reads a whole file (or standard input for "-" or an empty path) into bytes.
// On failure returns nothing and sets `error` to a sentence for the user.
std::optional<std::string> readAllBytes(const std::string& path, std::string& error);

}  // namespace tavolo::cli
