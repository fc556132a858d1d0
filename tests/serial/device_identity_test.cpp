#include "serial/posix/device_identity.h"

#include <sys/sysmacros.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/fake_sysfs.h"
#include "tests/support/pty_fixture.h"

namespace tavolo::posix {
namespace {

using test::FakeSysfs;
using test::TempDir;
using test::UsbAdapter;

struct stat nodeOf(unsigned major, unsigned minor)
{
    struct stat s {};
    s.st_mode = S_IFCHR | 0660;
    s.st_rdev = makedev(major, minor);
    return s;
}

UsbAdapter adapter(std::string serial, std::string usbPath = "1-2")
{
    UsbAdapter a;
    a.serial = std::move(serial);
    a.usbPath = std::move(usbPath);
    return a;
}

// Who each device is, as the system lists it; the same adapter is the same
// device under any ttyUSB number, another one never is.
TEST(DeviceIdentity, FromWhatTheSystemListsWithoutOpening)
{
    TempDir root;
    const FakeSysfs sys(root.path());
    sys.usbAdapter("188:0", "ttyUSB0", adapter("A5XK3RJT"));
    UsbAdapter noSerial = adapter("", "1-1.3");
    noSerial.vendor = "1a86";
    noSerial.product = "7523";
    sys.usbAdapter("188:1", "ttyUSB1", noSerial);
    UsbAdapter quad = adapter("FT4XYZ", "1-4");
    quad.port = "2";
    sys.usbAdapter("188:2", "ttyUSB2", quad);
    sys.onBoard("4:64", "ttyS0");

    const struct {
        const char* name;
        struct stat node;
        std::string identity;
    } cases[] = {
        {"adapter with a serial number", nodeOf(188, 0), "usb 0403:6001 serial A5XK3RJT interface 00"},
        {"adapter without one: its socket", nodeOf(188, 1), "usb 1a86:7523 at 1-1.3 interface 00"},
        {"third port of a converter", nodeOf(188, 2), "usb 0403:6001 serial FT4XYZ interface 00 port 2"},
        {"on-board port", nodeOf(4, 64), "device 4:64"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(deviceIdentity(c.node, sys.devChar()), c.identity) << c.name;

    // Unplugged and back as ttyUSB5, in another socket: still that adapter.
    sys.remove("188:0");
    sys.usbAdapter("188:5", "ttyUSB5", adapter("A5XK3RJT", "1-3"));
    EXPECT_EQ(deviceIdentity(nodeOf(188, 5), sys.devChar()), "usb 0403:6001 serial A5XK3RJT interface 00");
    // Another adapter of the same model took ttyUSB0.
    sys.usbAdapter("188:0", "ttyUSB0", adapter("B7QQ0001"));
    EXPECT_EQ(deviceIdentity(nodeOf(188, 0), sys.devChar()), "usb 0403:6001 serial B7QQ0001 interface 00");
}

// A device the system does not list (a pseudo-terminal) is that very node: a
// new terminal is another device, even under the same number.
TEST(DeviceIdentity, UnlistedNodeIsItselfOnly)
{
    TempDir root;
    const FakeSysfs sys(root.path());
    test::PtyPair first;
    test::PtyPair second;
    struct stat a {};
    struct stat b {};
    ASSERT_EQ(::stat(first.slavePath().c_str(), &a), 0);
    ASSERT_EQ(::stat(second.slavePath().c_str(), &b), 0);
    EXPECT_EQ(deviceIdentity(a, sys.devChar()), deviceIdentity(a, sys.devChar()));
    EXPECT_NE(deviceIdentity(a, sys.devChar()), deviceIdentity(b, sys.devChar()));

    struct stat reused = a;  // the number given out again, later
    reused.st_ctim.tv_nsec += 4000000;
    EXPECT_NE(deviceIdentity(reused, sys.devChar()), deviceIdentity(a, sys.devChar()));
}

}  // namespace
}  // namespace tavolo::posix
