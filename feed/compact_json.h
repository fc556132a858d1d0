#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tavolo::feed {

// The length of the valid UTF-8 sequence that starts at text[i] (1 for
// ASCII), or 0 when none does (a stray or overlong byte, a surrogate).
std::size_t utf8SequenceLength(std::string_view text, std::size_t i);

// Appends `text` to `out` without the whitespace between tokens when it is one
// valid JSON value in valid UTF-8 (RFC 8259; at most 200 levels deep). Returns false, with
// `out` as it was, when it is not.
bool appendCompactJson(std::string& out, std::string_view text);

}  // namespace tavolo::feed
