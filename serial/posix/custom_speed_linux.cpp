// Kept apart from the termios code: <asm/termbits.h> and <termios.h> cannot
// meet in one translation unit.
#include "serial/posix/custom_speed.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>

#include <cerrno>

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace tavolo::posix {

int setCustomSpeed(int fd, std::uint32_t bitsPerSecond)
{
    termios2 t{};
    if (ioctl(fd, TCGETS2, &t) != 0)
        return errno;
    t.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = bitsPerSecond;
    t.c_ospeed = bitsPerSecond;
    if (ioctl(fd, TCSETS2, &t) != 0)
        return errno;
    return 0;
}

std::uint32_t currentSpeed(int fd)
{
    termios2 t{};
    if (ioctl(fd, TCGETS2, &t) != 0)
        return 0;
    return t.c_ispeed;
}

}  // namespace tavolo::posix
