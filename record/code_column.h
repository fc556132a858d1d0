#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace tavolo {

// A column of dictionary codes in fixed chunks of 2^16 rows. A chunk holds
// 16-bit codes until a code above 65535 arrives, then that chunk alone is
// widened to 32 bits, so columns with few distinct texts (function, unit,
// judgement, time of day) cost two bytes a row. Constant-time reads; appends
// never move other chunks. Not thread-safe; one owner.
class CodeColumn {
public:
    static constexpr unsigned kChunkBits = 16;
    static constexpr std::size_t kChunkSize = std::size_t{1} << kChunkBits;
    static constexpr std::size_t kChunkMask = kChunkSize - 1;

    std::size_t size() const noexcept { return m_size; }

    void push_back(std::uint32_t code)
    {
        const std::size_t c = m_size >> kChunkBits;
        const std::size_t i = m_size & kChunkMask;
        if (c == m_chunks.size())
            m_chunks.push_back(Chunk{std::make_unique_for_overwrite<std::uint16_t[]>(kChunkSize), nullptr});
        Chunk& chunk = m_chunks[c];
        if (chunk.wide) {
            chunk.wide[i] = code;
        } else if (code <= 0xFFFF) {
            chunk.narrow[i] = static_cast<std::uint16_t>(code);
        } else {
            chunk.wide = std::make_unique_for_overwrite<std::uint32_t[]>(kChunkSize);
            std::copy(chunk.narrow.get(), chunk.narrow.get() + i, chunk.wide.get());
            chunk.narrow.reset();
            chunk.wide[i] = code;
        }
        ++m_size;
    }

    std::uint32_t operator[](std::size_t row) const noexcept
    {
        const Chunk& chunk = m_chunks[row >> kChunkBits];
        const std::size_t i = row & kChunkMask;
        return chunk.wide ? chunk.wide[i] : chunk.narrow[i];
    }

    void clear() noexcept
    {
        m_chunks.clear();
        m_chunks.shrink_to_fit();
        m_size = 0;
    }

    std::size_t memoryUsage() const noexcept
    {
        std::size_t bytes = m_chunks.capacity() * sizeof(Chunk);
        for (const Chunk& chunk : m_chunks)
            bytes += kChunkSize * (chunk.wide ? sizeof(std::uint32_t) : sizeof(std::uint16_t));
        return bytes;
    }

private:
    struct Chunk {
        std::unique_ptr<std::uint16_t[]> narrow;
        std::unique_ptr<std::uint32_t[]> wide;
    };
    std::vector<Chunk> m_chunks;
    std::size_t m_size = 0;
};

}  // namespace tavolo
