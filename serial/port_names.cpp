#include "serial/port_names.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <system_error>

namespace tavolo {
namespace fs = std::filesystem;

namespace {

// The device groups in COM order.
constexpr std::string_view kGroups[] = {"ttyUSB", "ttyACM", "ttyS"};

std::optional<unsigned> numberAfter(std::string_view name, std::string_view prefix)
{
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix)
        return std::nullopt;
    unsigned value = 0;
    for (char c : name.substr(prefix.size())) {
        if (!std::isdigit(static_cast<unsigned char>(c)) || value > 100000)
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value;
}

std::string readFirstLine(const fs::path& file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// Names the kernel writes its console to (/sys/class/tty/console/active, e.g. "tty0 ttyS0").
std::set<std::string> consoleNames(const fs::path& sysClassTty)
{
    std::set<std::string> names;
    std::istringstream words(readFirstLine(sysClassTty / "console" / "active"));
    std::string word;
    while (words >> word)
        names.insert(word);
    return names;
}

// An on-board port counts only when a driver claimed it and found a UART: the
// 8250 driver registers placeholder ports of type 0 (unknown) that have no hardware.
bool onBoardPortIsReal(const fs::path& entry)
{
    std::error_code ec;
    if (!fs::exists(entry / "device" / "driver", ec))
        return false;
    const std::string type = readFirstLine(entry / "type");
    return !type.empty() && type != "0";
}

std::string ordinal(int n)
{
    const int lastTwo = n % 100;
    const char* suffix = "th";
    if (lastTwo < 11 || lastTwo > 13) {
        switch (n % 10) {
        case 1: suffix = "st"; break;
        case 2: suffix = "nd"; break;
        case 3: suffix = "rd"; break;
        default: break;
        }
    }
    return std::to_string(n) + suffix;
}

}  // namespace

fs::path defaultPortLinkDir()
{
    if (const char* dir = std::getenv("TAVOLO_PORT_DIR"); dir && *dir)
        return fs::path(dir);
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/')
        return fs::path(data) / "tavolo";
    if (const char* home = std::getenv("HOME"); home && *home)
        return fs::path(home) / ".local" / "share" / "tavolo";
    return fs::path(".tavolo");
}

PortNameRoots systemPortNameRoots()
{
    PortNameRoots roots;
    roots.linkDir = defaultPortLinkDir();
    return roots;
}

std::optional<int> parseComPortName(std::string_view name)
{
    if (name.size() < 4 || name.size() > 6)
        return std::nullopt;
    for (std::size_t i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i])
            return std::nullopt;
    }
    if (name[3] == '0')
        return std::nullopt;
    int n = 0;
    for (char c : name.substr(3)) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

std::vector<fs::path> systemSerialDevices(const PortNameRoots& roots)
{
    std::error_code ec;
    const std::set<std::string> consoles = consoleNames(roots.sysClassTty);
    std::vector<fs::path> result;
    for (std::string_view group : kGroups) {
        std::vector<std::pair<unsigned, std::string>> found;
        for (fs::directory_iterator it(roots.sysClassTty, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            const std::optional<unsigned> number = numberAfter(name, group);
            if (!number || consoles.count(name) != 0)
                continue;
            if (group == "ttyS" && !onBoardPortIsReal(it->path()))
                continue;
            if (!fs::exists(roots.devDir / name, ec))
                continue;
            found.emplace_back(*number, name);
        }
        ec.clear();
        std::sort(found.begin(), found.end());
        for (const auto& entry : found)
            result.push_back(roots.devDir / entry.second);
    }
    return result;
}

std::optional<ResolvedPort> resolvePortName(std::string_view name, const PortNameRoots& roots,
                                            std::string& error)
{
    if (!name.empty() && name.front() == '/')
        return ResolvedPort{fs::path(name), "device path"};

    const std::optional<int> n = parseComPortName(name);
    if (!n) {
        error.assign(1, '\'').append(name).append("' is not a port name; use COM1 to COM6 or a device path such as /dev/ttyUSB0");
        return std::nullopt;
    }
    const std::string comName = "COM" + std::to_string(*n);

    std::error_code ec;
    const fs::path link = roots.linkDir / comName;
    const fs::file_status linkStatus = fs::symlink_status(link, ec);
    if (fs::exists(linkStatus)) {
        if (fs::is_symlink(linkStatus)) {
            const fs::path target = fs::read_symlink(link, ec);
            if (!fs::exists(link, ec)) {
                error = "the link " + link.string() + " points to " + target.string() +
                        ", which does not exist (is the meter simulator or the adapter gone?)";
                return std::nullopt;
            }
            return ResolvedPort{link, "link " + link.string() + " -> " + target.string()};
        }
        return ResolvedPort{link, "entry " + link.string()};
    }

    const std::vector<fs::path> devices = systemSerialDevices(roots);
    if (static_cast<std::size_t>(*n) <= devices.size())
        return ResolvedPort{devices[static_cast<std::size_t>(*n - 1)], ordinal(*n) + " serial device of the system"};

    error = "there is no link " + link.string() + " and ";
    if (devices.empty()) {
        error += "the system shows no serial device (USB adapters appear as /dev/ttyUSB* or /dev/ttyACM*)";
    } else {
        error.append("the system shows only ")
            .append(std::to_string(devices.size()))
            .append(devices.size() == 1 ? " serial device:" : " serial devices:");
        for (const fs::path& device : devices)
            error.append(" ").append(device.string());
    }
    return std::nullopt;
}

}  // namespace tavolo
