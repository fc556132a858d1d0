#include "record/integer_text.h"

#include <charconv>

namespace tavolo {

std::optional<std::int32_t> parseIntegerText(std::string_view text) noexcept
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);  // from_chars takes '-' but not '+'
    const std::string_view digits = (!text.empty() && text.front() == '-') ? text.substr(1) : text;
    if (digits.empty() || digits.front() < '0' || digits.front() > '9')
        return std::nullopt;
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string notAnIntegerMessage(std::string_view text)
{
    std::string message = "'";
    message += text;
    message += "' is not a valid integer value";
    return message;
}

}  // namespace tavolo
