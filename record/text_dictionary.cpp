#include "record/text_dictionary.h"

#include <cstring>

namespace tavolo {

namespace {

constexpr std::size_t kInitialSlots = 256;
constexpr std::size_t kBlockSize = 64 * 1024;
constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ULL;

std::uint64_t hashText(std::string_view s) noexcept
{
    std::uint64_t h = s.size() * kMul;
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, s.data() + i, 8);
        h = (h ^ w) * kMul;
        h ^= h >> 32;
    }
    if (i < s.size()) {
        std::uint64_t w = 0;
        std::memcpy(&w, s.data() + i, s.size() - i);
        h = (h ^ w) * kMul;
        h ^= h >> 32;
    }
    h *= kMul;
    return h ^ (h >> 29);
}

// 1 + seconds of the day for "hh:mm:ss", else 0.
std::uint32_t clockCode(std::string_view s) noexcept
{
    if (s.size() != 8 || s[2] != ':' || s[5] != ':')
        return 0;
    auto digit = [&s](std::size_t i) { return static_cast<unsigned>(s[i]) - '0'; };
    for (std::size_t i : {0u, 1u, 3u, 4u, 6u, 7u})
        if (digit(i) > 9)
            return 0;
    const unsigned h = digit(0) * 10 + digit(1);
    const unsigned m = digit(3) * 10 + digit(4);
    const unsigned sec = digit(6) * 10 + digit(7);
    if (h > 23 || m > 59 || sec > 59)
        return 0;
    return 1 + h * 3600 + m * 60 + sec;
}

}  // namespace

void TextDictionary::reserveClockTexts()
{
    if (m_base != 0 || !m_entries.empty())
        return;
    m_clock = std::make_unique_for_overwrite<char[]>(kClockCodes * kClockTextSize);
    m_base = kClockCodes;
}

TextDictionary::TextDictionary() : m_slots(kInitialSlots, 0), m_mask(kInitialSlots - 1) {}

std::uint32_t TextDictionary::intern(std::string_view text)
{
    if (text.empty())
        return 0;
    if (m_lastCode != 0 && text == m_lastText)
        return m_lastCode;
    if (m_base != 0) {
        if (const std::uint32_t code = clockCode(text)) {
            // Written at every use: cheaper than remembering which are filled,
            // and text() is only ever asked for codes handed out here.
            std::memcpy(m_clock.get() + (code - 1) * kClockTextSize, text.data(), kClockTextSize);
            return code;
        }
    }

    const std::uint64_t h = hashText(text);
    const Recent& recent = m_recent[h >> 56];
    if (recent.code != 0 && recent.length == text.size() &&
        std::memcmp(recent.text, text.data(), text.size()) == 0) {
        m_lastText = this->text(recent.code);
        m_lastCode = recent.code;
        return recent.code;
    }
    const std::uint64_t tag = h >> 32;
    std::size_t i = static_cast<std::size_t>(h) & m_mask;
    while (true) {
        const std::uint64_t slot = m_slots[i];
        const auto code = static_cast<std::uint32_t>(slot);
        if (code == 0)
            break;
        if ((slot >> 32) == tag) {
            const Entry& e = m_entries[code - m_base - 1];
            if (std::string_view(e.data, e.length) == text) {
                m_lastText = {e.data, e.length};
                m_lastCode = code;
                remember(h, m_lastText, code);
                return code;
            }
        }
        i = (i + 1) & m_mask;
    }

    const char* data = store(text);
    m_entries.push_back(Entry{data, static_cast<std::uint32_t>(text.size())});
    const auto code = m_base + static_cast<std::uint32_t>(m_entries.size());
    m_slots[i] = (tag << 32) | code;
    if (m_entries.size() * 2 > m_slots.size())
        grow();
    m_lastText = {data, text.size()};
    m_lastCode = code;
    remember(h, m_lastText, code);
    return code;
}

void TextDictionary::remember(std::uint64_t hash, std::string_view text, std::uint32_t code) noexcept
{
    Recent& recent = m_recent[hash >> 56];
    if (text.size() > sizeof recent.text) {
        recent.code = 0;
        return;
    }
    recent.code = code;
    recent.length = static_cast<std::uint8_t>(text.size());
    std::memcpy(recent.text, text.data(), text.size());
}

const char* TextDictionary::store(std::string_view text)
{
    if (m_blocks.empty() || m_blockUsed + text.size() > kBlockSize) {
        m_blocks.push_back(std::make_unique_for_overwrite<char[]>(kBlockSize));
        m_blockUsed = 0;
    }
    char* dest = m_blocks.back().get() + m_blockUsed;
    std::memcpy(dest, text.data(), text.size());
    m_blockUsed += text.size();
    return dest;
}

void TextDictionary::grow()
{
    std::vector<std::uint64_t> slots(m_slots.size() * 2, 0);
    const std::size_t mask = slots.size() - 1;
    for (std::size_t c = 0; c < m_entries.size(); ++c) {
        const Entry& e = m_entries[c];
        const std::uint64_t h = hashText({e.data, e.length});
        std::size_t i = static_cast<std::size_t>(h) & mask;
        while (slots[i] != 0)
            i = (i + 1) & mask;
        slots[i] = ((h >> 32) << 32) | (m_base + c + 1);
    }
    m_slots.swap(slots);
    m_mask = mask;
}

void TextDictionary::clear()
{
    m_slots.assign(kInitialSlots, 0);
    m_slots.shrink_to_fit();
    m_mask = kInitialSlots - 1;
    m_entries.releaseAll();
    m_blocks.clear();
    m_blocks.shrink_to_fit();
    m_blockUsed = 0;
    m_lastText = {};
    m_lastCode = 0;
    m_recent.fill(Recent{});
    // A reserved clock range stays reserved.
}

std::size_t TextDictionary::memoryUsage() const noexcept
{
    return sizeof m_recent + m_slots.capacity() * sizeof(std::uint64_t) + m_entries.memoryUsage() +
           (m_clock ? kClockCodes * kClockTextSize : 0) +
           m_blocks.size() * kBlockSize + m_blocks.capacity() * sizeof(std::unique_ptr<char[]>);
}

}  // namespace tavolo
