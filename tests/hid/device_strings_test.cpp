// Identity strings: the serial-number rule and the caching of both strings.

#include <optional>
#include <string>
#include <vector>

#include "tests/support/hid_test_support.h"

namespace tavolo::test {
namespace {

using DeviceStringsTest = SimHidTest;

struct SerialCase {
    const char* name;
    std::optional<std::u16string> serial;
    std::vector<char16_t> languageTable;  // the words the table request writes
    std::u16string expected;
};

TEST_F(DeviceStringsTest, SerialNumberRules)
{
    const SerialCase cases[] = {
        {"a real serial number", u"A1B2", {0x0409, 0x0000}, u"A1B2"},
        {"the language table given as serial", std::u16string(1, char16_t{0x0409}), {0x0409, 0x0000}, u""},
        {"two languages, no terminator written, serial starts with them",
         std::u16string{char16_t{0x0409}, char16_t{0x0407}, u'x'},
         {0x0409, 0x0407},
         u""},
        {"table request writes nothing", u"A1B2", {}, u""},
        {"serial request refused", std::nullopt, {0x0409, 0x0000}, u""},
        {"empty serial against a table", u"", {0x0409, 0x0000}, u""},
    };
    for (const SerialCase& c : cases) {
        auto setup = plainDevice(1, 1);
        setup.serial = c.serial;
        setup.languageTable = c.languageTable;
        const std::string path = sim->addDevice(setup);
        TJvHidDeviceController controller(sim, &gui);
        TJvHidDevice* device = nullptr;
        ASSERT_TRUE(controller.ClaimByIndex(0, device)) << c.name;
        EXPECT_EQ(device->GetSerialText(), c.expected) << c.name;
        EXPECT_EQ(sim->openHandles(path), 0) << c.name;
        TJvHidDevice::ReleaseDevice(device);
        sim->removeDevice(path);
    }
}

TEST_F(DeviceStringsTest, EmptyStringsAreAskedForAgainAndFoundOnesNever)
{
    auto named = plainDevice(1, 1, u"Meter");
    named.serial = u"S-1";
    const std::string namedPath = sim->addDevice(named);
    const std::string anonymousPath = sim->addDevice(plainDevice(2, 2));
    TJvHidDeviceController controller(sim, &gui);
    TJvHidDevice* first = nullptr;
    TJvHidDevice* second = nullptr;
    ASSERT_TRUE(controller.ClaimByIndex(0, first));
    ASSERT_TRUE(controller.ClaimByIndex(1, second));
    const int namedBefore = sim->productRequests(namedPath);
    const int anonymousBefore = sim->productRequests(anonymousPath);

    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(first->GetProductText(), u"Meter");
        EXPECT_EQ(first->GetSerialText(), u"S-1");
        EXPECT_EQ(second->GetProductText(), u"");
    }
    EXPECT_EQ(sim->productRequests(namedPath) - namedBefore, 1);
    EXPECT_EQ(sim->serialRequests(namedPath), 1);
    EXPECT_EQ(sim->productRequests(anonymousPath) - anonymousBefore, 3);
    TJvHidDevice::ReleaseDevice(first);
    TJvHidDevice::ReleaseDevice(second);
}

TEST_F(DeviceStringsTest, AnInaccessibleDeviceIsNotAsked)
{
    const std::string path = sim->addDevice(plainDevice(1, 1, u"Meter"));
    TJvHidDeviceController controller(sim, &gui);
    TJvHidDevice* pooled = controller.DeviceList()[0];
    EXPECT_EQ(pooled->GetProductText(), u"");
    EXPECT_EQ(pooled->GetCapabilities().InputReportByteLength, 0);
    EXPECT_EQ(sim->productRequests(path), 0);
}

}  // namespace
}  // namespace tavolo::test
