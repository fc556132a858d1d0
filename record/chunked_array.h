#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

namespace tavolo {

// An append-only array of trivially copyable values stored in fixed-size chunks
// of 2^ChunkBits elements. Growing never moves stored elements (no reallocation
// copies, references stay valid), and element i is found in constant time.
// Chunks are allocated without zeroing, so memory becomes resident only as it
// is written. Not thread-safe; one owner.
template <typename T, unsigned ChunkBits = 16>
class ChunkedArray {
public:
    static constexpr std::size_t kChunkSize = std::size_t{1} << ChunkBits;
    static constexpr std::size_t kChunkMask = kChunkSize - 1;

    std::size_t size() const noexcept { return m_size; }
    bool empty() const noexcept { return m_size == 0; }

    void push_back(const T& value)
    {
        if ((m_size & kChunkMask) == 0 && (m_size >> ChunkBits) == m_chunks.size())
            m_chunks.push_back(std::make_unique_for_overwrite<T[]>(kChunkSize));
        m_chunks[m_size >> ChunkBits][m_size & kChunkMask] = value;
        ++m_size;
    }

    // Unchecked access; index < size().
    const T& operator[](std::size_t i) const noexcept { return m_chunks[i >> ChunkBits][i & kChunkMask]; }
    T& operator[](std::size_t i) noexcept { return m_chunks[i >> ChunkBits][i & kChunkMask]; }

    // Calls f(pointer, count) for each contiguous stretch of [first, last).
    template <typename F>
    void forEachSpan(std::size_t first, std::size_t last, F&& f) const
    {
        while (first < last) {
            const std::size_t offset = first & kChunkMask;
            const std::size_t n = std::min(kChunkSize - offset, last - first);
            f(&m_chunks[first >> ChunkBits][offset], n);
            first += n;
        }
    }

    // Drops every element; keeps the first chunk so a restarted series does
    // not allocate again.
    void clear() noexcept
    {
        if (m_chunks.size() > 1)
            m_chunks.resize(1);
        m_size = 0;
    }

    void releaseAll() noexcept
    {
        m_chunks.clear();
        m_chunks.shrink_to_fit();
        m_size = 0;
    }

    std::size_t memoryUsage() const noexcept
    {
        return m_chunks.size() * kChunkSize * sizeof(T) +
               m_chunks.capacity() * sizeof(std::unique_ptr<T[]>);
    }

private:
    std::vector<std::unique_ptr<T[]>> m_chunks;
    std::size_t m_size = 0;
};

}  // namespace tavolo
