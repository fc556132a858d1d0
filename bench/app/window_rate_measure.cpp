// Feeds the main window frames at the wire's full rate (19200 bit/s: about 137
// frames per second) through a pseudo-terminal registered as COM1, for 60 s by
// default, and measures what the user would notice:
//   - the GUI thread's CPU time (everything the program does runs there),
//   - the delay from writing a frame's CR byte to the LCD panel painting it.
// Usage: window_rate_measure [seconds] [frames-per-second]
// Runs offscreen unless QT_QPA_PLATFORM says otherwise.
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/lcd_panel_widget.h"
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
#include "pty_line.h"

namespace {

using Clock = std::chrono::steady_clock;

double threadCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double processCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The five digits of frame n: every frame in a run is different.
std::string digitsOf(unsigned n)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%05u", n % 100000);
    return buf;
}

// Send times by frame number, written by the feeder thread, read by the GUI thread.
struct SendLog {
    std::mutex mutex;
    std::vector<Clock::time_point> sent;
};

// Records, at each paint of the panel, the delay since the shown frame's CR byte.
class PaintProbe : public QObject {
public:
    PaintProbe(tavolo::LcdPanelWidget& panel, SendLog& log) : m_panel(panel), m_log(log) {}

    std::vector<double> delaysMs;
    unsigned paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &m_panel && event->type() == QEvent::Paint) {
            ++paints;
            const auto now = Clock::now();
            std::string digits;
            for (const std::string& d : m_panel.state().digitCaptions)
                digits += d;
            if (digits.size() == 5 && digits != m_lastDigits) {
                m_lastDigits = digits;
                const unsigned n = static_cast<unsigned>(std::strtoul(digits.c_str(), nullptr, 10));
                std::lock_guard lock(m_log.mutex);
                // The newest frame sent with these digits (numbers wrap at 100000).
                for (std::size_t i = m_log.sent.size(); i-- > 0;) {
                    if (i % 100000 == n) {
                        delaysMs.push_back(std::chrono::duration<double, std::milli>(now - m_log.sent[i]).count());
                        break;
                    }
                }
            }
        }
        return false;
    }

private:
    tavolo::LcdPanelWidget& m_panel;
    SendLog& m_log;
    std::string m_lastDigits;
};

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * double(v.size())))];
}

}  // namespace

int main(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    const double rate = argc > 2 ? std::atof(argv[2]) : 19200.0 / 10.0 / 14.0;

    QTemporaryDir ports;
    qputenv("TAVOLO_PORT_DIR", QFile::encodeName(ports.path()));
    std::string error;
    auto pty = tavolo::sim::PtyLine::open(error);
    if (!pty) {
        std::fprintf(stderr, "no pseudo-terminal: %s\n", error.c_str());
        return 1;
    }
    auto link = tavolo::sim::PortLink::create(ports.path().toStdString(), "COM1", pty->slavePath(), error);
    if (!link) {
        std::fprintf(stderr, "no COM1 link: %s\n", error.c_str());
        return 1;
    }

    TFCOMM window;
    window.services().setMessageHook([](const QString& text) { std::fprintf(stderr, "message: %s\n", qPrintable(text)); });
    window.show();
    window.connectionBar().COMCon->click();

    SendLog log;
    PaintProbe probe(*window.lcdPanel().Panel1, log);
    window.lcdPanel().Panel1->installEventFilter(&probe);

    // The feeder: one frame every 1/rate s, as the meter's line delivers them.
    std::atomic<bool> stop{false};
    std::thread feeder([&] {
        const std::uint8_t lf = tavolo::sim::kLf;
        pty->write(&lf, 1);
        const auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / rate));
        auto next = Clock::now();
        for (unsigned n = 0; !stop.load(); ++n) {
            tavolo::sim::MeterFrame f;
            f.range = tavolo::frame::range::volts::k22V;
            f.function = tavolo::frame::function::kVolts;
            f.options = tavolo::frame::option3::kDc | tavolo::frame::option3::kAuto;
            f.digits = digitsOf(n);
            const auto bytes = tavolo::sim::encodeFrame(f);
            std::this_thread::sleep_until(next);
            next += period;
            {
                std::lock_guard lock(log.mutex);
                log.sent.push_back(Clock::now());  // the CR goes with this write
            }
            pty->write(bytes.data(), bytes.size());
        }
    });

    const double cpu0 = threadCpuSeconds();
    const double proc0 = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    // The Exit path ends without the quit question.
    QTimer::singleShot(seconds * 1000, &window.connectionBar(), &tavolo::ConnectionBar::BtExit1Click);
    QApplication::exec();
    const double elapsed = double(wall.elapsed()) / 1000.0;
    const double cpu = threadCpuSeconds() - cpu0;
    const double proc = processCpuSeconds() - proc0;
    stop = true;
    feeder.join();

    std::size_t sent = 0;
    {
        std::lock_guard lock(log.mutex);
        sent = log.sent.size();
    }
    const auto& d = probe.delaysMs;
    double mean = 0;
    for (double x : d)
        mean += x;
    mean = d.empty() ? 0 : mean / double(d.size());
    std::printf("window_rate_measure: %.1f s at %.1f frames/s\n", elapsed, rate);
    std::printf("  frames sent %zu, decoded %llu, conversion errors %d\n", sent,
                static_cast<unsigned long long>(window.decoder().framesAccepted()), window.conversionErrorCount());
    std::printf("  panel paints %u (%.1f per second)\n", probe.paints, probe.paints / elapsed);
    std::printf("  GUI thread CPU %.2f s = %.1f%% of one core (process incl. feeder: %.1f%%)\n", cpu,
                100.0 * cpu / elapsed, 100.0 * proc / elapsed);
    std::printf("  CR byte to panel painted: mean %.1f ms, median %.1f ms, p95 %.1f ms, max %.1f ms (%zu frames shown)\n",
                mean, percentile(d, 0.5), percentile(d, 0.95), percentile(d, 1.0), d.size());
    return 0;
}
