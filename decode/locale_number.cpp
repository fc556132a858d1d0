#include "decode/locale_number.h"

#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

namespace tavolo {
namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Rewrites a checked number into the C form that from_chars reads: no plus
// sign, "." as separator. Returns false when the text breaks the grammar.
template <class Out>
bool normalise(std::string_view text, std::string_view sep, Out& out)
{
    std::size_t i = 0;
    auto put = [&out](char c) { out.push_back(c); };
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-')
            put('-');
        ++i;
    }
    std::size_t mantissaDigits = 0;
    while (i < text.size() && isDigit(text[i])) {
        put(text[i++]);
        ++mantissaDigits;
    }
    if (text.substr(i, sep.size()) == sep) {
        i += sep.size();
        put('.');
        while (i < text.size() && isDigit(text[i])) {
            put(text[i++]);
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        put('e');
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            if (text[i] == '-')
                put('-');
            ++i;
        }
        std::size_t expDigits = 0;
        while (i < text.size() && isDigit(text[i])) {
            put(text[i++]);
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    return i == text.size();
}

// A small fixed buffer: the judgement converts several short texts per frame,
// and these must not allocate.
struct SmallBuffer {
    std::array<char, 64> data{};
    std::size_t size = 0;
    std::string overflow;
    bool spilled = false;
    void push_back(char c)
    {
        if (!spilled && size < data.size()) {
            data[size++] = c;
            return;
        }
        if (!spilled) {
            overflow.assign(data.data(), size);
            spilled = true;
        }
        overflow.push_back(c);
    }
    const char* begin() const { return spilled ? overflow.data() : data.data(); }
    const char* end() const { return begin() + (spilled ? overflow.size() : size); }
};

}  // namespace

std::optional<double> strToFloat(std::string_view text, std::string_view decimalSeparator)
{
    const std::string_view sep = decimalSeparator.empty() ? std::string_view(".") : decimalSeparator;
    text = trimBlanks(text);
    SmallBuffer buffer;
    if (text.empty() || !normalise(text, sep, buffer))
        return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(buffer.begin(), buffer.end(), value);
    if (ec != std::errc() || end != buffer.end() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string invalidFloatMessage(std::string_view text)
{
    std::string message = "'";
    message.append(text);
    message += "' is not a valid floating point value";
    return message;
}

}  // namespace tavolo
