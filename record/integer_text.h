#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavolo {

// The integer conversion of the small edits: an optional sign and decimal
// digits, nothing else, within 32 bits. Empty, "-", "+", blanks, letters and
// values beyond 32 bits give nullopt.
std::optional<std::int32_t> parseIntegerText(std::string_view text) noexcept;

// The conversion's error text: "'<text>' is not a valid integer value".
std::string notAnIntegerMessage(std::string_view text);

}  // namespace tavolo
