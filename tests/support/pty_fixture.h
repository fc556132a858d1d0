#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tavolo::test {

// A pseudo-terminal whose master side plays the meter. The slave side is held
// open as the simulator does, so the master never sees EIO before the driver
// opens the slave.
class PtyPair {
public:
    PtyPair()
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            throw std::runtime_error("no pseudo-terminal");
        m_slavePath = ::ptsname(m_master);
        m_slave = ::open(m_slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios t{};
        ::tcgetattr(m_slave, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(m_slave, TCSANOW, &t);
    }
    ~PtyPair() { close(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& slavePath() const { return m_slavePath; }

    // The terminal's settings as whoever opened the slave side left them.
    termios slaveSettings() const
    {
        termios t{};
        if (::tcgetattr(m_slave, &t) != 0)
            throw std::runtime_error("cannot read the pseudo-terminal's settings");
        return t;
    }

    void send(std::string_view bytes)
    {
        if (::write(m_master, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            throw std::runtime_error("short write to the pseudo-terminal");
        ::tcdrain(m_master);
    }

    // The meter goes away: both of our sides close, as when the simulator ends.
    void close()
    {
        if (m_slave >= 0)
            ::close(m_slave);
        if (m_master >= 0)
            ::close(m_master);
        m_slave = m_master = -1;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};

// A temporary folder for COMn links, removed with everything in it.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tavolo-serial-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("no temporary folder");
        m_path = pattern;
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }

    // Points the link `name` at `target`, replacing an older link.
    void link(const std::string& name, const std::filesystem::path& target) const
    {
        std::error_code ec;
        std::filesystem::remove(m_path / name, ec);
        std::filesystem::create_symlink(target, m_path / name);
    }

private:
    std::filesystem::path m_path;
};

}  // namespace tavolo::test
