#include "feed/compact_json.h"

namespace tavolo::feed {
namespace {

constexpr int kMaxDepth = 200;

class Compactor {
public:
    Compactor(std::string_view text, std::string& out) : m_text(text), m_out(out) {}

    bool run()
    {
        skipSpace();
        if (!value(0))
            return false;
        skipSpace();
        return m_pos == m_text.size();
    }

private:
    bool atEnd() const { return m_pos >= m_text.size(); }
    char peek() const { return m_text[m_pos]; }

    void skipSpace()
    {
        while (!atEnd() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r'))
            ++m_pos;
    }

    bool literal(std::string_view word)
    {
        if (m_text.substr(m_pos, word.size()) != word)
            return false;
        m_out += word;
        m_pos += word.size();
        return true;
    }

    bool value(int depth)
    {
        if (atEnd() || depth > kMaxDepth)
            return false;
        switch (peek()) {
        case '{':
            return container(depth, '}', true);
        case '[':
            return container(depth, ']', false);
        case '"':
            return string();
        case 't':
            return literal("true");
        case 'f':
            return literal("false");
        case 'n':
            return literal("null");
        default:
            return number();
        }
    }

    bool container(int depth, char close, bool object)
    {
        m_out += peek();
        ++m_pos;
        skipSpace();
        if (!atEnd() && peek() == close) {
            m_out += close;
            ++m_pos;
            return true;
        }
        for (;;) {
            skipSpace();
            if (object) {
                if (atEnd() || peek() != '"' || !string())
                    return false;
                skipSpace();
                if (atEnd() || peek() != ':')
                    return false;
                m_out += ':';
                ++m_pos;
                skipSpace();
            }
            if (!value(depth + 1))
                return false;
            skipSpace();
            if (atEnd())
                return false;
            if (peek() == close) {
                m_out += close;
                ++m_pos;
                return true;
            }
            if (peek() != ',')
                return false;
            m_out += ',';
            ++m_pos;
        }
    }

    bool string()
    {
        const std::size_t start = m_pos++;
        while (!atEnd()) {
            const auto c = static_cast<unsigned char>(peek());
            if (c == '"') {
                ++m_pos;
                m_out.append(m_text.substr(start, m_pos - start));
                return true;
            }
            if (c < 0x20)
                return false;
            if (c >= 0x80) {
                const std::size_t n = utf8SequenceLength(m_text, m_pos);
                if (n == 0)
                    return false;
                m_pos += n;
                continue;
            }
            if (c == '\\') {
                ++m_pos;
                if (atEnd())
                    return false;
                const char e = peek();
                if (e == 'u') {
                    for (int k = 1; k <= 4; ++k) {
                        if (m_pos + k >= m_text.size() || !isHex(m_text[m_pos + k]))
                            return false;
                    }
                    m_pos += 4;
                } else if (std::string_view("\"\\/bfnrt").find(e) == std::string_view::npos) {
                    return false;
                }
            }
            ++m_pos;
        }
        return false;
    }

    static bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    bool digits()
    {
        const std::size_t start = m_pos;
        while (!atEnd() && isDigit(peek()))
            ++m_pos;
        return m_pos > start;
    }

    bool number()
    {
        const std::size_t start = m_pos;
        if (!atEnd() && peek() == '-')
            ++m_pos;
        if (atEnd())
            return false;
        if (peek() == '0')
            ++m_pos;
        else if (!digits())
            return false;
        if (!atEnd() && peek() == '.') {
            ++m_pos;
            if (!digits())
                return false;
        }
        if (!atEnd() && (peek() == 'e' || peek() == 'E')) {
            ++m_pos;
            if (!atEnd() && (peek() == '+' || peek() == '-'))
                ++m_pos;
            if (!digits())
                return false;
        }
        m_out.append(m_text.substr(start, m_pos - start));
        return true;
    }

    std::string_view m_text;
    std::string& m_out;
    std::size_t m_pos = 0;
};

}  // namespace

std::size_t utf8SequenceLength(std::string_view text, std::size_t i)
{
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = b(i);
    if (c < 0x80)
        return 1;
    std::size_t n = 0;
    if (c >= 0xC2 && c <= 0xDF)
        n = 2;
    else if (c >= 0xE0 && c <= 0xEF)
        n = 3;
    else if (c >= 0xF0 && c <= 0xF4)
        n = 4;
    else
        return 0;
    if (i + n > text.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((b(i + k) & 0xC0) != 0x80)
            return 0;
    // No overlong forms, no surrogates, nothing past U+10FFFF.
    if (c == 0xE0 && b(i + 1) < 0xA0)
        return 0;
    if (c == 0xED && b(i + 1) > 0x9F)
        return 0;
    if (c == 0xF0 && b(i + 1) < 0x90)
        return 0;
    if (c == 0xF4 && b(i + 1) > 0x8F)
        return 0;
    return n;
}

bool appendCompactJson(std::string& out, std::string_view text)
{
    const std::size_t size = out.size();
    if (Compactor(text, out).run())
        return true;
    out.resize(size);
    return false;
}

}  // namespace tavolo::feed
