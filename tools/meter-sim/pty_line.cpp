#include "pty_line.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace tavolo::sim {

namespace fs = std::filesystem;

std::unique_ptr<PtyLine> PtyLine::open(std::string& error)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        error = std::string("no pseudo-terminal: ") + std::strerror(errno);
        if (master >= 0)
            ::close(master);
        return nullptr;
    }
    const char* name = ::ptsname(master);
    const int slave = name ? ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC) : -1;
    if (slave < 0) {
        error = std::string("cannot open the pseudo-terminal's slave: ") + std::strerror(errno);
        ::close(master);
        return nullptr;
    }
    // Raw from the start: no echo back into the master, no line editing of frames
    // that wait for the program.
    termios t{};
    if (::tcgetattr(slave, &t) == 0) {
        ::cfmakeraw(&t);
        ::tcsetattr(slave, TCSANOW, &t);
    }
    return std::unique_ptr<PtyLine>(new PtyLine(master, slave, name));
}

PtyLine::~PtyLine()
{
    ::close(m_slave);
    ::close(m_master);
}

PtyLine::WriteResult PtyLine::write(const std::uint8_t* data, std::size_t size)
{
    const ssize_t n = ::write(m_master, data, size);
    if (n == static_cast<ssize_t>(size))
        return WriteResult::Sent;
    if (n > 0)
        return WriteResult::Partial;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return WriteResult::Full;
    return WriteResult::Failed;
}

std::size_t PtyLine::unreadBytes() const
{
    int queued = 0;
    if (::ioctl(m_slave, FIONREAD, &queued) != 0 || queued < 0)
        return 0;
    return static_cast<std::size_t>(queued);
}

std::unique_ptr<PortLink> PortLink::create(const fs::path& dir, const std::string& comName,
                                           const std::string& target, std::string& error)
{
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        error = "cannot create the port link folder " + dir.string() + ": " + ec.message();
        return nullptr;
    }
    const fs::path link = dir / comName;
    const fs::file_status status = fs::symlink_status(link, ec);
    if (fs::exists(status)) {
        if (!fs::is_symlink(status)) {
            error = link.string() + " exists and is not a link; remove it or choose another --port";
            return nullptr;
        }
        if (fs::exists(link, ec)) {
            error = comName + " is already registered (" + link.string() + " -> " +
                    fs::read_symlink(link, ec).string() +
                    "); is another simulator running? Choose another --port or remove the link";
            return nullptr;
        }
    }
    // Replace a stale link in one step: a new link beside it, renamed over it.
    const fs::path temporary = dir / (comName + ".new-" + std::to_string(::getpid()));
    fs::remove(temporary, ec);
    fs::create_symlink(target, temporary, ec);
    if (!ec)
        fs::rename(temporary, link, ec);
    if (ec) {
        fs::remove(temporary, ec);
        error = "cannot create the link " + link.string() + ": " + ec.message();
        return nullptr;
    }
    return std::unique_ptr<PortLink>(new PortLink(link, target));
}

PortLink::~PortLink()
{
    std::error_code ec;
    if (fs::read_symlink(m_path, ec) == fs::path(m_target) && !ec)
        fs::remove(m_path, ec);
}

}  // namespace tavolo::sim
