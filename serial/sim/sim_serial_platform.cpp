#include "serial/sim/sim_serial_platform.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tavolo {

void SimPort::inject(const std::vector<std::uint8_t>& bytes)
{
    m_input.insert(m_input.end(), bytes.begin(), bytes.end());
}

void SimPort::inject(const std::string& bytes)
{
    for (char c : bytes)
        m_input.push_back(static_cast<std::uint8_t>(c));
}

void SimPort::unplug(int errorCode)
{
    m_present = false;
    if (m_open) {
        m_gone = true;
        m_goneError = errorCode;
    }
    m_input.clear();
}

void SimPort::failOpens(int errorCode, std::string message)
{
    m_openError = errorCode;
    m_openMessage = std::move(message);
}

class SimSerialDevice final : public SerialDevice {
public:
    explicit SimSerialDevice(SimPort& port) : m_port(port) {}
    ~SimSerialDevice() override
    {
        m_port.m_open = false;
        m_port.m_gone = false;
        m_port.m_requests.push_back("close");
    }
    SimSerialDevice(const SimSerialDevice&) = delete;
    SimSerialDevice& operator=(const SimSerialDevice&) = delete;

    std::vector<SettingFailure> applyLineSettings(const LineSettings& settings) override
    {
        m_port.m_requests.push_back("settings");
        m_port.m_settings.push_back(settings);
        return m_port.m_refused;
    }

    bool purge(bool input, bool output) override
    {
        m_port.m_requests.push_back(std::string("purge") + (input ? " in" : "") + (output ? " out" : ""));
        if (input)
            m_port.m_input.clear();
        return true;
    }

    bool setQueueSizes(std::size_t input, std::size_t output) override
    {
        m_port.m_requests.push_back("queues " + std::to_string(input) + " " + std::to_string(output));
        return true;
    }

    ReadResult read(std::uint8_t* buffer, std::size_t capacity) override
    {
        ++m_port.m_readCount;
        if (m_port.m_gone)
            return ReadResult{0, ReadStatus::Gone, m_port.m_goneError};
        if (m_port.m_failNextRead != 0) {
            const int code = m_port.m_failNextRead;
            m_port.m_failNextRead = 0;
            return ReadResult{0, ReadStatus::Failed, code};
        }
        std::size_t n = std::min(capacity, m_port.m_input.size());
        if (m_port.m_maxReadSize != 0)
            n = std::min(n, m_port.m_maxReadSize);
        std::copy_n(m_port.m_input.begin(), n, buffer);
        m_port.m_input.erase(m_port.m_input.begin(), m_port.m_input.begin() + static_cast<std::ptrdiff_t>(n));
        return ReadResult{n, ReadStatus::Ok, 0};
    }

    const std::string& devicePath() const override { return m_port.m_devicePath; }

private:
    SimPort& m_port;
};

SimPort& SimSerialPlatform::addPort(const std::string& name)
{
    auto& slot = m_ports[name];
    slot = std::make_unique<SimPort>("sim:" + name);
    return *slot;
}

SimPort* SimSerialPlatform::port(const std::string& name)
{
    const auto it = m_ports.find(name);
    return it == m_ports.end() ? nullptr : it->second.get();
}

std::unique_ptr<SerialDevice> SimSerialPlatform::open(const std::string& name, OpenError& error)
{
    return openPort(name, nullptr, error);
}

std::unique_ptr<SerialDevice> SimSerialPlatform::reopen(const std::string& name, const std::string& identity,
                                                        OpenError& error)
{
    return openPort(name, &identity, error);
}

std::unique_ptr<SerialDevice> SimSerialPlatform::openPort(const std::string& name, const std::string* onlyIdentity,
                                                          OpenError& error)
{
    m_openedNames.push_back(name);
    error = OpenError{};
    SimPort* p = port(name);
    if (!p || !p->m_present) {
        error.code = ENOENT;
        error.message = std::strerror(ENOENT);
        return nullptr;
    }
    error.device = p->m_devicePath;
    error.identity = p->m_devicePath;
    if (onlyIdentity && *onlyIdentity != error.identity) {
        error.message = "another device";
        return nullptr;
    }
    if (p->m_openError != 0) {
        error.code = p->m_openError;
        error.message = p->m_openMessage.empty() ? std::strerror(p->m_openError) : p->m_openMessage;
        return nullptr;
    }
    if (p->m_open) {
        error.code = EBUSY;
        error.message = "in use";
        return nullptr;
    }
    p->m_open = true;
    ++p->m_openCount;
    p->m_requests.push_back("open");
    return std::make_unique<SimSerialDevice>(*p);
}

}  // namespace tavolo
