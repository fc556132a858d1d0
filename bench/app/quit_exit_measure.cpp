// How long the program takes to end once "QUIT" is answered Yes while the USB
// bridge is attached and being read. The window is built as main() builds it,
// on the simulated HID system (this machine has no USB bus), with a bridge
// sending frames; the simulated reads wait in the same cancellable wait as the
// hidraw backend's. Each run is a child process: it prints a CLOCK_MONOTONIC
// stamp at the moment of the Yes, and the parent takes the time from that stamp
// until waitpid() sees the child gone.
// Usage: quit_exit_measure [runs] [poll-interval-ms]
// Runs offscreen unless QT_QPA_PLATFORM says otherwise.
#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/chart_panel_view.h"
#include "app/connection_bar.h"
#include "app/dialog_services.h"
#include "app/lcd_panel_view.h"
#include "app/limit_panel_view.h"
#include "app/recording_bar.h"
#include "app/usb_state_panel.h"
#include "app/tfcomm.h"
#include "decode/meter_decoder.h"
#include "frame_encoder.h"
#include "hid/hid_device_controller.h"
#include "hid/sim/sim_hid_platform.h"

namespace {

long long monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// One program run: connect USB, let frames arrive, answer QUIT with Yes.
int runChild(int argc, char* argv[], int pollMs)
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QString());
    QCoreApplication::setApplicationName(QStringLiteral("tavolo-interface"));

    auto hid = std::make_shared<tavolo::SimHidPlatform>();
    const std::string bridge = hid->addDevice(tavolo::SimHidPlatform::bridgeSpec());
    TFCOMM window(hid);
    QWidget TForm1;
    TForm1.setObjectName(QStringLiteral("Form1"));
    if (pollMs > 0)
        window.usbPanel().controller()->SetDevThreadSleepTime(pollMs);
    window.adjustSize();
    if (const QScreen* screen = window.screen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();

    // The bridge at a meter's pace: a frame every 100 ms.
    std::mutex feederMutex;
    std::condition_variable feederStop;
    bool feeding = true;
    std::thread feeder([&] {
        tavolo::sim::MeterFrame frame;
        frame.range = 1;
        frame.digits = "01234";
        frame.function = 11;
        frame.options = 10;
        const auto bytes = tavolo::sim::encodeFrame(frame);
        std::unique_lock lock(feederMutex);
        while (feeding) {
            for (auto& report : tavolo::SimHidPlatform::bridgeReports(bytes))
                hid->queueReport(bridge, std::move(report));
            feederStop.wait_for(lock, std::chrono::milliseconds(100), [&] { return !feeding; });
        }
    });

    bool ready = false;
    window.services().setQuestionHook([&](const QString&) {
        ready = window.connectionBar().USBCon->isChecked() && window.decoder().framesAccepted() > 0;
        std::printf("yes %lld\n", monotonicNs());
        std::fflush(stdout);
        return true;
    });
    QTimer::singleShot(200, &window, [&window] { window.connectionBar().USBCon->click(); });
    QTimer::singleShot(1500, &window, [&window] { window.connectionBar().BitBtn1->click(); });
    const int result = QApplication::exec();
    {
        std::lock_guard lock(feederMutex);
        feeding = false;
    }
    feederStop.notify_all();
    feeder.join();
    return ready ? result : 2;
}

struct Run {
    double ms = 0;
    bool ok = false;
};

Run measureOnce(const char* self, int pollMs)
{
    int out[2];
    if (::pipe(out) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        const std::string poll = std::to_string(pollMs);
        ::execl(self, self, "--child", poll.c_str(), static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    ::close(out[1]);
    FILE* lines = ::fdopen(out[0], "r");
    char line[64] = {};
    long long yesAt = 0;
    while (std::fgets(line, sizeof line, lines))
        if (std::sscanf(line, "yes %lld", &yesAt) == 1)
            break;
    int status = 0;
    ::waitpid(child, &status, 0);
    const long long goneAt = monotonicNs();
    std::fclose(lines);
    Run run;
    run.ok = yesAt != 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.ms = static_cast<double>(goneAt - yesAt) / 1e6;
    return run;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0)
        return runChild(argc, argv, std::atoi(argv[2]));

    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const int pollMs = argc > 2 ? std::atoi(argv[2]) : 0;
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const Run run = measureOnce("/proc/self/exe", pollMs);
        if (!run.ok) {
            std::fprintf(stderr, "run %d failed: the bridge was not read, or the program did not end cleanly\n", i + 1);
            return 1;
        }
        times.push_back(run.ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("QUIT answered Yes to process gone, bridge attached and read, poll interval %d ms, %d runs:\n",
                pollMs > 0 ? pollMs : 100, runs);
    std::printf("  median %.1f ms, fastest %.1f ms, slowest %.1f ms\n", times[times.size() / 2], times.front(),
                times.back());
    return 0;
}
