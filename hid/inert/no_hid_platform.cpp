// Built without a HID library: the controller stays inert.

#include "hid/hid_platform.h"

namespace tavolo {

std::shared_ptr<HidPlatform> createSystemHidPlatform()
{
    return nullptr;
}

}  // namespace tavolo
