#include "serial/posix/device_identity.h"

#include <sys/sysmacros.h>

#include <fstream>
#include <system_error>

namespace tavolo::posix {
namespace fs = std::filesystem;
namespace {

// The first line of a sysfs attribute, "" when there is none.
std::string attribute(const fs::path& dir, const char* name)
{
    std::ifstream in(dir / name);
    std::string line;
    std::getline(in, line);
    return line;
}

// The USB device above `entry` (the tty's sysfs folder), if there is one.
std::string usbIdentity(const fs::path& entry, const fs::path& sysRoot)
{
    std::string interface;
    std::string port;
    for (fs::path dir = entry; dir != sysRoot && dir.has_relative_path(); dir = dir.parent_path()) {
        if (port.empty())
            port = attribute(dir, "port_number");  // a port of a usb-serial converter
        if (interface.empty())
            interface = attribute(dir, "bInterfaceNumber");
        const std::string vendor = attribute(dir, "idVendor");
        const std::string product = attribute(dir, "idProduct");
        if (vendor.empty() || product.empty())
            continue;
        std::string id = "usb " + vendor + ":" + product;
        const std::string serial = attribute(dir, "serial");
        id += serial.empty() ? " at " + dir.filename().string() : " serial " + serial;
        if (!interface.empty())
            id += " interface " + interface;
        if (!port.empty())
            id += " port " + port;
        return id;
    }
    return {};
}

}  // namespace

std::string deviceIdentity(const struct stat& node, const fs::path& sysDevChar)
{
    const std::string number = std::to_string(major(node.st_rdev)) + ":" + std::to_string(minor(node.st_rdev));
    std::error_code ec;
    const fs::path entry = fs::canonical(sysDevChar / number, ec);
    if (ec) {
        return "node " + number + " on " + std::to_string(node.st_dev) + " inode " + std::to_string(node.st_ino) +
               " made " + std::to_string(node.st_ctim.tv_sec) + "." + std::to_string(node.st_ctim.tv_nsec);
    }
    const fs::path sysRoot = fs::canonical(sysDevChar, ec).parent_path().parent_path();
    std::string usb = usbIdentity(entry, sysRoot);
    return usb.empty() ? "device " + number : usb;
}

}  // namespace tavolo::posix
