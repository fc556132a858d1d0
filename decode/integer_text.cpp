#include "decode/integer_text.h"

namespace tavolo {

std::optional<std::int32_t> parseInteger(std::string_view text, IntegerForm form)
{
    if (form == IntegerForm::Padded) {
        while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
            text.remove_prefix(1);
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || (text.front() == '+' && form != IntegerForm::Plain))) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    // One past the largest magnitude (that of INT32_MIN) ends the loop early,
    // so any number of digits is safe.
    constexpr std::int64_t kBeyond = std::int64_t{1} << 31;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > kBeyond)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX || value < INT32_MIN)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::string invalidIntegerMessage(std::string_view text)
{
    std::string message = "'";
    message.append(text);
    message += "' is not a valid integer value";
    return message;
}

}  // namespace tavolo
