#include "serial/qt/qt_poll_timer.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include <string>

#include "serial/comm_port_driver.h"
#include "serial/sim/sim_serial_platform.h"

namespace tavolo {
namespace {

// The driver polls from the Qt event loop: bytes that arrive while the loop runs
// are delivered by a tick on this thread, and nothing is read once closed.
TEST(QtPollTimer, DriverPollsFromTheEventLoop)
{
    SimSerialPlatform platform;
    SimPort& com2 = platform.addPort("COM2");
    TCommPortDriver driver(std::make_unique<QtPollTimer>(), platform);
    driver.SetComPortPollingDelay(10);
    std::string received;
    driver.SetOnReceiveData([&](TCommPortDriver*, const std::uint8_t* data, std::int32_t size) {
        received.append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));
        if (received.size() >= 6)
            QCoreApplication::quit();
    });
    ASSERT_TRUE(driver.OpenPort());
    EXPECT_TRUE(driver.Timer().isActive());

    QTimer::singleShot(0, [&] { com2.inject("abc"); });
    QTimer::singleShot(30, [&] { com2.inject("def"); });
    QTimer::singleShot(5000, [] { QCoreApplication::quit(); });  // a safety net, not a measurement
    QCoreApplication::exec();
    EXPECT_EQ(received, "abcdef");

    driver.ClosePort();
    EXPECT_FALSE(driver.Timer().isActive());
    com2.inject("late");
    QTimer::singleShot(50, [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    EXPECT_EQ(received, "abcdef");
}

}  // namespace
}  // namespace tavolo

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
