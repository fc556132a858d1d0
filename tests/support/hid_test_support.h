#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "hid/hid_device_controller.h"
#include "hid/hid_hand_over.h"
#include "hid/sim/sim_hid_platform.h"

namespace tavolo::test {

using namespace std::chrono_literals;

// A simulated HID system, a manual GUI pump and helpers to wait on the reader
// threads without timing assumptions (the deadlines only stop a hung test).
class SimHidTest : public ::testing::Test {
protected:
    std::shared_ptr<SimHidPlatform> sim = std::make_shared<SimHidPlatform>();
    ManualHidDispatcher gui;

    static SimHidPlatform::DeviceSpec plainDevice(std::uint16_t vendor, std::uint16_t product,
                                                  std::u16string name = u"")
    {
        SimHidPlatform::DeviceSpec setup;
        setup.attributes = {vendor, product, 0x0100};
        if (!name.empty())
            setup.product = std::move(name);
        return setup;
    }

    // Waits, without serving it, until a reader has parked a hand-over (its
    // service call is queued); false after 5 s.
    bool waitUntilParked() { return gui.waitForTask(5s); }

    // Pumps the GUI side until `done` holds; false after 5 s.
    template <class Predicate>
    bool pumpUntil(Predicate done)
    {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            gui.waitAndPump(5ms);
        }
        return true;
    }
};

// One report as the reader hands it over.
struct SeenReport {
    std::uint8_t id = 0;
    std::vector<std::uint8_t> data;
    friend bool operator==(const SeenReport&, const SeenReport&) = default;
};

}  // namespace tavolo::test
