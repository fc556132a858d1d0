#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "record/chunked_array.h"

namespace tavolo {

// Interns short texts (at most 255 bytes; the table stores at most 20) and hands
// out dense codes from 1; code 0 stands for the empty text. Texts are kept in
// fixed blocks that never move, so a view returned by text() stays valid until
// clear() or destruction. Lookup is an open-addressing hash of 8-byte slots.
// Not thread-safe; one owner.
class TextDictionary {
public:
    TextDictionary();

    // Codes 1..86400 for the times of day "hh:mm:ss" (":" separated, 00:00:00
    // to 23:59:59), computed instead of looked up: a time column's texts follow
    // the clock and would otherwise miss the cache at every row. Call before
    // the first intern().
    void reserveClockTexts();

    // Code of `text`, adding it when new. The empty text gives 0.
    std::uint32_t intern(std::string_view text);

    // Text of a code from intern(); code 0 and unknown codes give the empty view.
    std::string_view text(std::uint32_t code) const noexcept
    {
        if (code == 0)
            return {};
        if (code <= m_base)
            return {m_clock.get() + (code - 1) * kClockTextSize, kClockTextSize};
        if (code - m_base > m_entries.size())
            return {};
        const Entry& e = m_entries[code - m_base - 1];
        return {e.data, e.length};
    }

    // Texts held apart from the clock texts.
    std::size_t size() const noexcept { return m_entries.size(); }
    void clear();
    std::size_t memoryUsage() const noexcept;

private:
    struct Entry {
        const char* data;
        std::uint32_t length;
    };

    static constexpr std::size_t kClockTextSize = 8;
    static constexpr std::uint32_t kClockCodes = 86400;

    // A small direct-mapped cache of recently used texts, held inline: live
    // readings stay near the last ones, so most lookups end here instead of in
    // the large slot table and entry list.
    struct Recent {
        std::uint32_t code = 0;
        std::uint8_t length = 0;
        char text[27] = {};
    };
    static constexpr std::size_t kRecentCount = 256;

    void remember(std::uint64_t hash, std::string_view text, std::uint32_t code) noexcept;
    void grow();
    const char* store(std::string_view text);

    // slot: high 32 bits hash tag, low 32 bits code (0 = free)
    std::vector<std::uint64_t> m_slots;
    std::size_t m_mask = 0;
    ChunkedArray<Entry, 12> m_entries;
    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::unique_ptr<char[]> m_clock;  // kClockCodes texts of 8 bytes when reserved
    std::uint32_t m_base = 0;         // codes below this are clock texts
    std::size_t m_blockUsed = 0;
    std::array<Recent, kRecentCount> m_recent{};
    // most texts repeat the previous one of their column
    std::string_view m_lastText;
    std::uint32_t m_lastCode = 0;
};

}  // namespace tavolo
