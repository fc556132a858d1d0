#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <string>

namespace tavolo::posix {

// Who the character device `node` (a stat of its device node) is, from what the
// system tells without opening it: opening a serial port raises DTR and RTS and
// closing drops them, which resets many boards, so a device must be recognised
// before it is opened. `sysDevChar` is the system's index of character devices
// by number ("/sys/dev/char").
//
//   USB adapter   "usb 0403:6001 serial A5XK3RJT interface 00": vendor, product,
//                 serial number, interface and, for adapters with several ports
//                 on one interface, the port. Without a serial number the USB
//                 socket path stands in ("usb 1a86:7523 at 1-1.2 interface 00").
//                 The same adapter keeps it when it returns as another ttyUSB.
//   other listed  "device 4:64": an on-board port keeps its number.
//   unlisted      the node itself, with its creation time: a pseudo-terminal, even
//                 one that reuses a number, is a new device each time.
std::string deviceIdentity(const struct stat& node, const std::filesystem::path& sysDevChar);

}  // namespace tavolo::posix
