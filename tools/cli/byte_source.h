#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tavolo::cli {

// Where `tavolo-cli log` takes the meter's bytes from: a capture file, standard
// input, or a live serial port.
class ByteSource {
public:
    virtual ~ByteSource() = default;

    // Reads what is available into `buffer`, waiting at most about 50 ms.
    // Returns the count read (0 when nothing arrived yet), or nothing when the
    // input has ended for good (end of a file; a port never ends by itself).
    virtual std::optional<std::size_t> read(std::uint8_t* buffer, std::size_t capacity) = 0;

    // True once after the input was interrupted and resumed (a lost device came
    // back): the bytes of the last read() follow a gap, so a frame begun before
    // it must be dropped, not joined to them.
    virtual bool takeGap() { return false; }
};

// A capture file, or standard input for "-". Nothing, with `error` set, when it cannot be opened.
std::unique_ptr<ByteSource> openFileSource(const std::string& path, std::string& error);

// A serial port by COM name ("COM1") or device path, opened with the meter's line
// settings. Status lines (lost device, reopened) go to standard error.
std::unique_ptr<ByteSource> openPortSource(const std::string& port, std::string& error);

}  // namespace tavolo::cli
