#pragma once

#include "serial/port_names.h"
#include "serial/serial_device.h"

namespace tavolo {

// Serial devices through termios: raw mode, receiver on, modem control lines
// ignored (CLOCAL), non-blocking reads, DTR/RTS by the modem ioctls. Port names
// resolve by the rule of port_names.h, again at every open, so a device that
// returns under a new name (a restarted simulator) is found through its link.
class PosixSerialPlatform final : public SerialPlatform {
public:
    explicit PosixSerialPlatform(PortNameRoots roots) : m_roots(std::move(roots)) {}

    std::unique_ptr<SerialDevice> open(const std::string& name, OpenError& error) override;

    const PortNameRoots& roots() const { return m_roots; }

private:
    PortNameRoots m_roots;
};

}  // namespace tavolo
