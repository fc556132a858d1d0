#include "serial/posix/terminal_settings.h"

#include <sys/ioctl.h>

namespace tavolo::posix {
namespace {

tcflag_t sizeFlag(std::uint8_t dataBits)
{
    switch (dataBits) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    default: return CS8;
    }
}

}  // namespace

std::optional<speed_t> speedCode(std::uint32_t bitsPerSecond)
{
    switch (bitsPerSecond) {
    case 110: return B110;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return std::nullopt;  // 14400 and 56000 have no termios code
    }
}

TerminalSettings terminalSettings(const LineSettings& s, const termios& current)
{
    TerminalSettings result;
    termios& t = result.flags;
    t = current;
    ::cfmakeraw(&t);
    t.c_cflag |= CREAD | CLOCAL;
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= sizeFlag(s.dataBits);
    switch (s.parity) {
    case ParityCode::None: break;
    case ParityCode::Odd: t.c_cflag |= PARENB | PARODD; break;
    case ParityCode::Even: t.c_cflag |= PARENB; break;
    case ParityCode::Mark: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case ParityCode::Space: t.c_cflag |= PARENB | CMSPAR; break;
    }
    // A character that arrives damaged must not reach frame assembly as a
    // plausible digit: with parity on, characters with a parity or framing error
    // are dropped (not marked, not replaced by NUL), and so is a break, so the
    // frame comes up short and is refused.
    t.c_iflag &= ~static_cast<tcflag_t>(INPCK | IGNPAR | PARMRK | IGNBRK);
    if (s.parity != ParityCode::None)
        t.c_iflag |= INPCK | IGNPAR | IGNBRK;
    if (s.stopBits != StopBitsCode::One)
        t.c_cflag |= CSTOPB;
    if (s.rtsCtsHandshake)
        t.c_cflag |= CRTSCTS;
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    if (s.xonXoffHandshake)
        t.c_iflag |= IXON | IXOFF;
    t.c_cc[VSTART] = static_cast<cc_t>(s.xonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(s.xoffChar);
    // With O_NONBLOCK a read returns at once: EAGAIN when nothing waits, 0 only
    // at end of file, so a vanished device is told apart from a quiet one.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;

    if (const std::optional<speed_t> code = speedCode(s.baudRate)) {
        ::cfsetispeed(&t, *code);
        ::cfsetospeed(&t, *code);
    } else {
        result.customSpeed = s.baudRate;
    }

    (s.dtr ? result.modemLinesOn : result.modemLinesOff) |= TIOCM_DTR;
    if (!s.rtsCtsHandshake)
        (s.rts ? result.modemLinesOn : result.modemLinesOff) |= TIOCM_RTS;
    return result;
}

}  // namespace tavolo::posix
