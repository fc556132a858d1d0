#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <thread>
#include <utility>

#include "byte_source.h"
#include "serial/comm_port_driver.h"
#include "serial/connection_control.h"
#include "serial/port_names.h"

namespace tavolo::cli {
namespace {

// Opens whatever the user named (a device path, COM7, ...) whichever COM name
// the driver asks for, so every name goes through the same driver.
class NamedPortPlatform final : public SerialPlatform {
public:
    NamedPortPlatform(SerialPlatform& inner, std::string name) : m_inner(inner), m_name(std::move(name)) {}
    std::unique_ptr<SerialDevice> open(const std::string&, OpenError& error) override
    {
        return m_inner.open(m_name, error);
    }
    std::unique_ptr<SerialDevice> reopen(const std::string&, const std::string& identity, OpenError& error) override
    {
        return m_inner.reopen(m_name, identity, error);
    }

private:
    SerialPlatform& m_inner;
    std::string m_name;
};

// The meter's serial line through TCommPortDriver, polled every 50 ms by the
// caller's read loop instead of an event loop's timer.
class PortSource final : public ByteSource {
public:
    explicit PortSource(std::string port)
        : m_port(std::move(port)), m_platform(systemSerialPlatform(), m_port),
          m_driver(std::make_unique<ManualPollTimer>(), m_platform),
          m_timer(static_cast<ManualPollTimer&>(m_driver.Timer()))
    {
        m_driver.SetComPortSpeed(TComPortBaudRate::br19200);
        m_driver.SetComPortDataBits(TComPortDataBits::db7BITS);
        m_driver.SetComPortParity(TComPortParity::ptODD);
        m_driver.SetOnReceiveData([this](TCommPortDriver*, const std::uint8_t* data, std::int32_t size) {
            m_pending.insert(m_pending.end(), data, data + size);
        });
        m_driver.SetOnStatus([this](TCommPortDriver*, const PortStatus& status) {
            switch (status.kind) {
            case PortStatusKind::DeviceLost:
                std::fprintf(stderr, "tavolo-cli: %s (%s): the device has gone away%s%s; reconnecting every %u s\n",
                             m_port.c_str(), status.device.c_str(), status.errorCode ? ": " : "",
                             status.errorCode ? std::strerror(status.errorCode) : "",
                             (m_driver.ReconnectInterval() + 999) / 1000);
                break;
            case PortStatusKind::OtherDevice:
                std::fprintf(stderr,
                             "tavolo-cli: %s now leads to %s, another device than the one that went away; "
                             "not opening it, still waiting\n",
                             m_port.c_str(), status.device.c_str());
                break;
            case PortStatusKind::DeviceBack:
                std::fprintf(stderr, "tavolo-cli: %s (%s): the device is back; logging again\n", m_port.c_str(),
                             status.device.c_str());
                m_gap = true;
                break;
            }
        });
    }

    bool open(std::string& error)
    {
        if (!m_driver.OpenPort()) {
            PortOpenError failure = m_driver.LastOpenError();
            failure.portName = m_port;
            error = openFailureText(failure);
            return false;
        }
        std::fprintf(stderr, "tavolo-cli: reading %s (%s) at 19200 bit/s, 7 data bits, odd parity\n", m_port.c_str(),
                     m_driver.DevicePath().c_str());
        m_nextTick = std::chrono::steady_clock::now();
        return true;
    }

    std::optional<std::size_t> read(std::uint8_t* buffer, std::size_t capacity) override
    {
        if (m_pending.empty()) {
            m_nextTick += std::chrono::milliseconds(m_driver.ComPortPollingDelay());
            const auto now = std::chrono::steady_clock::now();
            if (m_nextTick > now)
                std::this_thread::sleep_until(m_nextTick);
            else
                m_nextTick = now;  // fell behind: no burst of catch-up ticks
            m_timer.tick();
        }
        const std::size_t n = std::min(capacity, m_pending.size());
        std::copy_n(m_pending.begin(), n, buffer);
        m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(n));
        return n;
    }

    bool takeGap() override { return std::exchange(m_gap, false); }

private:
    std::string m_port;
    NamedPortPlatform m_platform;
    TCommPortDriver m_driver;
    ManualPollTimer& m_timer;
    std::deque<std::uint8_t> m_pending;  // received but not yet taken by read()
    std::chrono::steady_clock::time_point m_nextTick;
    bool m_gap = false;
};

}  // namespace

std::unique_ptr<ByteSource> openPortSource(const std::string& port, std::string& error)
{
    // COM names in any letter case, as the program's own selector writes them.
    std::string name = port;
    if (const std::optional<int> n = parseComPortName(port))
        name = "COM" + std::to_string(*n);
    auto source = std::make_unique<PortSource>(name);
    if (!source->open(error))
        return nullptr;
    return source;
}

}  // namespace tavolo::cli
