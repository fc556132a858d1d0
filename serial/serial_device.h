#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tavolo {

// The platform layer under the serial port driver: what the driver needs of one
// serial device and nothing more. A backend (POSIX termios, the in-process
// simulation, later Windows) implements these two interfaces; the driver never
// knows which one it drives. All calls come from the thread that owns the driver
// (the GUI thread in the program); nothing here is thread-safe.

// Stop-bit and parity codes: the same numbers the driver's enumerations carry.
enum class StopBitsCode : std::uint8_t { One = 0, OneAndHalf = 1, Two = 2 };
enum class ParityCode : std::uint8_t { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };

// One complete set of line settings, written to the device in one go.
struct LineSettings {
    std::uint32_t baudRate = 9600;  // bit/s
    std::uint8_t dataBits = 8;      // 5..8
    StopBitsCode stopBits = StopBitsCode::One;
    ParityCode parity = ParityCode::None;  // framed on the wire; a received character with a parity or
                                           // framing error is dropped, so a damaged frame comes up short
    bool dtr = true;                // DTR asserted while open
    bool rts = false;               // RTS asserted while open (ignored under RTS/CTS handshaking)
    bool rtsCtsHandshake = false;   // hardware flow control
    bool xonXoffHandshake = false;  // software flow control, both directions
    std::uint16_t xonLimit = 512;   // bytes free in the input queue before XON is sent, where the platform has it
    std::uint16_t xoffLimit = 1;    // bytes left in the input queue when XOFF is sent, where the platform has it
    std::uint8_t xonChar = 0x11;    // DC1
    std::uint8_t xoffChar = 0x13;   // DC3

    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

// One setting the device did not take as asked. The driver goes on regardless
// (a pseudo-terminal keeps 8 data bits without parity and has no modem lines,
// and must still deliver bytes); tests and diagnostics read these.
struct SettingFailure {
    std::string setting;  // "data bits", "parity", "DTR", "speed", ...
    int errorCode = 0;    // the system's error number, 0 when the device silently kept another value
    std::string message;  // what happened, in words
};

enum class ReadStatus : std::uint8_t {
    Ok,      // `count` bytes arrived (possibly 0)
    Failed,  // a passing error; try again at the next poll
    Gone,    // the device has disappeared (end of file, EIO, ENXIO, ENODEV): reopen it to go on
};

struct ReadResult {
    std::size_t count = 0;
    ReadStatus status = ReadStatus::Ok;
    int errorCode = 0;  // the system's error number for Failed and Gone (0 for end of file)
};

// Why an open failed, for the message the user gets.
struct OpenError {
    int code = 0;          // the system's error number (ENOENT, EACCES, EBUSY, ...); 0 when the
                           // device was left unopened because it is not the one asked for
    std::string device;    // the device the name resolved to, or empty when it resolved to none
    std::string message;   // the system's reason in words, with a hint where one helps
    std::string identity;  // who that device is (SerialDevice::identity), empty when unknown
};

// An open serial device. Destroying it closes it.
class SerialDevice {
public:
    virtual ~SerialDevice() = default;

    // Writes all settings; returns the ones the device refused or changed.
    virtual std::vector<SettingFailure> applyLineSettings(const LineSettings& settings) = 0;

    // Drops the bytes waiting in the chosen queues. False when the device refused.
    virtual bool purge(bool input, bool output) = 0;

    // Requests queue sizes in bytes. False where the platform has no such request
    // (POSIX) or the device refused it.
    virtual bool setQueueSizes(std::size_t input, std::size_t output) = 0;

    // Returns at once with what has arrived, at most `capacity` bytes, into `buffer`.
    virtual ReadResult read(std::uint8_t* buffer, std::size_t capacity) = 0;

    // The device actually opened ("/dev/ttyUSB0", "/dev/pts/3", a simulated name).
    virtual const std::string& devicePath() const = 0;

    // Who the device is, as the system knows it without opening it: the same
    // text for the same device however it is named (a USB adapter that returns
    // as another ttyUSB), a different one for any other device. A device that
    // comes back after being lost is taken only under the same identity.
    virtual const std::string& identity() const { return devicePath(); }
};

// Opens devices by the program's port names ("COM1") or, where the platform
// has them, by device paths.
class SerialPlatform {
public:
    virtual ~SerialPlatform() = default;

    // Opens `name` for exclusive use. Nothing, with `error` filled, when it fails.
    virtual std::unique_ptr<SerialDevice> open(const std::string& name, OpenError& error) = 0;

    // Opens `name` only when it leads to the device of `identity`. Who the name
    // leads to is found without opening anything, and any other device is left
    // unopened: opening a serial port raises DTR and RTS and closing drops them,
    // which resets many boards and instruments. Nothing, with `error` filled
    // (`error.identity` telling who the name leads to now), when it does not open.
    virtual std::unique_ptr<SerialDevice> reopen(const std::string& name, const std::string& identity,
                                                 OpenError& error) = 0;
};

// The backend this build was made with (chosen by CMake). Lives for the whole run.
SerialPlatform& systemSerialPlatform();

}  // namespace tavolo
