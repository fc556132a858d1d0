#include "files/csv_texts.h"

#include "decode/integer_text.h"

namespace tavolo {
namespace {

constexpr char32_t kBadCodePoint = 0xFFFFFFFF;
// ASCII SUB: a control character, so that it shows as U+FFFD again when saved.
constexpr char kSubstitute = '\x1A';

// Decodes one UTF-8 character at `pos` and moves past it; kBadCodePoint for a
// broken, overlong or surrogate sequence.
char32_t nextCodePoint(std::string_view s, std::size_t& pos)
{
    const auto lead = static_cast<unsigned char>(s[pos++]);
    if (lead < 0x80)
        return lead;
    int extra = 0;
    char32_t cp = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1F;
        least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0F;
        least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07;
        least = 0x10000;
    } else {
        return kBadCodePoint;
    }
    for (int i = 0; i < extra; ++i) {
        if (pos >= s.size())
            return kBadCodePoint;
        const auto next = static_cast<unsigned char>(s[pos]);
        if ((next & 0xC0) != 0x80)
            return kBadCodePoint;
        cp = (cp << 6) | (next & 0x3F);
        ++pos;
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return kBadCodePoint;
    return cp;
}

bool startsWith(std::string_view s, std::size_t pos, std::string_view prefix)
{
    return s.substr(pos, prefix.size()) == prefix;
}

}  // namespace

void appendLatin1AsUtf8(std::string_view text, std::string& out)
{
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
}

bool utf8ToLatin1(std::string_view utf8, std::string& out)
{
    out.clear();
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const char32_t cp = nextCodePoint(utf8, pos);
        if (cp > 0xFF)
            return false;
        out += static_cast<char>(cp);
    }
    return true;
}

bool codedDisplayText(std::string_view unicode, std::string& out)
{
    out.clear();
    std::size_t pos = 0;
    while (pos < unicode.size()) {
        // "kΩ": the display's lower-case k stands for the coded "K" of kilohms.
        if (startsWith(unicode, pos, "k\u03A9") || startsWith(unicode, pos, "k\u2126")) {
            out += "K*";
            pos += 3;
            continue;
        }
        const char32_t cp = nextCodePoint(unicode, pos);
        switch (cp) {
        case 0x03A9:  // Ω
        case 0x2126:  // the ohm sign, as some keyboards and editors give it
            out += '*';
            continue;
        case 0x00B5:  // µ
        case 0x03BC:  // Greek small mu
            out += '+';
            continue;
        case 0x2022:  // •))) continuity
            if (!startsWith(unicode, pos, ")))"))
                return false;
            pos += 3;
            out += '&';
            continue;
        case 0x00B0:  // °C
            if (startsWith(unicode, pos, "C")) {
                ++pos;
                out += '?';
                continue;
            }
            break;
        case 0x25B6:  // ▶| diode
            if (!startsWith(unicode, pos, "|"))
                return false;
            ++pos;
            out += ')';
            continue;
        case 0xFFFD:
            out += kSubstitute;
            continue;
        default:
            break;
        }
        if (cp > 0xFF)
            return false;
        out += static_cast<char>(cp);
    }
    return true;
}

bool codedUnitText(std::string_view unicode, std::string& out)
{
    if (unicode == "\u2022)))\u03A9") {
        out = "&  *";
        return true;
    }
    // The decoder writes micro as "u" before the unit letter.
    for (const std::string_view micro : {std::string_view("\u00B5"), std::string_view("\u03BC")}) {
        if (unicode.size() == micro.size() + 1 && startsWith(unicode, 0, micro) &&
            (unicode.back() == 'A' || unicode.back() == 'F')) {
            out = 'u';
            out += unicode.back();
            return true;
        }
    }
    return codedDisplayText(unicode, out);
}

std::optional<std::int32_t> countFromValueText(std::string_view codedValue)
{
    // Sign and digits; whatever stands between digits is the decimal separator
    // (any punctuation or 8-bit character the locale gave), a letter is not.
    char digits[24];
    std::size_t n = 0;
    std::size_t i = 0;
    if (!codedValue.empty() && codedValue[0] == '-') {
        digits[n++] = '-';
        ++i;
    }
    bool any = false;
    for (; i < codedValue.size(); ++i) {
        const char c = codedValue[i];
        const auto u = static_cast<unsigned char>(c);
        if (c >= '0' && c <= '9') {
            if (n + 1 >= sizeof digits)
                return std::nullopt;
            digits[n++] = c;
            any = true;
            continue;
        }
        const bool separator = u >= 0x80 || (u > 0x20 && u < 0x7F && c != '-' && c != '+' &&
                                             !(c >= 'A' && c <= 'Z') && !(c >= 'a' && c <= 'z'));
        if (!separator || !any)
            return std::nullopt;
    }
    if (!any)
        return std::nullopt;
    return parseInteger(std::string_view(digits, n), IntegerForm::Plain);
}

}  // namespace tavolo
