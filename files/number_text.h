#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tavolo {

// A whole decimal number that fits 32 bits: an optional "-" and digits, nothing
// else (no blanks, no "+", no hexadecimal).
inline std::optional<std::int32_t> parseInt32(std::string_view text)
{
    std::int32_t value = 0;
    const char* last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(text.data(), last, value);
    if (text.empty() || ec != std::errc() || end != last)
        return std::nullopt;
    return value;
}

}  // namespace tavolo
