#include "serial/posix/terminal_settings.h"

#include <sys/ioctl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavolo::posix {
namespace {

LineSettings meterLine()
{
    LineSettings s;
    s.baudRate = 19200;
    s.dataBits = 7;
    s.parity = ParityCode::Odd;
    return s;
}

// A terminal as a previous user may have left it: cooked, echoing, translating,
// stripping, and with parity checking that marks errors.
termios cookedTerminal()
{
    termios t{};
    t.c_iflag = ICRNL | IXON | ISTRIP | INPCK | PARMRK | BRKINT;
    t.c_oflag = OPOST | ONLCR;
    t.c_cflag = CS8 | CREAD | HUPCL | B9600;
    t.c_lflag = ICANON | ECHO | ECHONL | ISIG | IEXTEN;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 5;
    return t;
}

struct Case {
    const char* name;
    LineSettings settings;
    tcflag_t cflag;          // CSIZE, parity, CSTOPB and CRTSCTS bits expected
    tcflag_t iflag;          // INPCK, IGNPAR, IGNBRK, PARMRK, IXON, IXOFF bits expected
    int linesOn;
    int linesOff;
    speed_t speed;           // B-code in the flags; B0 when the speed goes the custom way
    std::uint32_t customSpeed;
};

std::vector<Case> cases()
{
    std::vector<Case> all;
    all.push_back({"meter: 19200 7O1, DTR on, RTS off", meterLine(), CS7 | PARENB | PARODD, INPCK | IGNPAR | IGNBRK,
                   TIOCM_DTR, TIOCM_RTS, B19200, 0});
    all.push_back({"defaults: 9600 8N1", LineSettings{}, CS8, 0, TIOCM_DTR, TIOCM_RTS, B9600, 0});

    LineSettings even = meterLine();
    even.parity = ParityCode::Even;
    even.stopBits = StopBitsCode::Two;
    all.push_back({"7E2", even, CS7 | PARENB | CSTOPB, INPCK | IGNPAR | IGNBRK, TIOCM_DTR, TIOCM_RTS, B19200, 0});

    LineSettings mark = meterLine();
    mark.dataBits = 5;
    mark.parity = ParityCode::Mark;
    mark.stopBits = StopBitsCode::OneAndHalf;  // does not exist: two
    all.push_back({"5 mark 1.5", mark, CS5 | PARENB | CMSPAR | PARODD | CSTOPB, INPCK | IGNPAR | IGNBRK, TIOCM_DTR,
                   TIOCM_RTS, B19200, 0});

    LineSettings space = meterLine();
    space.dataBits = 6;
    space.parity = ParityCode::Space;
    all.push_back({"6 space 1", space, CS6 | PARENB | CMSPAR, INPCK | IGNPAR | IGNBRK, TIOCM_DTR, TIOCM_RTS, B19200, 0});

    LineSettings rtsCts = meterLine();
    rtsCts.rtsCtsHandshake = true;
    rtsCts.dtr = false;
    all.push_back({"RTS/CTS handshake leaves RTS alone; DTR off", rtsCts, CS7 | PARENB | PARODD | CRTSCTS,
                   INPCK | IGNPAR | IGNBRK, 0, TIOCM_DTR, B19200, 0});

    LineSettings lines = LineSettings{};
    lines.rts = true;
    lines.xonXoffHandshake = true;
    all.push_back({"RTS on, XON/XOFF", lines, CS8, IXON | IXOFF, TIOCM_DTR | TIOCM_RTS, 0, B9600, 0});

    LineSettings odd = meterLine();
    odd.baudRate = 14400;
    all.push_back({"14400 bit/s has no B-code", odd, CS7 | PARENB | PARODD, INPCK | IGNPAR | IGNBRK, TIOCM_DTR,
                   TIOCM_RTS, B0, 14400});
    return all;
}

TEST(TerminalSettings, LineSettingsBecomeTerminalFlagsAndModemLines)
{
    const termios start = cookedTerminal();
    const tcflag_t cMask = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
    const tcflag_t iMask = INPCK | IGNPAR | IGNBRK | PARMRK | IXON | IXOFF;
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        const TerminalSettings t = terminalSettings(c.settings, start);
        EXPECT_EQ(t.flags.c_cflag & cMask, c.cflag);
        EXPECT_EQ(t.flags.c_iflag & iMask, c.iflag);
        EXPECT_EQ(t.modemLinesOn, c.linesOn);
        EXPECT_EQ(t.modemLinesOff, c.linesOff);
        EXPECT_EQ(t.customSpeed, c.customSpeed);
        if (c.customSpeed == 0) {
            EXPECT_EQ(::cfgetispeed(&t.flags), c.speed);
            EXPECT_EQ(::cfgetospeed(&t.flags), c.speed);
        }
        EXPECT_EQ(t.flags.c_cc[VSTART], c.settings.xonChar);
        EXPECT_EQ(t.flags.c_cc[VSTOP], c.settings.xoffChar);
    }
}

// Whatever the terminal was, bytes come through unchanged and a read returns at
// once: raw, receiver on, modem status lines ignored. What the settings do not
// decide (dropping DTR when closed) stays as it was.
TEST(TerminalSettings, RawModeFromAnyStart)
{
    for (const LineSettings& settings : {meterLine(), LineSettings{}}) {
        const TerminalSettings t = terminalSettings(settings, cookedTerminal());
        EXPECT_EQ(t.flags.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | BRKINT | PARMRK), 0u);
        EXPECT_EQ(t.flags.c_oflag & OPOST, 0u);
        EXPECT_EQ(t.flags.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u);
        EXPECT_EQ(t.flags.c_cflag & (CREAD | CLOCAL), CREAD | CLOCAL);
        EXPECT_EQ(t.flags.c_cflag & HUPCL, static_cast<tcflag_t>(HUPCL));
        EXPECT_EQ(t.flags.c_cc[VMIN], 1);
        EXPECT_EQ(t.flags.c_cc[VTIME], 0);
    }
    termios noHangup = cookedTerminal();
    noHangup.c_cflag &= ~static_cast<tcflag_t>(HUPCL);
    EXPECT_EQ(terminalSettings(meterLine(), noHangup).flags.c_cflag & HUPCL, 0u);
}

}  // namespace
}  // namespace tavolo::posix
