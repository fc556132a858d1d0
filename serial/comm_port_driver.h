#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "serial/comm_port_types.h"
#include "serial/poll_timer.h"
#include "serial/serial_device.h"

namespace tavolo {

class TCommPortDriver;

// The receive event: `DataSize` bytes at `DataPtr`, valid only until the handler
// returns (the next tick reads into the same buffer). Runs inside the polling tick.
using TComPortReceiveDataEvent =
    std::function<void(TCommPortDriver* Sender, const std::uint8_t* DataPtr, std::int32_t DataSize)>;

// What the driver tells its owner about the link while the port is open.
enum class PortStatusKind : std::uint8_t {
    DeviceLost,    // reads failed for good (adapter unplugged, simulator ended); reconnecting
    DeviceBack,    // the same device is open again under the port name; bytes flow again
    OtherDevice,   // while the device is away, the port name leads to another one, left unopened
};

struct PortStatus {
    PortStatusKind kind = PortStatusKind::DeviceLost;
    std::string portName;  // "COM1"
    std::string device;    // the device that was lost, the one reopened, or the other one
    int errorCode = 0;     // the system's error number of the failed read (0 for end of file)
    std::string message;   // one line for a status bar, e.g. "COM1 (/dev/ttyUSB0): device lost ..."
};

using TComPortStatusEvent = std::function<void(TCommPortDriver* Sender, const PortStatus& status)>;

// Why the last OpenPort failed.
struct PortOpenError {
    std::string portName;  // "COM2"
    OpenError error;       // the device tried and the system's reason
};

// Owns one serial port: opens it, writes the line settings, polls it from a timer
// on the owner's thread and hands every chunk of received bytes to OnReceiveData.
// Receive only; there is no send operation. Everything, timer ticks included, runs
// on the owner's thread (the GUI thread in the program); no call is thread-safe.
//
// A device that disappears while the port is open (an unplugged adapter) is
// reported once through OnStatus; the port stays open (IsPortOpen() stays true,
// nothing is delivered) and every ReconnectInterval ms the driver looks at what
// the port name leads to. The lost device is opened again (DeviceBack), so a long
// recording survives a loose cable; any other device that now answers to the
// name is never opened, and reported once (OtherDevice).
class TCommPortDriver {
public:
    // `timer` is owned by the driver; `platform` must outlive it.
    explicit TCommPortDriver(std::unique_ptr<PollTimer> timer,
                             SerialPlatform& platform = systemSerialPlatform());
    ~TCommPortDriver();
    TCommPortDriver(const TCommPortDriver&) = delete;
    TCommPortDriver& operator=(const TCommPortDriver&) = delete;

    // Properties, in their published order, with their defaults.
    TComPortNumber ComPort() const { return m_comPort; }                          // pnCOM2
    TComPortBaudRate ComPortSpeed() const { return m_speed; }                     // br9600
    TComPortDataBits ComPortDataBits() const { return m_dataBits; }               // db8BITS
    TComPortStopBits ComPortStopBits() const { return m_stopBits; }               // sb1BITS
    TComPortParity ComPortParity() const { return m_parity; }                     // ptNONE
    TComPortHwHandshaking ComPortHwHandshaking() const { return m_hwHandshaking; }  // hhNONE
    TComPortSwHandshaking ComPortSwHandshaking() const { return m_swHandshaking; }  // shNONE
    std::uint16_t ComPortInBufSize() const { return m_inBufSize; }                // 2048 bytes
    std::uint16_t ComPortOutBufSize() const { return m_outBufSize; }              // 2048 bytes
    std::uint16_t ComPortPollingDelay() const { return m_pollingDelay; }          // 50 ms
    bool EnableDTROnOpen() const { return m_enableDtrOnOpen; }                    // true
    std::uint16_t OutputTimeout() const { return m_outputTimeout; }              // 4000 ms, stored only
    const TComPortReceiveDataEvent& OnReceiveData() const { return m_onReceiveData; }

    // Closed: stored. Open: ignored (the port cannot change while open).
    void SetComPort(TComPortNumber port);
    // Stored; while open also written to the port at once (ApplyLineSettings),
    // which drops the bytes queued in both directions.
    void SetComPortSpeed(TComPortBaudRate speed);
    void SetComPortDataBits(TComPortDataBits bits);
    void SetComPortStopBits(TComPortStopBits bits);
    void SetComPortParity(TComPortParity parity);
    void SetComPortHwHandshaking(TComPortHwHandshaking handshaking);
    void SetComPortSwHandshaking(TComPortSwHandshaking handshaking);
    // Closed: the receive buffer is replaced by one of the new size. Open: ignored.
    // 0 is ignored too (a buffer of no bytes would never receive anything).
    void SetComPortInBufSize(std::uint16_t size);
    // Stored, open or closed; takes effect at the next ApplyLineSettings.
    void SetComPortOutBufSize(std::uint16_t size);
    // Stored; while open a different value restarts the timer with the new period.
    // 0 is ignored (it would poll without pause).
    void SetComPortPollingDelay(std::uint16_t delayMs);
    // Stored; takes effect at the next ApplyLineSettings.
    void SetEnableDTROnOpen(bool enable);
    void SetOutputTimeout(std::uint16_t timeoutMs);
    void SetOnReceiveData(TComPortReceiveDataEvent handler);

    // Opens "COM1".."COM6" and writes the line settings; starts polling. True when
    // the port is open afterwards. On an open port: true, and nothing else happens.
    // On failure the reason is in LastOpenError().
    bool OpenPort();
    // Stops polling and closes the port at once; nothing on a closed port.
    void ClosePort();
    bool IsPortOpen() const { return m_open; }
    // Writes the line settings, drops both queues and requests the queue sizes.
    // Nothing while closed (or while the device is lost; reopening applies them).
    void ApplyLineSettings();
    // Drops the chosen queues of the open port.
    void PurgePort(bool input, bool output);
    // One polling tick: reads what has arrived and raises OnReceiveData with it.
    void PollPort();

    // The link's status events (device lost / back). Set by the owner.
    void SetOnStatus(TComPortStatusEvent handler) { m_onStatus = std::move(handler); }
    // Milliseconds between reopen attempts after the device is lost (default 2000).
    std::uint32_t ReconnectInterval() const { return m_reconnectIntervalMs; }
    void SetReconnectInterval(std::uint32_t intervalMs) { m_reconnectIntervalMs = intervalMs; }

    // True while the port is open but its device is gone and being reopened.
    bool IsDeviceLost() const { return m_open && !m_device; }
    // The device the open port reads from ("" while closed or lost).
    std::string DevicePath() const;
    const PortOpenError& LastOpenError() const { return m_lastOpenError; }
    // What the device refused at the last ApplyLineSettings (diagnostics).
    const std::vector<SettingFailure>& LastSettingFailures() const { return m_lastSettingFailures; }
    // The settings as they are written to the device.
    LineSettings CurrentLineSettings() const;

    PollTimer& Timer() { return *m_timer; }

private:
    void deviceLost(const ReadResult& result);
    void tryReconnect();
    void report(PortStatusKind kind, int errorCode, std::string message, std::string device);

    SerialPlatform& m_platform;
    std::unique_ptr<PollTimer> m_timer;
    std::unique_ptr<SerialDevice> m_device;  // none while closed, and while the device is lost
    bool m_open = false;

    TComPortNumber m_comPort = TComPortNumber::pnCOM2;
    TComPortBaudRate m_speed = TComPortBaudRate::br9600;
    TComPortDataBits m_dataBits = TComPortDataBits::db8BITS;
    TComPortStopBits m_stopBits = TComPortStopBits::sb1BITS;
    TComPortParity m_parity = TComPortParity::ptNONE;
    TComPortHwHandshaking m_hwHandshaking = TComPortHwHandshaking::hhNONE;
    TComPortSwHandshaking m_swHandshaking = TComPortSwHandshaking::shNONE;
    std::uint16_t m_inBufSize = 2048;
    std::uint16_t m_outBufSize = 2048;
    std::uint16_t m_pollingDelay = 50;
    bool m_enableDtrOnOpen = true;
    std::uint16_t m_outputTimeout = 4000;
    TComPortReceiveDataEvent m_onReceiveData;
    TComPortStatusEvent m_onStatus;

    std::unique_ptr<std::uint8_t[]> m_buffer;  // ComPortInBufSize bytes, reused by every tick
    std::string m_openedName;                  // the port name of the open port
    std::string m_lostDevice;                  // the device that went away
    std::string m_lostIdentity;                // and who it is (SerialDevice::identity)
    std::string m_otherIdentity;               // the other device last reported while it is away
    std::uint32_t m_reconnectIntervalMs = 2000;
    std::uint32_t m_msSinceReconnectTry = 0;
    PortOpenError m_lastOpenError;
    std::vector<SettingFailure> m_lastSettingFailures;
};

}  // namespace tavolo
