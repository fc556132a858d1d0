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

    std::optional<std::size_t> read(std::uint8_t* buffer, std::size_t capacity) override
    {
        const std::size_t n = std::fread(buffer, 1, capacity, m_file);
        if (n == 0)
            return std::nullopt;
        return n;
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
