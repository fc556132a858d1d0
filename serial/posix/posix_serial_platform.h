#pragma once

#include "serial/port_names.h"
#include "serial/serial_device.h"

namespace tavolo {

// Serial devices through termios (terminal_settings.h), non-blocking reads,
// DTR/RTS by the modem ioctls. Port names resolve by the rule of port_names.h,
// again at every open, so an adapter that returns under a new name is found
// through a by-id link; who a device is comes from device_identity.h.
class PosixSerialPlatform final : public SerialPlatform {
public:
    explicit PosixSerialPlatform(PortNameRoots roots) : m_roots(std::move(roots)) {}

    std::unique_ptr<SerialDevice> open(const std::string& name, OpenError& error) override;
    std::unique_ptr<SerialDevice> reopen(const std::string& name, const std::string& identity,
                                         OpenError& error) override;

    const PortNameRoots& roots() const { return m_roots; }

private:
    // Opens what `name` leads to; with `onlyIdentity`, only when it is that device.
    std::unique_ptr<SerialDevice> openNamed(const std::string& name, const std::string* onlyIdentity,
                                            OpenError& error);

    PortNameRoots m_roots;
};

}  // namespace tavolo
