#pragma once

#include <cstdint>
#include <stdexcept>

namespace tavolo {

// Raised by the HID device controller and its devices, with a fixed English text.
class EControllerError : public std::runtime_error {
public:
    explicit EControllerError(const char* text, std::uint32_t systemError = 0)
        : std::runtime_error(text), m_systemError(systemError)
    {
    }

    // errno value behind the failure, when there is one (0 otherwise).
    std::uint32_t systemError() const { return m_systemError; }

private:
    std::uint32_t m_systemError;
};

inline constexpr const char* kOnlyOneControllerText = "Only one TJvHidDeviceController allowed per program";
inline constexpr const char* kDeviceCannotBeOpenedText = "device cannot be opened";
inline constexpr const char* kDeviceCannotBeIdentifiedText = "device cannot be identified";

}  // namespace tavolo
