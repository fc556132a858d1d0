// tavolo-soak-window: the program's window, built and shown exactly as the
// program's main() does (same TFCOMM, same serial driver, same HID system), with
// a harness around it for a long unattended run:
//   - chooses "Repeat" on and the record limit "limitless" through the window's
//     own controls, then presses "COM Connect" (port COM1);
//   - probes the GUI thread every 100 ms with a timer and records how late each
//     tick fires (a blocked event loop shows as a late tick);
//   - samples resident memory, rows and the table's own memory every few seconds;
//   - when the rows stop growing (or reach --expect), saves the table through
//     the window's "Save data files" action (dialog answered by the harness) and
//     ends through the hidden Exit.
// Messages that would be modal boxes are written to standard error instead.
// With everything on, the session store and the live feed are wired as main()
// wires them, and the harness acts as a user would when the cable was pulled
// and plugged in again: the port name then leads to a new terminal, which the
// program leaves alone, so the harness presses "COM Connect" off and on.
//
// usage: tavolo-soak-window --out FILE [--samples FILE] [--expect N] [--idle-exit S]
//                           [--store DIR] [--mqtt URL] [--done-file FILE]
//   --store DIR      session files in DIR (SessionStoreLink, as main() has it)
//   --mqtt URL       publish every reading, QoS 1, under the prefix "soak"
//   --done-file F    end once F exists and the rows have stopped growing for 2 s
// Prints a summary line "key=value ..." on standard output; with --mqtt also
// "feed delivered=... dropped=..." and with --store "session FILE".

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QAction>
#include <QFileInfo>
#include <QLabel>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/chart_panel_view.h"
#include "app/connection_bar.h"
#include "app/dialog_services.h"
#include "app/lcd_panel_view.h"
#include "app/limit_panel_view.h"
#include "app/recording_bar.h"
#include "app/publish/publish_link.h"
#include "app/publish/publish_settings_store.h"
#include "app/publish/publish_window.h"
#include "app/store/session_store_link.h"
#include "app/usb_state_panel.h"
#include "app/tfcomm.h"
#include "feed/mqtt_publisher.h"
#include "serial/comm_port_driver.h"
#include "serial/port_names.h"
#include "record/meter_session.h"

namespace {

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

struct Options {
    QString out;
    QString samples;
    long long expect = 0;
    int idleExitSeconds = 20;
    QString storeDir;
    QString mqttUrl;
    QString doneFile;
};

Options parseOptions(const QStringList& args)
{
    Options o;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--out"))
            o.out = args[i + 1];
        else if (args[i] == QLatin1String("--samples"))
            o.samples = args[i + 1];
        else if (args[i] == QLatin1String("--expect"))
            o.expect = args[i + 1].toLongLong();
        else if (args[i] == QLatin1String("--idle-exit"))
            o.idleExitSeconds = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--store"))
            o.storeDir = args[i + 1];
        else if (args[i] == QLatin1String("--mqtt"))
            o.mqttUrl = args[i + 1];
        else if (args[i] == QLatin1String("--done-file"))
            o.doneFile = args[i + 1];
    }
    return o;
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QString());
    const Options options = parseOptions(QCoreApplication::arguments());
    if (options.out.isEmpty()) {
        std::fputs("usage: tavolo-soak-window --out FILE [--samples FILE] [--expect N] [--idle-exit S]\n", stderr);
        return 2;
    }

    TFCOMM window;
    QWidget TForm1;
    window.adjustSize();
    window.show();

    tavolo::MeterSession& session = window.session();
    window.services().setMessageHook([](const QString& text) { std::fprintf(stderr, "message: %s\n", qPrintable(text)); });
    window.services().setQuestionHook([](const QString& text) {
        std::fprintf(stderr, "question (answered No): %s\n", qPrintable(text));
        return false;
    });
    window.services().setNoticeHook([](tavolo::NoticeKind, const QString& title, const QString& text) {
        std::fprintf(stderr, "notice: %s: %s\n", qPrintable(title), qPrintable(text));
    });
    window.services().setFileDialogHook([&options](const tavolo::FileDialogRequest&) { return options.out; });

    // The session store and the live feed, as main() wires them.
    std::unique_ptr<tavolo::SessionStoreLink> sessionStore;
    if (!options.storeDir.isEmpty()) {
        sessionStore = std::make_unique<tavolo::SessionStoreLink>(
            session, [&window](const QString& text) { window.services().statusNote(text); },
            [&window](const QString& text) { return window.services().askYesNo(text); },
            std::filesystem::path(options.storeDir.toStdString()));
        sessionStore->setRestoredHook([&window] { window.showRestoredSession(); });
        QTimer::singleShot(0, &window, [&sessionStore] { sessionStore->start(); });
    }
    std::unique_ptr<tavolo::PublishLink> publishLink;
    if (!options.mqttUrl.isEmpty()) {
        const QString folder = QFileInfo(options.out).absolutePath();
        publishLink = std::make_unique<tavolo::PublishLink>(
            session,
            tavolo::PublishSettingsStore(folder + QStringLiteral("/publish.ini"),
                                         folder + QStringLiteral("/mqtt-password")),
            [&window](const QString& text) { window.services().statusNote(text); },
            [&window] { return tavolo::windowStatusInfo(window); }, &window);
        tavolo::attachPublishLink(window, *publishLink);
        tavolo::PublishSettings settings;
        settings.enabled = true;
        settings.url = options.mqttUrl;
        settings.prefix = QStringLiteral("soak");
        settings.qos = 1;
        publishLink->apply(settings);
    }
    // Every status note, time-stamped, for the record of the run.
    QString lastNote;

    std::FILE* samples = options.samples.isEmpty() ? nullptr : std::fopen(qPrintable(options.samples), "w");
    if (samples)
        std::fputs("seconds\trss_kib\trows\ttable_bytes\tmax_probe_late_ms\tchart_bytes\n", samples);

    // GUI-thread probe: a 100 ms timer; lateness = how long after its due time it ran.
    constexpr int kProbeMs = 100;
    QElapsedTimer clock;
    clock.start();
    std::vector<int> lateness;
    lateness.reserve(1 << 16);
    qint64 lastProbe = 0;
    int windowMaxLate = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        const int late = static_cast<int>(std::max<qint64>(0, now - lastProbe - kProbeMs));
        lastProbe = now;
        lateness.push_back(late);
        windowMaxLate = std::max(windowMaxLate, late);
    });

    // The user at the window: reads the status line, and when the port name
    // leads to another terminal than the one open (the cable was pulled and
    // plugged in again), presses "COM Connect" off and on.
    int reconnects = 0;
    const QString portLink = QString::fromStdString((tavolo::defaultPortLinkDir() / "COM1").string());
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        const QString note = window.statusLine()->text();
        if (note != lastNote) {
            lastNote = note;
            std::fprintf(stderr, "status: %s\n", qPrintable(note));
        }
        auto& bar = window.connectionBar();
        if (!bar.COMCon->isChecked())
            return;
        const QString target = QFileInfo(portLink).canonicalFilePath();
        if (target.isEmpty())
            return;  // nothing plugged in
        const QString current = QFileInfo(QString::fromStdString(bar.port().DevicePath())).canonicalFilePath();
        if (current == target)
            return;
        ++reconnects;
        std::fprintf(stderr, "user: COM1 leads to %s, the port had %s: connecting again\n", qPrintable(target),
                     current.isEmpty() ? "nothing open" : qPrintable(current));
        bar.COMCon->click();
        bar.COMCon->click();
    });
    user.start(250);

    long rssStart = -1;
    std::size_t rowsAtStart = 0;
    std::size_t lastRows = 0;
    qint64 lastGrowthMs = 0;
    bool finished = false;
    QTimer sampler;
    auto finish = [&] {
        finished = true;
        probe.stop();
        sampler.stop();
        user.stop();
        const long rssEnd = residentKiB();
        const std::size_t rows = session.table().rowCount();
        const std::size_t tableBytes = session.table().memoryUsage();
        const std::size_t chartBytes = session.chart().memoryUsage();
        std::vector<int> sorted = lateness;
        std::sort(sorted.begin(), sorted.end());
        const int p99 = sorted.empty() ? 0 : sorted[sorted.size() * 99 / 100];
        const int maxLate = sorted.empty() ? 0 : sorted.back();
        const qint64 saveStart = clock.elapsed();
        window.recordingBar().saveasClick();
        const qint64 saveMs = clock.elapsed() - saveStart;
        // The user disconnects, lets the feed deliver what it holds and quits.
        if (window.connectionBar().COMCon->isChecked())
            window.connectionBar().COMCon->click();
        if (publishLink && publishLink->publisher()) {
            const auto delivery = publishLink->publisher()->waitDelivered(std::chrono::seconds(60));
            const tavolo::feed::FeedStatus feed = publishLink->publisher()->status();
            std::printf("feed delivered=%llu dropped=%llu waiting=%llu all_delivered=%d\n",
                        static_cast<unsigned long long>(feed.delivered), static_cast<unsigned long long>(feed.dropped),
                        static_cast<unsigned long long>(feed.waiting),
                        delivery == tavolo::feed::MqttPublisher::Delivery::Delivered ? 1 : 0);
            publishLink->stop();
        }
        if (sessionStore) {
            const std::string file = sessionStore->file().string();
            const bool ended = sessionStore->endNormally();
            std::printf("session %s ended_normally=%d\n", file.c_str(), ended ? 1 : 0);
        }
        std::printf("reconnects=%d\n", reconnects);
        std::printf("rows=%zu conversion_errors=%d rss_start_kib=%ld rss_end_kib=%ld table_bytes=%zu "
                    "chart_bytes=%zu bytes_per_row=%.1f rss_bytes_per_row=%.1f probe_ticks=%zu probe_p99_late_ms=%d "
                    "probe_max_late_ms=%d save_ms=%lld seconds=%.1f\n",
                    rows, window.conversionErrorCount(), rssStart, rssEnd, tableBytes, chartBytes,
                    rows ? static_cast<double>(tableBytes + chartBytes) / static_cast<double>(rows) : 0.0,
                    rows > rowsAtStart ? (rssEnd - rssStart) * 1024.0 / static_cast<double>(rows - rowsAtStart) : 0.0,
                    lateness.size(), p99, maxLate, static_cast<long long>(saveMs), clock.elapsed() / 1000.0);
        std::fflush(stdout);
        if (samples)
            std::fclose(samples);
        window.connectionBar().BtExit1Click();
    };
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        const std::size_t rows = session.table().rowCount();
        if (samples) {
            std::fprintf(samples, "%.1f\t%ld\t%zu\t%zu\t%d\t%zu\n", now / 1000.0, residentKiB(), rows,
                         session.table().memoryUsage(), windowMaxLate, session.chart().memoryUsage());
            std::fflush(samples);
        }
        windowMaxLate = 0;
        if (rows != lastRows) {
            lastRows = rows;
            lastGrowthMs = now;
        }
        const bool reached = options.expect > 0 && static_cast<long long>(rows) >= options.expect;
        const bool idle = rows > 0 && now - lastGrowthMs > options.idleExitSeconds * 1000LL;
        const bool done = !options.doneFile.isEmpty() && QFileInfo::exists(options.doneFile) && now - lastGrowthMs >= 2000;
        if (!finished && (reached || idle || done))
            finish();
    });

    // The user's steps: Repeat stays on (the start default), limit "limitless", connect.
    QTimer::singleShot(300, &window, [&] {
        if (!window.recordingBar().RepeatSet->isChecked())
            window.recordingBar().RepeatSet->click();
        window.recordingBar().limitess->trigger();
        window.connectionBar().COMCon->click();
        rssStart = residentKiB();
        rowsAtStart = session.table().rowCount();
        lastProbe = clock.elapsed();
        lastGrowthMs = clock.elapsed();
        probe.start(kProbeMs);
        sampler.start(2000);
    });
    return QApplication::exec();
}
