#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "byte_source.h"

namespace tavolo::cli {
namespace {

class FileSource final : public ByteSource {
public:
    FileSource(std::FILE* file, bool owned) : m_file(file), m_owned(owned) {}
    ~FileSource() override
    {
        if (m_owned)
            std::fclose(m_file);
    }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    // Waits at most 50 ms, so a stop asked for just before the wait (a pipe
    // or terminal that stays open) is seen at the next turn of the caller's
    // loop instead of never.
    std::optional<std::size_t> read(std::uint8_t* buffer, std::size_t capacity) override
    {
        const int fd = fileno(m_file);
        pollfd ready{fd, POLLIN, 0};
        const int polled = ::poll(&ready, 1, 50);
        if (polled == 0 || (polled < 0 && errno == EINTR))
            return 0;
        const ssize_t n = ::read(fd, buffer, capacity);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            return 0;
        if (n <= 0)
            return std::nullopt;
        return static_cast<std::size_t>(n);
    }

private:
    std::FILE* m_file;
    bool m_owned;
};

}  // namespace

std::unique_ptr<ByteSource> openFileSource(const std::string& path, std::string& error)
{
    if (path.empty() || path == "-")
        return std::make_unique<FileSource>(stdin, false);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = "cannot open '" + path + "': " + std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<FileSource>(file, true);
}

}  // namespace tavolo::cli
