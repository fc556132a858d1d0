#include "files/output_buffer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tavolo {

OutputBuffer::OutputBuffer(std::size_t capacity)
    : m_data(std::make_unique<char[]>(capacity < 16 ? 16 : capacity)), m_capacity(capacity < 16 ? 16 : capacity)
{
}

OutputBuffer::~OutputBuffer() = default;

void OutputBuffer::flush()
{
    if (m_used != 0 && !m_failed && !writeOut(m_data.get(), m_used))
        m_failed = true;
    m_used = 0;
}

void OutputBuffer::appendSlow(std::string_view bytes)
{
    while (!bytes.empty()) {
        if (m_used == m_capacity)
            flush();
        const std::size_t n = std::min(bytes.size(), m_capacity - m_used);
        std::memcpy(m_data.get() + m_used, bytes.data(), n);
        m_used += n;
        bytes.remove_prefix(n);
    }
}

bool FdOutput::writeOut(const char* bytes, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(m_fd, bytes, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            m_error = errno;
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace tavolo
