#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

// Bytes for the file readers, a large block at a time: from an open file
// descriptor (read in 1 MiB blocks into one reused buffer) or from bytes already
// in memory (one block, no copy). One thread at a time.
namespace tavolo {

class BlockInput {
public:
    static constexpr std::size_t kBlockSize = std::size_t{1} << 20;  // bytes

    // The bytes must outlive the input.
    explicit BlockInput(std::string_view bytes);
    // Reads `fd` (not owned) from its current position.
    explicit BlockInput(int fd);
    ~BlockInput();
    BlockInput(const BlockInput&) = delete;
    BlockInput& operator=(const BlockInput&) = delete;

    // The unread part of the current block; begin() == end() when used up.
    const char* begin() const noexcept { return m_pos; }
    const char* end() const noexcept { return m_end; }
    void advanceTo(const char* pos) noexcept { m_pos = pos; }

    // Fetches the next block once the current one is used up. False at the end
    // of the input or on a read error (then error() is its errno).
    bool refill();
    int error() const noexcept { return m_error; }
    // Bytes consumed so far, for messages.
    std::size_t offset() const noexcept
    {
        return m_blockOffset + static_cast<std::size_t>(m_pos - m_blockStart);
    }

private:
    int m_fd = -1;
    std::unique_ptr<char[]> m_buffer;
    const char* m_pos = nullptr;
    const char* m_end = nullptr;
    const char* m_blockStart = nullptr;
    std::size_t m_blockOffset = 0;
    int m_error = 0;
};

}  // namespace tavolo
