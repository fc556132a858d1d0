#pragma once

#include <string>
#include <string_view>

namespace tavolo::cli {

// Appends `text` to `out` without the whitespace between tokens when it is one
// valid JSON value (RFC 8259; at most 200 levels deep). Returns false, with
// `out` as it was, when it is not.
bool appendCompactJson(std::string& out, std::string_view text);

}  // namespace tavolo::cli
