#pragma once

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace tavolo::test {

// One USB serial adapter as sysfs shows it.
struct UsbAdapter {
    std::string vendor = "0403";
    std::string product = "6001";
    std::string serial{};          // "" for an adapter without a serial number
    std::string usbPath = "1-2";   // the socket it is plugged into
    std::string interface = "00";
    std::string port{};            // port_number of a multi-port converter, "" for none
};

// A fake /sys under `root`: "dev/char/M:m" links to a tty folder under a USB
// adapter or on board, as the kernel lays them out.
class FakeSysfs {
public:
    explicit FakeSysfs(std::filesystem::path root) : m_root(std::move(root))
    {
        std::filesystem::create_directories(devChar());
    }

    std::filesystem::path devChar() const { return m_root / "dev" / "char"; }

    // "M:m" of the device node at `node` (after links).
    static std::string numberOf(const std::filesystem::path& node)
    {
        struct stat s {};
        if (::stat(node.c_str(), &s) != 0)
            throw std::runtime_error("no device node " + node.string());
        return std::to_string(major(s.st_rdev)) + ":" + std::to_string(minor(s.st_rdev));
    }

    // Lists device `number` as tty `name` of the USB adapter `a`.
    void usbAdapter(const std::string& number, const std::string& name, const UsbAdapter& a) const
    {
        const std::filesystem::path usb = m_root / "devices" / "usb1" / a.usbPath;
        const std::filesystem::path interface = usb / (a.usbPath + ":1." + a.interface);
        const std::filesystem::path tty = interface / name / "tty" / name;
        std::filesystem::create_directories(tty);
        write(usb / "idVendor", a.vendor);
        write(usb / "idProduct", a.product);
        std::error_code ec;
        std::filesystem::remove(usb / "serial", ec);
        if (!a.serial.empty())
            write(usb / "serial", a.serial);
        write(interface / "bInterfaceNumber", a.interface);
        if (!a.port.empty())
            write(interface / name / "port_number", a.port);
        list(number, tty);
    }

    // Lists device `number` as an on-board tty `name`.
    void onBoard(const std::string& number, const std::string& name) const
    {
        const std::filesystem::path tty = m_root / "devices" / "platform" / "serial8250" / "tty" / name;
        std::filesystem::create_directories(tty);
        list(number, tty);
    }

    // The device is gone from the index.
    void remove(const std::string& number) const
    {
        std::error_code ec;
        std::filesystem::remove(devChar() / number, ec);
    }

private:
    static void write(const std::filesystem::path& file, const std::string& value)
    {
        std::ofstream(file) << value << "\n";
    }

    void list(const std::string& number, const std::filesystem::path& tty) const
    {
        std::error_code ec;
        std::filesystem::remove(devChar() / number, ec);
        std::filesystem::create_directory_symlink(tty, devChar() / number);
    }

    std::filesystem::path m_root;
};

}  // namespace tavolo::test
