#include "serial/comm_port_driver.h"

#include <cstring>
#include <string>
#include <utility>

namespace tavolo {

TCommPortDriver::TCommPortDriver(std::unique_ptr<PollTimer> timer, SerialPlatform& platform)
    : m_platform(platform), m_timer(std::move(timer)), m_buffer(new std::uint8_t[m_inBufSize])
{
    m_timer->setHandler([this] { PollPort(); });
}

TCommPortDriver::~TCommPortDriver()
{
    ClosePort();
}

void TCommPortDriver::SetComPort(TComPortNumber port)
{
    if (!m_open)
        m_comPort = port;
}

void TCommPortDriver::SetComPortSpeed(TComPortBaudRate speed)
{
    m_speed = speed;
    ApplyLineSettings();
}

void TCommPortDriver::SetComPortDataBits(TComPortDataBits bits)
{
    m_dataBits = bits;
    ApplyLineSettings();
}

void TCommPortDriver::SetComPortStopBits(TComPortStopBits bits)
{
    m_stopBits = bits;
    ApplyLineSettings();
}

void TCommPortDriver::SetComPortParity(TComPortParity parity)
{
    m_parity = parity;
    ApplyLineSettings();
}

void TCommPortDriver::SetComPortHwHandshaking(TComPortHwHandshaking handshaking)
{
    m_hwHandshaking = handshaking;
    ApplyLineSettings();
}

void TCommPortDriver::SetComPortSwHandshaking(TComPortSwHandshaking handshaking)
{
    m_swHandshaking = handshaking;
    ApplyLineSettings();
}

void TCommPortDriver::SetComPortInBufSize(std::uint16_t size)
{
    if (m_open || size == 0)
        return;
    m_buffer.reset();
    m_inBufSize = size;
    m_buffer.reset(new std::uint8_t[size]);
}

void TCommPortDriver::SetComPortOutBufSize(std::uint16_t size)
{
    m_outBufSize = size;
}

void TCommPortDriver::SetComPortPollingDelay(std::uint16_t delayMs)
{
    if (delayMs == 0 || delayMs == m_pollingDelay)
        return;
    if (!m_open) {
        m_pollingDelay = delayMs;
        return;
    }
    m_timer->stop();
    m_pollingDelay = delayMs;
    m_timer->start(m_pollingDelay);
}

void TCommPortDriver::SetEnableDTROnOpen(bool enable)
{
    m_enableDtrOnOpen = enable;
}

void TCommPortDriver::SetOutputTimeout(std::uint16_t timeoutMs)
{
    m_outputTimeout = timeoutMs;
}

void TCommPortDriver::SetOnReceiveData(TComPortReceiveDataEvent handler)
{
    m_onReceiveData = std::move(handler);
}

LineSettings TCommPortDriver::CurrentLineSettings() const
{
    LineSettings s;
    s.baudRate = baudRateBitsPerSecond(m_speed);
    s.dataBits = static_cast<std::uint8_t>(dataBitsCount(m_dataBits));
    s.stopBits = static_cast<StopBitsCode>(m_stopBits);
    s.parity = static_cast<ParityCode>(m_parity);
    s.dtr = m_enableDtrOnOpen;
    s.rtsCtsHandshake = m_hwHandshaking == TComPortHwHandshaking::hhRTSCTS;
    // RTS is held off unless the handshake drives it.
    s.rts = false;
    s.xonXoffHandshake = m_swHandshaking == TComPortSwHandshaking::shXONXOFF;
    s.xonLimit = static_cast<std::uint16_t>(m_inBufSize / 4);
    s.xoffLimit = 1;
    return s;
}

std::string TCommPortDriver::DevicePath() const
{
    return m_device ? m_device->devicePath() : std::string();
}

bool TCommPortDriver::OpenPort()
{
    if (m_open)
        return true;
    const std::string name = comPortName(m_comPort);
    OpenError error;
    m_device = m_platform.open(name, error);
    if (!m_device) {
        m_lastOpenError = PortOpenError{name, std::move(error)};
        return false;
    }
    m_lastOpenError = PortOpenError{};
    m_open = true;
    m_openedName = name;
    ApplyLineSettings();
    m_timer->start(m_pollingDelay);
    return true;
}

void TCommPortDriver::ClosePort()
{
    if (!m_open)
        return;
    m_timer->stop();
    m_device.reset();
    m_open = false;
    m_lostDevice.clear();
    m_otherIdentity.clear();
}

void TCommPortDriver::ApplyLineSettings()
{
    if (!m_device)
        return;
    m_lastSettingFailures = m_device->applyLineSettings(CurrentLineSettings());
    PurgePort(true, true);
    m_device->setQueueSizes(m_inBufSize, m_outBufSize);
}

void TCommPortDriver::PurgePort(bool input, bool output)
{
    if (!m_device || (!input && !output))
        return;
    m_device->purge(input, output);
}

void TCommPortDriver::PollPort()
{
    if (!m_open)
        return;
    if (!m_device) {
        tryReconnect();
        return;
    }
    const ReadResult result = m_device->read(m_buffer.get(), m_inBufSize);
    if (result.status == ReadStatus::Gone) {
        deviceLost(result);
        return;
    }
    if (result.status != ReadStatus::Ok || result.count == 0 || !m_onReceiveData)
        return;
    m_onReceiveData(this, m_buffer.get(), static_cast<std::int32_t>(result.count));
}

void TCommPortDriver::deviceLost(const ReadResult& result)
{
    m_lostDevice = m_device->devicePath();
    m_lostIdentity = m_device->identity();
    // Closing lets the system free the device, so that a replugged adapter can
    // come back under its old name.
    m_device.reset();
    m_otherIdentity.clear();
    m_msSinceReconnectTry = 0;
    std::string text = m_openedName + " (" + m_lostDevice + "): the device has gone away";
    if (result.errorCode != 0)
        text += " (" + std::string(std::strerror(result.errorCode)) + ")";
    text += "; reconnecting every " + std::to_string((m_reconnectIntervalMs + 999) / 1000) +
            " s. Readings resume when it is back.";
    report(PortStatusKind::DeviceLost, result.errorCode, std::move(text), m_lostDevice);
}

void TCommPortDriver::tryReconnect()
{
    m_msSinceReconnectTry += m_pollingDelay;
    if (m_msSinceReconnectTry < m_reconnectIntervalMs)
        return;
    m_msSinceReconnectTry = 0;
    OpenError error;
    std::unique_ptr<SerialDevice> device = m_platform.reopen(m_openedName, m_lostIdentity, error);
    if (!device) {
        // Still away (the lost notice stands), or another device answers to the
        // name: it was left unopened; say so once, then wait for ours.
        if (!error.identity.empty() && error.identity != m_lostIdentity && error.identity != m_otherIdentity) {
            m_otherIdentity = error.identity;
            report(PortStatusKind::OtherDevice, 0,
                   m_openedName + " now leads to " + error.device +
                       ", another device than the one that went away; it is left unopened. Waiting for " +
                       m_lostDevice + ".",
                   error.device);
        }
        return;
    }
    m_device = std::move(device);
    ApplyLineSettings();
    const std::string text = m_openedName + " (" + m_device->devicePath() + "): the device is back; reading again.";
    m_lostDevice.clear();
    m_otherIdentity.clear();
    report(PortStatusKind::DeviceBack, 0, text, DevicePath());
}

void TCommPortDriver::report(PortStatusKind kind, int errorCode, std::string message, std::string device)
{
    if (!m_onStatus)
        return;
    PortStatus status;
    status.kind = kind;
    status.portName = m_openedName;
    status.device = std::move(device);
    status.errorCode = errorCode;
    status.message = std::move(message);
    m_onStatus(this, status);
}

}  // namespace tavolo
