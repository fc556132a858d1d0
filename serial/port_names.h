#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavolo {

// How the program's port names map to serial devices on POSIX systems.
//
// "COMn" (n >= 1, any letter case) resolves, in this order:
//   1. to the per-user symbolic link named "COMn" in the port link folder, if it
//      exists (it may point at any device or pseudo-terminal; tavolo-meter-sim
//      registers itself there). A link whose target is missing is an error: the
//      user meant that device, so no other is tried.
//   2. otherwise to the n-th entry of the system's real serial devices: USB
//      adapters ttyUSB*, then ttyACM*, then on-board ports ttyS* that sysfs shows
//      backed by a device driver with a detected UART, never the system console;
//      each group in natural order (ttyUSB2 before ttyUSB10).
// Any name starting with "/" is a device path and is used as it is.
//
// The link folder is $TAVOLO_PORT_DIR if set, else $XDG_DATA_HOME/tavolo, else
// ~/.local/share/tavolo.

struct PortNameRoots {
    std::filesystem::path linkDir;                    // where the COMn links live
    std::filesystem::path sysClassTty = "/sys/class/tty";
    std::filesystem::path devDir = "/dev";
    std::filesystem::path sysDevChar = "/sys/dev/char";  // devices by number, to tell who a device is
};

// The roots of this user and system.
PortNameRoots systemPortNameRoots();

// The per-user link folder, from the environment (see above).
std::filesystem::path defaultPortLinkDir();

// n for "COMn" (1..999), nothing for any other name.
std::optional<int> parseComPortName(std::string_view name);

// The real serial devices in COM order (paths under devDir).
std::vector<std::filesystem::path> systemSerialDevices(const PortNameRoots& roots);

struct ResolvedPort {
    std::filesystem::path device;  // what to open
    std::string origin;       // "link COM1 -> /dev/pts/4", "2nd serial device", "device path"
};

// Resolves a port name or device path. Nothing, with `error` set to a sentence for
// the user, when the name maps to no device.
std::optional<ResolvedPort> resolvePortName(std::string_view name, const PortNameRoots& roots,
                                            std::string& error);

}  // namespace tavolo
