#include "serial/posix/posix_serial_platform.h"

#include "serial/posix/custom_speed.h"
#include "serial/posix/device_identity.h"
#include "serial/posix/terminal_settings.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <optional>

namespace tavolo {
namespace {

std::string systemText(int code)
{
    return std::strerror(code);
}

class PosixSerialDevice final : public SerialDevice {
public:
    PosixSerialDevice(int fd, std::string path, std::string identity)
        : m_fd(fd), m_path(std::move(path)), m_identity(std::move(identity)) {}
    ~PosixSerialDevice() override
    {
        // The exclusive mode outlives this descriptor while another one (the
        // simulator's) is open, and would refuse our own next open.
        ::ioctl(m_fd, TIOCNXCL);
        ::close(m_fd);
    }
    PosixSerialDevice(const PosixSerialDevice&) = delete;
    PosixSerialDevice& operator=(const PosixSerialDevice&) = delete;

    std::vector<SettingFailure> applyLineSettings(const LineSettings& s) override
    {
        std::vector<SettingFailure> failures;
        auto fail = [&failures](std::string setting, int code, std::string message) {
            failures.push_back(SettingFailure{std::move(setting), code, std::move(message)});
        };

        termios current{};
        if (::tcgetattr(m_fd, &current) != 0) {
            fail("line settings", errno, "cannot read the terminal settings: " + systemText(errno));
            return failures;
        }
        const posix::TerminalSettings wanted = posix::terminalSettings(s, current);
        if (s.stopBits == StopBitsCode::OneAndHalf)
            fail("stop bits", 0, "one and a half stop bits do not exist here; two are used");

        if (::tcsetattr(m_fd, TCSANOW, &wanted.flags) != 0) {
            fail("line settings", errno, "the terminal refused the settings: " + systemText(errno));
        } else {
            checkKept(wanted.flags, s, fail);
        }
        if (wanted.customSpeed != 0) {
            // 14400 and 56000 bit/s have no termios code; the kernel takes them as numbers.
            if (const int code = posix::setCustomSpeed(m_fd, wanted.customSpeed); code != 0)
                fail("speed", code, "cannot set " + std::to_string(s.baudRate) + " bit/s: " + systemText(code));
            else if (posix::currentSpeed(m_fd) != s.baudRate)
                fail("speed", 0, "the device kept another speed than " + std::to_string(s.baudRate) + " bit/s");
        }

        setModemLine(TIOCM_DTR, wanted, "DTR", fail);
        setModemLine(TIOCM_RTS, wanted, "RTS", fail);
        return failures;
    }

    bool purge(bool input, bool output) override
    {
        const int which = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
        return ::tcflush(m_fd, which) == 0;
    }

    bool setQueueSizes(std::size_t, std::size_t) override
    {
        return false;  // termios has no queue size request
    }

    ReadResult read(std::uint8_t* buffer, std::size_t capacity) override
    {
        if (capacity == 0)
            return {};
        const ssize_t n = ::read(m_fd, buffer, capacity);
        if (n > 0)
            return ReadResult{static_cast<std::size_t>(n), ReadStatus::Ok, 0};
        if (n == 0) {
            // End of file: the other side hung up. Someone else setting VMIN to 0 on
            // the same terminal would make a quiet line read 0 too; poll tells them apart.
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 0) >= 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) == 0)
                return {};
            return ReadResult{0, ReadStatus::Gone, 0};
        }
        const int code = errno;
        switch (code) {
        case EAGAIN:
#if EWOULDBLOCK != EAGAIN
        case EWOULDBLOCK:
#endif
        case EINTR:
            return {};
        case EIO:
        case ENXIO:
        case ENODEV:
        case EBADF:
            return ReadResult{0, ReadStatus::Gone, code};
        default:
            return ReadResult{0, ReadStatus::Failed, code};
        }
    }

    const std::string& devicePath() const override { return m_path; }
    const std::string& identity() const override { return m_identity; }

private:
    // Asserts or clears one modem line as `wanted` says; nothing when it says neither.
    template <typename Fail>
    void setModemLine(int line, const posix::TerminalSettings& wanted, const char* name, Fail& fail)
    {
        const bool on = (wanted.modemLinesOn & line) != 0;
        if (!on && (wanted.modemLinesOff & line) == 0)
            return;
        int bits = line;
        if (::ioctl(m_fd, on ? TIOCMBIS : TIOCMBIC, &bits) != 0)
            fail(name, errno, std::string("cannot ") + (on ? "assert " : "clear ") + name + ": " + systemText(errno));
    }

    // A pseudo-terminal takes tcsetattr but keeps 8 bits without parity: read back
    // and report what the device did not take.
    template <typename Fail>
    void checkKept(const termios& asked, const LineSettings& s, Fail& fail)
    {
        termios now{};
        if (::tcgetattr(m_fd, &now) != 0)
            return;
        if ((now.c_cflag & CSIZE) != (asked.c_cflag & CSIZE))
            fail("data bits", 0, "the device kept another character size than " + std::to_string(s.dataBits) + " bits");
        const tcflag_t parityBits = PARENB | PARODD | CMSPAR;
        if ((now.c_cflag & parityBits) != (asked.c_cflag & parityBits))
            fail("parity", 0, "the device kept another parity than asked");
        if ((now.c_cflag & CSTOPB) != (asked.c_cflag & CSTOPB))
            fail("stop bits", 0, "the device kept another number of stop bits than asked");
        if ((now.c_iflag & (INPCK | IGNPAR)) != (asked.c_iflag & (INPCK | IGNPAR)))
            fail("parity checking", 0, "the device kept another checking of received characters than asked");
        if ((now.c_cflag & CRTSCTS) != (asked.c_cflag & CRTSCTS))
            fail("RTS/CTS handshaking", 0, "the device kept another hardware flow control than asked");
        if (posix::speedCode(s.baudRate) && ::cfgetispeed(&now) != ::cfgetispeed(&asked))
            fail("speed", 0, "the device kept another speed than " + std::to_string(s.baudRate) + " bit/s");
    }

    int m_fd;
    std::string m_path;
    std::string m_identity;
};

std::string openFailureReason(int code)
{
    std::string text = systemText(code);
    switch (code) {
    case EACCES:
    case EPERM:
        text += ". Your user may not use serial ports: add it to the 'dialout' group "
                "(sudo usermod -aG dialout $USER) and log in again";
        break;
    case EBUSY:
        text += ". Another program is using the port";
        break;
    case ENOENT:
    case ENXIO:
    case ENODEV:
        text += ". Is the adapter plugged in?";
        break;
    default:
        break;
    }
    return text;
}

}  // namespace

std::unique_ptr<SerialDevice> PosixSerialPlatform::open(const std::string& name, OpenError& error)
{
    return openNamed(name, nullptr, error);
}

std::unique_ptr<SerialDevice> PosixSerialPlatform::reopen(const std::string& name, const std::string& identity,
                                                          OpenError& error)
{
    return openNamed(name, &identity, error);
}

std::unique_ptr<SerialDevice> PosixSerialPlatform::openNamed(const std::string& name, const std::string* onlyIdentity,
                                                             OpenError& error)
{
    error = OpenError{};
    std::string resolveError;
    const std::optional<ResolvedPort> port = resolvePortName(name, m_roots, resolveError);
    if (!port) {
        error.code = ENOENT;
        error.message = resolveError;
        return nullptr;
    }
    // Name the device itself, not the link that led to it, in messages.
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::canonical(port->device, ec);
    error.device = ec ? port->device.string() : real.string();

    // Hold the node without opening the device (no driver is called, no modem
    // line moves), learn who it is, and open exactly that node only if it is
    // wanted: a link re-pointed meanwhile cannot slip another device in.
    const int node = ::open(port->device.c_str(), O_PATH | O_CLOEXEC);
    if (node < 0) {
        error.code = errno;
        error.message = openFailureReason(error.code);
        return nullptr;
    }
    struct stat status {};
    if (::fstat(node, &status) != 0 || !S_ISCHR(status.st_mode)) {
        ::close(node);
        error.code = ENOTTY;
        error.message = "this is not a serial device";
        return nullptr;
    }
    error.identity = posix::deviceIdentity(status, m_roots.sysDevChar);
    if (onlyIdentity && error.identity != *onlyIdentity) {
        ::close(node);
        error.message = "this is another device than the one asked for; it was not opened";
        return nullptr;
    }
    const std::string held = "/proc/self/fd/" + std::to_string(node);
    const int fd = ::open(held.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const int openErrno = errno;
    ::close(node);
    if (fd < 0) {
        error.code = openErrno;
        error.message = openFailureReason(error.code);
        return nullptr;
    }
    if (!::isatty(fd)) {
        ::close(fd);
        error.code = ENOTTY;
        error.message = "this is not a serial device";
        return nullptr;
    }
    // No sharing: a second program (or a second copy of this one) gets a clear
    // "in use" instead of half the bytes each.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int code = errno;
        ::close(fd);
        error.code = code == EWOULDBLOCK ? EBUSY : code;
        error.message = openFailureReason(error.code);
        return nullptr;
    }
    ::ioctl(fd, TIOCEXCL);  // best effort; pseudo-terminals and root ignore it
    return std::make_unique<PosixSerialDevice>(fd, error.device, error.identity);
}

SerialPlatform& systemSerialPlatform()
{
    static PosixSerialPlatform platform(systemPortNameRoots());
    return platform;
}

}  // namespace tavolo
