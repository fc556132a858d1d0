#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "serial/serial_device.h"

namespace tavolo {

// The far side of one simulated serial port: a test pushes bytes and faults in
// and reads back every request the driver made. Owned by SimSerialPlatform.
class SimPort {
public:
    explicit SimPort(std::string devicePath) : m_devicePath(std::move(devicePath)) {}

    // Bytes that arrive on the line; the next reads deliver them.
    void inject(const std::vector<std::uint8_t>& bytes);
    void inject(const std::string& bytes);
    std::size_t pendingBytes() const { return m_input.size(); }

    // The next read fails once with `errorCode` (a passing error).
    void failNextRead(int errorCode) { m_failNextRead = errorCode; }
    // The device disappears: reads of an open device report Gone with
    // `errorCode`, and opens fail with ENOENT until plug().
    void unplug(int errorCode);
    void plug() { m_present = true; }
    // Another device appears under this name from now on (a second adapter that
    // moved up to the same COM number); its path is its identity.
    void replaceDevice(std::string devicePath) { m_devicePath = std::move(devicePath); }
    // Opens fail with `errorCode` and `message` (EACCES, EBUSY, ...); 0 clears it.
    void failOpens(int errorCode, std::string message = {});
    // Settings the device refuses, returned by every applyLineSettings (e.g. DTR
    // and RTS with ENOTTY, as a pseudo-terminal does).
    void refuseSettings(std::vector<SettingFailure> failures) { m_refused = std::move(failures); }
    // Largest chunk a single read returns (default: no limit but the capacity).
    void setMaxReadSize(std::size_t bytes) { m_maxReadSize = bytes; }

    bool isOpen() const { return m_open; }
    int openCount() const { return m_openCount; }
    const std::string& devicePath() const { return m_devicePath; }
    // Everything the driver asked, in order: "open", "settings", "purge in out",
    // "queues 2048 2048", "close"; reads are counted, not logged.
    const std::vector<std::string>& requests() const { return m_requests; }
    const std::vector<LineSettings>& settingsRequests() const { return m_settings; }
    int readCount() const { return m_readCount; }
    void clearRequests() { m_requests.clear(); m_settings.clear(); }

private:
    friend class SimSerialDevice;
    friend class SimSerialPlatform;

    std::string m_devicePath;
    std::deque<std::uint8_t> m_input;
    std::vector<std::string> m_requests;
    std::vector<LineSettings> m_settings;
    std::vector<SettingFailure> m_refused;
    std::size_t m_maxReadSize = 0;
    int m_failNextRead = 0;
    int m_goneError = 0;
    int m_openError = 0;
    std::string m_openMessage;
    bool m_present = true;
    bool m_gone = false;  // the open device was unplugged
    bool m_open = false;
    int m_openCount = 0;
    int m_readCount = 0;
};

// Simulated serial ports by name, all in this process. Devices it opens keep a
// pointer to their SimPort: the platform must outlive them. One thread only.
class SimSerialPlatform final : public SerialPlatform {
public:
    // Adds a port that opens under `name` ("COM1"); its device path is "sim:" + name.
    SimPort& addPort(const std::string& name);
    // Nothing when no such port was added.
    SimPort* port(const std::string& name);

    std::unique_ptr<SerialDevice> open(const std::string& name, OpenError& error) override;
    // Opens only when the port's device path is `identity`; another device is not touched.
    std::unique_ptr<SerialDevice> reopen(const std::string& name, const std::string& identity,
                                         OpenError& error) override;

    // Every name open() or reopen() was asked for, in order.
    const std::vector<std::string>& openedNames() const { return m_openedNames; }

private:
    std::unique_ptr<SerialDevice> openPort(const std::string& name, const std::string* onlyIdentity,
                                           OpenError& error);

    std::map<std::string, std::unique_ptr<SimPort>> m_ports;
    std::vector<std::string> m_openedNames;
};

}  // namespace tavolo
