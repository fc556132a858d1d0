// Device-supplied bytes: a report descriptor (first byte even) or a stream of
// bridge input reports (first byte odd), each report a length byte and its bytes,
// fed to both report handlers.

#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>

#include "hid/hidapi/report_descriptor.h"
#include "hid/sim/sim_hid_platform.h"
#include "hid/usb_bridge_link.h"

namespace {

struct Bench {
    std::shared_ptr<tavolo::SimHidPlatform> sim = std::make_shared<tavolo::SimHidPlatform>();
    tavolo::ManualHidDispatcher gui;
    std::unique_ptr<tavolo::TJvHidDeviceController> controller;
    std::unique_ptr<tavolo::UsbBridgeLink> link;
    std::size_t frames = 0;

    Bench()
    {
        sim->addDevice(tavolo::SimHidPlatform::bridgeSpec());
        controller = std::make_unique<tavolo::TJvHidDeviceController>(sim, &gui);
        link = std::make_unique<tavolo::UsbBridgeLink>(*controller);
        link->onDecodeFrame = [this](std::string_view frame) {
            if (frame.size() != 14 || frame.front() != 'A' || frame.back() != 'D')
                __builtin_trap();
            ++frames;
        };
        link->onMaluFrame = [this](std::string_view frame) { frames += frame.size(); };
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    if ((data[0] & 1) == 0) {
        tavolo::summariseReportDescriptor(std::span<const std::uint8_t>(data + 1, size - 1));
        return 0;
    }
    static Bench bench;
    tavolo::TJvHidDevice& device = *bench.controller->DeviceList()[0];
    const bool malu = (data[0] & 2) != 0;
    std::size_t at = 1;
    while (at < size) {
        const std::size_t declared = data[at];
        ++at;
        const std::size_t length = std::min(declared, size - at);
        const auto count = static_cast<std::uint16_t>(length);
        if (malu)
            bench.link->HidMaluData(device, 0, data + at, count);
        else
            bench.link->HidVexaData(device, 0, data + at, count);
        at += length;
    }
    return 0;
}
