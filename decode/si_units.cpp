#include "decode/si_units.h"

#include <array>
#include <charconv>
#include <cstdint>

namespace tavolo {
namespace {

bool isWordChar(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A byte of a decimal separator: punctuation or part of a multi-byte character;
// never a letter (the overload's "L"), a blank, a sign or "@".
bool isSeparatorByte(char c)
{
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x80)
        return true;
    return u > 0x20 && u < 0x7F && !isWordChar(c) && c != '-' && c != '+' && c != '@';
}

struct UnitRow {
    std::string_view coded;
    std::string_view siUnit;
    int exponent;  // the value times 10^exponent is in siUnit
};

constexpr std::array<UnitRow, 18> kUnits{{
    {"V", "V", 0},
    {"mV", "V", -3},
    {"A", "A", 0},
    {"mA", "A", -3},
    {"uA", "A", -6},
    {"Hz", "Hz", 0},
    {"kHz", "Hz", 3},
    {"MHz", "Hz", 6},
    {"nF", "F", -9},
    {"uF", "F", -6},
    {"mF", "F", -3},
    {"*", "\u03A9", 0},
    {"K*", "\u03A9", 3},
    {"M*", "\u03A9", 6},
    {"&  *", "\u03A9", 0},
    {"V)", "V", 0},
    {"?", "\u00B0C", 0},
    {"%", "%", 0},
}};

const UnitRow* findUnit(std::string_view coded)
{
    for (const UnitRow& row : kUnits)
        if (row.coded == coded)
            return &row;
    return nullptr;
}

// 10^n for 0 <= n <= 22: every one is exact in a double, so one multiplication
// or division of an exact mantissa rounds once, to the nearest double.
double exactPowerOfTen(int n)
{
    double p = 1;
    for (int i = 0; i < n; ++i)
        p *= 10;
    return p;
}

}  // namespace

std::string lcdGlyphUtf8(char coded)
{
    switch (coded) {
    case '@': return "L";
    case '*': return "\u03A9";            // Ω
    case '+': return "\u00B5";            // µ
    case '&': return "\u2022)))";         // •)))
    case '?': return "\u00B0C";           // °C
    case ')': return "\u25B6|";           // ▶|
    case '"': return "HOLD";
    case '$': return "BAT";
    case 'K': return "k";
    default: break;
    }
    const auto u = static_cast<unsigned char>(coded);
    if (u < 0x20 || u == 0x7F)
        return "\uFFFD";  // never part of a display text: show that it is wrong
    if (u >= 0x80) {
        // The core's texts are 8-bit; a byte beyond ASCII is its Latin-1 character.
        std::string out(2, '\0');
        out[0] = static_cast<char>(0xC0 | (u >> 6));
        out[1] = static_cast<char>(0x80 | (u & 0x3F));
        return out;
    }
    return std::string(1, coded);
}

std::string lcdDisplayUtf8(std::string_view coded)
{
    std::string out;
    out.reserve(coded.size() + 8);
    char previous = 0;  // last non-blank character written
    bool pendingBlank = false;
    for (char c : coded) {
        if (c == ' ') {
            pendingBlank = previous != 0;
            continue;
        }
        if (pendingBlank && isWordChar(previous) && isWordChar(c))
            out += ' ';
        pendingBlank = false;
        out += lcdGlyphUtf8(c);
        previous = c;
    }
    return out;
}

std::string unicodeUnitText(std::string_view codedUnit)
{
    // The decoder writes micro as "u" before a unit letter ("uA", "uF").
    if (codedUnit.size() >= 2 && codedUnit[0] == 'u' && (codedUnit[1] == 'A' || codedUnit[1] == 'F'))
        return "\u00B5" + lcdDisplayUtf8(codedUnit.substr(1));
    return lcdDisplayUtf8(codedUnit);
}

SiValue siValue(std::string_view valueText, std::string_view codedUnit)
{
    const UnitRow* unit = findUnit(codedUnit);
    if (unit == nullptr)
        return {};
    SiValue result{std::nullopt, unit->siUnit};

    std::string_view t = valueText;
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t'))
        t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t'))
        t.remove_suffix(1);
    bool negative = false;
    if (!t.empty() && (t.front() == '-' || t.front() == '+')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }

    // digits [separator digits]: the separator is whatever single run of
    // non-digits stands between them; an overload's "L" makes it no number.
    std::uint64_t mantissa = 0;
    int digits = 0;
    int fractionDigits = 0;
    bool separatorSeen = false;
    for (std::size_t i = 0; i < t.size();) {
        const char c = t[i];
        if (isDigit(c)) {
            if (digits >= 18)
                return result;  // more digits than any display holds
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
            ++digits;
            if (separatorSeen)
                ++fractionDigits;
            ++i;
            continue;
        }
        if (separatorSeen)
            return result;
        separatorSeen = true;
        while (i < t.size() && !isDigit(t[i])) {
            if (!isSeparatorByte(t[i]))
                return result;
            ++i;
        }
    }
    if (digits == 0)
        return result;

    const int power = unit->exponent - fractionDigits;
    double value = static_cast<double>(mantissa);
    if (power >= 0)
        value *= exactPowerOfTen(power);
    else
        value /= exactPowerOfTen(-power);
    if (value == 0)
        value = 0;  // no "-0" for a minus sign before zeros
    else if (negative)
        value = -value;
    result.value = value;
    return result;
}

std::string plainDecimal(double value)
{
    if (value == 0)
        return "0";
    std::array<char, 400> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                         std::chars_format::fixed);
    if (ec != std::errc())
        return {};
    return std::string(buffer.data(), end);
}

}  // namespace tavolo
