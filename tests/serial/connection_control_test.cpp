#include "serial/connection_control.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "serial/sim/sim_serial_platform.h"

namespace tavolo {
namespace {

using C = ConnControl;

class ConnectionTest : public ::testing::Test {
protected:
    ConnectionTest()
        : driver(std::make_unique<ManualPollTimer>(), platform), control(driver)
    {
        for (const char* name : {"COM1", "COM2", "COM3", "COM4"})
            platform.addPort(name);
        control.setOnChanged([this] { ++changes; });
        control.setOnNotice([this](const ConnectionNotice& n) { notices.push_back(n); });
    }

    const ControlState& at(C c) const { return control.control(c); }

    // The one selector panel shown, 0 when none is.
    int shownPanel() const
    {
        int shown = 0;
        for (int n = 1; n <= 4; ++n) {
            if (at(static_cast<C>(static_cast<int>(C::BtCOM1) + n - 1)).visible) {
                EXPECT_EQ(shown, 0) << "two panels shown";
                shown = n;
            }
        }
        return shown;
    }

    int checkedItem() const
    {
        int checked = 0;
        for (int n = 1; n <= 4; ++n) {
            if (at(static_cast<C>(static_cast<int>(C::COM11) + n - 1)).checked) {
                EXPECT_EQ(checked, 0) << "two items checked";
                checked = n;
            }
        }
        return checked;
    }

    // The state of the Idle row (selected port `port`).
    void expectIdle(int port)
    {
        EXPECT_EQ(control.mode(), ConnectionMode::Idle);
        EXPECT_EQ(at(C::COMCon), (ControlState{true, true, false}));
        EXPECT_TRUE(at(C::USBCon).visible);
        EXPECT_EQ(shownPanel(), port);
        EXPECT_EQ(checkedItem(), port);
        for (C p : {C::BtCOM1, C::BtCOM2, C::BtCOM3, C::BtCOM4})
            EXPECT_TRUE(at(p).enabled) << connControlName(p);
        EXPECT_TRUE(at(C::ComSetup1).enabled);
        EXPECT_TRUE(at(C::START1).enabled);
        EXPECT_FALSE(at(C::START1).checked);
        EXPECT_FALSE(at(C::STOP1).enabled);
        EXPECT_TRUE(at(C::BTCon).visible);
        EXPECT_FALSE(at(C::BtDiscon).visible);
        EXPECT_FALSE(driver.IsPortOpen());
    }

    void expectSerial(int port)
    {
        EXPECT_EQ(control.mode(), ConnectionMode::Serial);
        EXPECT_EQ(at(C::COMCon), (ControlState{true, true, true}));
        EXPECT_FALSE(at(C::USBCon).visible);
        EXPECT_EQ(shownPanel(), port);  // still shown, as it was
        for (C p : {C::BtCOM1, C::BtCOM2, C::BtCOM3, C::BtCOM4})
            EXPECT_FALSE(at(p).enabled) << connControlName(p);
        EXPECT_FALSE(at(C::ComSetup1).enabled);
        EXPECT_EQ(at(C::START1), (ControlState{true, false, true}));
        EXPECT_EQ(at(C::STOP1), (ControlState{true, true, false}));
        EXPECT_FALSE(at(C::BTCon).visible);
        EXPECT_TRUE(at(C::BtDiscon).visible);
        EXPECT_TRUE(driver.IsPortOpen());
        EXPECT_EQ(driver.ComPort(), static_cast<TComPortNumber>(port - 1));
    }

    SimSerialPlatform platform;
    TCommPortDriver driver;
    ConnectionControl control;
    int changes = 0;
    std::vector<ConnectionNotice> notices;
};

TEST_F(ConnectionTest, StartsIdleOnCom1WithHiddenMenus)
{
    expectIdle(1);
    EXPECT_EQ(driver.ComPort(), TComPortNumber::pnCOM1);
    EXPECT_FALSE(at(C::ComSetup1).visible);
    EXPECT_FALSE(at(C::Connect1).visible);
    EXPECT_FALSE(at(C::STOP1).checked);
    EXPECT_EQ(connControlName(C::BtDiscon), "BtDiscon");
}

TEST_F(ConnectionTest, SelectorCyclesThroughTheFourPortsByTheCrosswiseWiring)
{
    // Clicking the visible panel BtCOMn runs the handler of port n + 1.
    const auto clickVisiblePanel = [this] {
        switch (shownPanel()) {
        case 1: control.COM21Click(); break;
        case 2: control.COM31Click(); break;
        case 3: control.COM41Click(); break;
        case 4: control.COM11Click(); break;
        default: FAIL() << "no panel shown";
        }
    };
    const int expected[] = {2, 3, 4, 1};
    for (int port : expected) {
        clickVisiblePanel();
        EXPECT_EQ(shownPanel(), port);
        EXPECT_EQ(checkedItem(), port);
        EXPECT_EQ(driver.ComPort(), static_cast<TComPortNumber>(port - 1));
    }
    EXPECT_GE(changes, 4);
}

TEST_F(ConnectionTest, ComButtonConnectsAndDisconnects)
{
    control.COM31Click();
    control.COMConClick(true);
    expectSerial(3);
    EXPECT_EQ(platform.openedNames(), std::vector<std::string>{"COM3"});
    EXPECT_TRUE(notices.empty());

    control.COM11Click();  // disabled while connected: no effect
    EXPECT_EQ(shownPanel(), 3);

    control.COMConClick(false);
    expectIdle(3);
    EXPECT_TRUE(at(C::STOP1).checked);
    EXPECT_FALSE(platform.port("COM3")->isOpen());
}

TEST_F(ConnectionTest, PanelAndMenuPathsConnectAndDisconnectToo)
{
    control.BTCon1Click();  // panel BTCon or menu item START1
    expectSerial(1);
    control.BtDiscon1Click();  // panel BtDiscon or menu item STOP1
    expectIdle(1);

    // Mixed: connect by the button, disconnect by the panel, and back.
    control.COMConClick(true);
    control.BtDiscon1Click();
    expectIdle(1);
    control.BTCon1Click();
    control.COMConClick(false);
    expectIdle(1);
}

TEST_F(ConnectionTest, PortThatCannotOpenStaysIdleAndSaysWhy)
{
    platform.port("COM2")->failOpens(EACCES, "Permission denied. Your user may not use serial ports: add it to "
                                             "the 'dialout' group");
    control.COM21Click();
    control.COMConClick(true);
    expectIdle(2);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].kind, ConnectionNotice::Kind::OpenFailed);
    EXPECT_EQ(notices[0].text, "Cannot open COM2 (sim:COM2): Permission denied. Your user may not use serial "
                               "ports: add it to the 'dialout' group.");

    notices.clear();
    control.BTCon1Click();
    expectIdle(2);
    EXPECT_EQ(notices.size(), 1u);

    platform.port("COM2")->failOpens(0);  // the user fixed it: the next press works
    control.COMConClick(true);
    expectSerial(2);
}

TEST_F(ConnectionTest, UsbModeHidesTheSerialSideAndRestoresTheSelectedPanel)
{
    control.COM41Click();
    control.setUsbConDown(true);
    control.showUsbMode(true);
    EXPECT_EQ(control.mode(), ConnectionMode::Usb);
    EXPECT_FALSE(at(C::COMCon).visible);
    EXPECT_EQ(shownPanel(), 0);

    // Unreachable paths must not open the serial port beside the USB link.
    control.BTCon1Click();
    control.COMConClick(true);
    EXPECT_FALSE(driver.IsPortOpen());
    EXPECT_EQ(control.mode(), ConnectionMode::Usb);
    EXPECT_EQ(shownPanel(), 0);

    control.setUsbConDown(false);  // released by the link itself: COM side still hidden
    EXPECT_EQ(control.mode(), ConnectionMode::Idle);
    EXPECT_FALSE(at(C::COMCon).visible);

    control.showUsbMode(false);
    expectIdle(4);
}

TEST_F(ConnectionTest, SerialHidesTheUsbButtonOnEveryConnectPath)
{
    control.COMConClick(true);
    EXPECT_FALSE(at(C::USBCon).visible);
    control.COMConClick(false);
    control.BTCon1Click();
    EXPECT_FALSE(at(C::USBCon).visible);
    control.BtDiscon1Click();
    EXPECT_TRUE(at(C::USBCon).visible);
}

TEST_F(ConnectionTest, LostAndReturningDeviceBecomeNoticesWhileStayingConnected)
{
    driver.SetReconnectInterval(50);
    control.COMConClick(true);
    platform.port("COM1")->unplug(EIO);
    driver.PollPort();
    expectSerial(1);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].kind, ConnectionNotice::Kind::DeviceLost);
    EXPECT_NE(notices[0].text.find("COM1"), std::string::npos);
    platform.port("COM1")->replaceDevice("sim:other");
    platform.port("COM1")->plug();
    driver.PollPort();
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[1].kind, ConnectionNotice::Kind::OtherDevice);
    expectSerial(1);
    platform.port("COM1")->replaceDevice("sim:COM1");
    driver.PollPort();
    ASSERT_EQ(notices.size(), 3u);
    EXPECT_EQ(notices[2].kind, ConnectionNotice::Kind::DeviceBack);
}

}  // namespace
}  // namespace tavolo
