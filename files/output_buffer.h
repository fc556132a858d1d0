#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

// A fixed-size output buffer that hands full blocks to a sink, so the file
// writers use the same small amount of memory for ten rows or ten million.
// One thread at a time; not copyable.
namespace tavolo {

class OutputBuffer {
public:
    static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 20;  // bytes

    explicit OutputBuffer(std::size_t capacity = kDefaultCapacity);
    virtual ~OutputBuffer();
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    void put(char c)
    {
        if (m_used == m_capacity)
            flush();
        m_data[m_used++] = c;
    }

    void append(std::string_view bytes)
    {
        if (bytes.empty())
            return;  // an empty view may have no data pointer at all, which memcpy must not get
        if (bytes.size() <= m_capacity - m_used) {
            std::memcpy(m_data.get() + m_used, bytes.data(), bytes.size());
            m_used += bytes.size();
            return;
        }
        appendSlow(bytes);
    }

    void appendInt(std::int32_t value)
    {
        if (m_capacity - m_used < 12)
            flush();
        char* first = m_data.get() + m_used;
        const auto result = std::to_chars(first, first + 12, value);
        m_used += static_cast<std::size_t>(result.ptr - first);
    }

    // Hands the buffered bytes to the sink. After a sink failure every later
    // byte is dropped and failed() stays true.
    void flush();
    bool failed() const noexcept { return m_failed; }

protected:
    // Writes all of `bytes`; false on failure.
    virtual bool writeOut(const char* bytes, std::size_t size) = 0;

private:
    void appendSlow(std::string_view bytes);

    std::unique_ptr<char[]> m_data;
    std::size_t m_capacity;
    std::size_t m_used = 0;
    bool m_failed = false;
};

// Collects everything in a string (tests, fuzzing, standard output capture).
class StringOutput final : public OutputBuffer {
public:
    explicit StringOutput(std::string& target, std::size_t capacity = 4096)
        : OutputBuffer(capacity), m_target(target)
    {
    }
    ~StringOutput() override { flush(); }
    StringOutput(const StringOutput&) = delete;
    StringOutput& operator=(const StringOutput&) = delete;

protected:
    bool writeOut(const char* bytes, std::size_t size) override
    {
        m_target.append(bytes, size);
        return true;
    }

private:
    std::string& m_target;
};

// Writes to an open file descriptor (not owned). error() is the errno of the
// first failed write, 0 while all went well.
class FdOutput final : public OutputBuffer {
public:
    explicit FdOutput(int fd, std::size_t capacity = kDefaultCapacity) : OutputBuffer(capacity), m_fd(fd) {}
    ~FdOutput() override = default;
    FdOutput(const FdOutput&) = delete;
    FdOutput& operator=(const FdOutput&) = delete;
    int error() const noexcept { return m_error; }

protected:
    bool writeOut(const char* bytes, std::size_t size) override;

private:
    int m_fd;
    int m_error = 0;
};

}  // namespace tavolo
