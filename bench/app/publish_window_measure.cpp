// The GUI thread's cost of publishing in the window, and what stopping the
// feed adds to quitting. The window is built as main() builds it (offscreen),
// with the publish link on; frames go into its session in batches of 1000,
// alternately with publishing on and off, and the median difference per
// reading is the cost the feed adds (FeedObserver's hand-over). Then the time
// PublishLink::stop() takes, which main() spends after the window is hidden.
// Usage: publish_window_measure [mqtt://127.0.0.1:PORT]
//   without a URL the broker is down (a loopback port nothing listens on):
//   readings pile up in the feed's queue and the oldest are dropped.
#include <QApplication>
#include <QDir>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/dialog_services.h"
#include "app/publish/publish_link.h"
#include "app/publish/publish_window.h"
#include "app/tfcomm.h"
#include "decode/frame_layout.h"
#include "feed/mqtt_publisher.h"
#include "record/meter_session.h"

namespace {

int unusedLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t n = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n);
    ::close(fd);
    return ntohs(a.sin_port);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool brokerUp = argc > 1;
    const QString url =
        brokerUp ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("mqtt://127.0.0.1:%1").arg(unusedLoopbackPort());

    TFCOMM window;
    const QString scratch = QDir::tempPath() + QStringLiteral("/publish_window_measure");
    tavolo::PublishLink link(
        window.session(), tavolo::PublishSettingsStore(scratch + "/settings.ini", scratch + "/password"),
        [](const QString&) {}, [&window] { return tavolo::windowStatusInfo(window); }, &window);
    tavolo::attachPublishLink(window, link);
    tavolo::PublishSettings settings;
    settings.enabled = true;
    settings.url = url;
    settings.prefix = QStringLiteral("measure");
    settings.qos = 1;

    std::vector<std::uint8_t> frame{tavolo::frame::kLineFeed};
    for (char c : std::string("100123B000A0"))
        frame.push_back(tavolo::frame::payloadByte(tavolo::frame::hexDigitValue(c)));
    frame.push_back(tavolo::frame::kEndByte);

    constexpr int kBatch = 1000;
    const auto batchNs = [&] {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kBatch; ++i)
            window.session().VexaDATA(frame.data(), frame.size());
        const auto ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
        QCoreApplication::processEvents();
        return ns / kBatch;
    };
    link.apply(settings);
    for (int i = 0; i < 5; ++i)
        batchNs();  // warm up

    std::vector<double> on, off, diff;
    for (int i = 0; i < 40; ++i) {
        link.apply(settings);
        const double withFeed = batchNs();
        link.stop();
        const double without = batchNs();
        on.push_back(withFeed);
        off.push_back(without);
        diff.push_back(withFeed - without);
    }
    std::printf("broker %s, %d readings per batch, 40 batches each:\n", brokerUp ? "up" : "down", kBatch);
    std::printf("  GUI thread per reading, publishing on:  %.2f us (median)\n", median(on) / 1000);
    std::printf("  GUI thread per reading, publishing off: %.2f us (median)\n", median(off) / 1000);
    std::printf("  added by publishing:                    %.2f us (median of pairs)\n", median(diff) / 1000);

    std::vector<double> stops;
    for (int i = 0; i < 10; ++i) {
        link.apply(settings);
        batchNs();
        // Let the feed reach its state (connected, or retrying).
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
        while (std::chrono::steady_clock::now() < until)
            QCoreApplication::processEvents();
        const auto start = std::chrono::steady_clock::now();
        link.stop();
        stops.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::printf("  PublishLink::stop() at quit: %.2f ms median, %.2f ms max (10 runs)\n", median(stops),
                *std::max_element(stops.begin(), stops.end()));
    return 0;
}
