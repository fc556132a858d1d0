#include "serial/port_names.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/pty_fixture.h"

namespace tavolo {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

TEST(ComPortName, Parsing)
{
    const std::vector<std::pair<std::string, std::optional<int>>> cases = {
        {"COM1", 1}, {"com4", 4}, {"Com12", 12}, {"COM999", 999},
        {"COM0", std::nullopt}, {"COM01", std::nullopt}, {"COM", std::nullopt}, {"COM1x", std::nullopt},
        {"COM1000", std::nullopt}, {"TTY1", std::nullopt}, {"", std::nullopt}, {"/dev/ttyUSB0", std::nullopt},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(parseComPortName(name), expected) << name;
}

// A fake /sys/class/tty and /dev: what a machine with adapters, on-board ports
// and a serial console would show.
class FakeSystem {
public:
    FakeSystem()
    {
        roots.linkDir = dir.path() / "links";
        roots.sysClassTty = dir.path() / "sys";
        roots.devDir = dir.path() / "dev";
        fs::create_directories(roots.linkDir);
        fs::create_directories(roots.sysClassTty);
        fs::create_directories(roots.devDir);
    }

    // A tty the kernel lists; `uartType` and `driver` matter for ttyS only.
    void tty(const std::string& name, bool withNode = true, const std::string& uartType = "4", bool driver = true)
    {
        const fs::path entry = roots.sysClassTty / name;
        fs::create_directories(entry);
        if (driver)
            fs::create_directories(entry / "device" / "driver");
        std::ofstream(entry / "type") << uartType << "\n";
        if (withNode)
            std::ofstream(roots.devDir / name);
    }

    void console(const std::string& active)
    {
        fs::create_directories(roots.sysClassTty / "console");
        std::ofstream(roots.sysClassTty / "console" / "active") << active << "\n";
    }

    std::vector<std::string> devices() const
    {
        std::vector<std::string> names;
        for (const fs::path& p : systemSerialDevices(roots))
            names.push_back(p.filename().string());
        return names;
    }

    TempDir dir;
    PortNameRoots roots;
};

TEST(SystemSerialDevices, UsbThenAcmThenRealOnBoardPortsInNaturalOrder)
{
    FakeSystem sys;
    sys.tty("ttyS0");                       // the console: never offered
    sys.tty("ttyS1");                       // a real on-board UART
    sys.tty("ttyS2", true, "0");            // a placeholder without hardware
    sys.tty("ttyS3", true, "4", false);     // no driver behind it
    sys.tty("ttyS10");
    sys.tty("ttyUSB10");
    sys.tty("ttyUSB2");
    sys.tty("ttyUSB3", false);              // listed, but no device node
    sys.tty("ttyACM0");
    sys.tty("tty1");
    sys.tty("ttyUSBx");
    sys.console("tty0 ttyS0");
    EXPECT_EQ(sys.devices(), (std::vector<std::string>{"ttyUSB2", "ttyUSB10", "ttyACM0", "ttyS1", "ttyS10"}));
}

TEST(SystemSerialDevices, MissingSysfsGivesNoDevices)
{
    PortNameRoots roots{"/nonexistent/links", "/nonexistent/sys", "/nonexistent/dev"};
    EXPECT_TRUE(systemSerialDevices(roots).empty());
}

TEST(ResolvePortName, LinkFirstThenTheNthSystemDevice)
{
    FakeSystem sys;
    sys.tty("ttyUSB0");
    sys.tty("ttyACM0");
    std::ofstream(sys.dir.path() / "pty");
    fs::create_symlink(sys.dir.path() / "pty", sys.roots.linkDir / "COM2");

    std::string error;
    auto com1 = resolvePortName("COM1", sys.roots, error);
    ASSERT_TRUE(com1) << error;
    EXPECT_EQ(com1->device, sys.roots.devDir / "ttyUSB0");

    auto com2 = resolvePortName("com2", sys.roots, error);  // the link wins over ttyACM0
    ASSERT_TRUE(com2) << error;
    EXPECT_EQ(com2->device, sys.roots.linkDir / "COM2");
    EXPECT_NE(com2->origin.find("link"), std::string::npos);

    EXPECT_FALSE(resolvePortName("COM3", sys.roots, error));
    EXPECT_NE(error.find("only 2 serial devices"), std::string::npos) << error;
    EXPECT_NE(error.find("ttyACM0"), std::string::npos) << error;

    auto path = resolvePortName("/dev/ttyAMA0", sys.roots, error);
    ASSERT_TRUE(path);
    EXPECT_EQ(path->device, "/dev/ttyAMA0");

    EXPECT_FALSE(resolvePortName("serial", sys.roots, error));
    EXPECT_NE(error.find("not a port name"), std::string::npos) << error;
}

TEST(ResolvePortName, DanglingLinkIsAnErrorNotAFallback)
{
    FakeSystem sys;
    sys.tty("ttyUSB0");
    fs::create_symlink("/dev/pts/gone", sys.roots.linkDir / "COM1");
    std::string error;
    EXPECT_FALSE(resolvePortName("COM1", sys.roots, error));
    EXPECT_NE(error.find("/dev/pts/gone"), std::string::npos) << error;
}

TEST(PortLinkDir, EnvironmentOverrideThenXdgThenHome)
{
    const char* saved[3] = {std::getenv("TAVOLO_PORT_DIR"), std::getenv("XDG_DATA_HOME"), std::getenv("HOME")};
    const std::string keep[3] = {saved[0] ? saved[0] : "", saved[1] ? saved[1] : "", saved[2] ? saved[2] : ""};

    ::setenv("TAVOLO_PORT_DIR", "/tmp/ports", 1);
    ::setenv("XDG_DATA_HOME", "/data", 1);
    ::setenv("HOME", "/home/u", 1);
    EXPECT_EQ(defaultPortLinkDir(), fs::path("/tmp/ports"));
    ::unsetenv("TAVOLO_PORT_DIR");
    EXPECT_EQ(defaultPortLinkDir(), fs::path("/data/tavolo"));
    ::setenv("XDG_DATA_HOME", "relative", 1);  // not absolute: ignored, as XDG asks
    EXPECT_EQ(defaultPortLinkDir(), fs::path("/home/u/.local/share/tavolo"));

    const char* names[3] = {"TAVOLO_PORT_DIR", "XDG_DATA_HOME", "HOME"};
    for (int i = 0; i < 3; ++i) {
        if (saved[i])
            ::setenv(names[i], keep[i].c_str(), 1);
        else
            ::unsetenv(names[i]);
    }
}

}  // namespace
}  // namespace tavolo
