#include "files/block_input.h"

#include <unistd.h>

#include <cerrno>

namespace tavolo {

BlockInput::BlockInput(std::string_view bytes)
    : m_pos(bytes.data()), m_end(bytes.data() + bytes.size()), m_blockStart(bytes.data())
{
}

BlockInput::BlockInput(int fd) : m_fd(fd), m_buffer(std::make_unique<char[]>(kBlockSize)) {}

BlockInput::~BlockInput() = default;

bool BlockInput::refill()
{
    if (m_pos != m_end)
        return true;
    m_blockOffset += static_cast<std::size_t>(m_end - m_blockStart);
    m_blockStart = m_end;
    if (m_fd < 0)
        return false;
    for (;;) {
        const ssize_t n = ::read(m_fd, m_buffer.get(), kBlockSize);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            m_error = errno;
            return false;
        }
        m_pos = m_buffer.get();
        m_end = m_pos + n;
        m_blockStart = m_pos;
        return n > 0;
    }
}

}  // namespace tavolo
