#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace tavolo::sim {

// The simulated meter's end of a serial line: a pseudo-terminal whose slave side
// the program opens. The slave stays open here as well, so that writing works
// and the master sees no EIO before the program opens the port.
class PtyLine {
public:
    // Nothing, with `error` set, when the system has no pseudo-terminal to give.
    static std::unique_ptr<PtyLine> open(std::string& error);
    ~PtyLine();
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    const std::string& slavePath() const { return m_slavePath; }

    enum class WriteResult { Sent, Full, Partial, Failed };
    // Never blocks: a line nobody reads fills up and then takes nothing.
    WriteResult write(const std::uint8_t* data, std::size_t size);

    // Bytes written but not yet read by the program.
    std::size_t unreadBytes() const;

private:
    PtyLine(int master, int slave, std::string slavePath)
        : m_master(master), m_slave(slave), m_slavePath(std::move(slavePath)) {}

    int m_master;
    int m_slave;
    std::string m_slavePath;
};

// The per-user link "COMn" -> the pseudo-terminal, removed again by the destructor
// if it still points there.
class PortLink {
public:
    // Refuses (nothing, `error` set) when a link of that name leads to a device
    // that exists: another simulator, or the user's own adapter. A stale link is replaced.
    static std::unique_ptr<PortLink> create(const std::filesystem::path& dir, const std::string& comName,
                                            const std::string& target, std::string& error);
    ~PortLink();
    PortLink(const PortLink&) = delete;
    PortLink& operator=(const PortLink&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    PortLink(std::filesystem::path path, std::string target) : m_path(std::move(path)), m_target(std::move(target)) {}

    std::filesystem::path m_path;
    std::string m_target;
};

}  // namespace tavolo::sim
