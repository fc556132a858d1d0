#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "byte_source.h"
#include "cli_args.h"
#include "commands.h"
#include "files/data_file.h"
#include "files/output_buffer.h"
#include "files/tab_data_writer.h"
#include "feed/feed_observer.h"
#include "feed/mqtt_publisher.h"
#include "mqtt_options.h"
#include "record/meter_session.h"
#include "session_link.h"

// tavolo-cli log: the headless logger. Meter bytes from a capture file, standard
// input or a serial port go through frame assembly, the decoder and the record
// rule; at the end of the input (or after --frames N decoded frames, or on
// SIGINT/SIGTERM) the table is saved to --out by its name, or written as
// tab-separated text to standard output. Status lines go to standard error.
// With --session FILE the table is mirrored into a session file as it goes and
// the session is ended normally on every orderly exit; --print-rows writes
// each recorded row to standard output the moment it is recorded. With --mqtt
// every decoded reading is also published live; at the end the logger waits
// (bounded) until the broker has taken them all.
namespace tavolo::cli {
namespace {

std::atomic<bool> g_stop{false};
std::atomic<int> g_stopRequests{0};

extern "C" void requestStop(int)
{
    g_stop.store(true);
    g_stopRequests.fetch_add(1);
}

// Without SA_RESTART, so a blocking read of standard input returns and the
// readings so far are still saved.
void catchStopSignals()
{
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

class LogObserver final : public SessionObserver {
public:
    std::size_t conversionErrors = 0;
    MeterSession* printFrom = nullptr;  // --print-rows

    void readingHandled(const HandledReading& handled) override
    {
        if (printFrom && handled.row)
            printRow(printFrom->table(), *handled.row);
    }

    void conversionError(std::string_view message) override
    {
        ++conversionErrors;
        std::fprintf(stderr, "tavolo-cli log: frame not recorded: %.*s\n", static_cast<int>(message.size()),
                     message.data());
    }
};

struct LogOptions {
    std::string input;
    std::string port;
    std::string out;
    bool noRepeat = false;
    std::int32_t limit = 10000;
    std::optional<std::uint64_t> frames;
    std::optional<std::string> recall;
    std::optional<std::string> step;
    std::string session;
    bool printRows = false;
    MqttOptions mqtt;
};

void printUsage()
{
    std::fputs("usage: tavolo-cli log [--input FILE | --port COMn|DEVICE] [--out FILE] [--no-repeat]\n"
               "                      [--limit N] [--frames N] [--recall HH:MM:SS [--step S]]\n"
               "                      [--session FILE] [--print-rows]\n"
               "                      [--mqtt URL [--mqtt-prefix P] [--mqtt-qos 0|1] [--mqtt-user U]\n"
               "                       [--mqtt-password-file F] [--mqtt-cafile CA] [--mqtt-cert F --mqtt-key F]]\n",
               stderr);
}

bool parseOptions(int argc, char** argv, LogOptions& options)
{
    bool inputGiven = false;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&](std::string& target) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "tavolo-cli log: %s needs a value\n", arg.c_str());
                return false;
            }
            target = argv[++i];
            return true;
        };
        std::string text;
        if (arg == "--input") {
            if (!value(options.input))
                return false;
            inputGiven = true;
        } else if (arg == "--port") {
            if (!value(options.port))
                return false;
        } else if (arg == "--out") {
            if (!value(options.out))
                return false;
        } else if (arg == "--session") {
            if (!value(options.session))
                return false;
        } else if (arg == "--print-rows") {
            options.printRows = true;
        } else if (arg == "--no-repeat") {
            options.noRepeat = true;
        } else if (arg == "--limit") {
            if (!value(text))
                return false;
            const auto n = parseWholeNumber(text, 0, INT32_MAX);
            if (!n) {
                std::fprintf(stderr, "tavolo-cli log: --limit takes a whole number from 0 to %d\n", INT32_MAX);
                return false;
            }
            options.limit = static_cast<std::int32_t>(*n);
        } else if (arg == "--frames") {
            if (!value(text))
                return false;
            const auto n = parseWholeNumber(text, 1, INT64_MAX);
            if (!n) {
                std::fputs("tavolo-cli log: --frames takes a whole number of at least 1\n", stderr);
                return false;
            }
            options.frames = static_cast<std::uint64_t>(*n);
        } else if (arg == "--recall") {
            if (!value(text))
                return false;
            options.recall = text;
        } else if (arg == "--step") {
            if (!value(text))
                return false;
            options.step = text;
        } else if (arg == "--mqtt") {
            if (!value(options.mqtt.url))
                return false;
        } else {
            std::string error;
            const int taken = takeMqttOption(argc, argv, i, options.mqtt, true, error);
            if (taken < 0) {
                std::fprintf(stderr, "tavolo-cli log: %s\n", error.c_str());
                return false;
            }
            if (taken == 0) {
                std::fprintf(stderr, "tavolo-cli log: unknown argument '%s'\n", arg.c_str());
                return false;
            }
        }
    }
    if (inputGiven && !options.port.empty()) {
        std::fputs("tavolo-cli log: give --input or --port, not both\n", stderr);
        return false;
    }
    if (options.step && !options.recall) {
        std::fputs("tavolo-cli log: --step needs --recall\n", stderr);
        return false;
    }
    if (options.mqtt.url.empty() &&
        (options.mqtt.prefix || options.mqtt.qos || !options.mqtt.user.empty() || !options.mqtt.passwordFile.empty() ||
         !options.mqtt.caFile.empty() || !options.mqtt.certFile.empty() || !options.mqtt.keyFile.empty())) {
        std::fputs("tavolo-cli log: the --mqtt-... options need --mqtt URL\n", stderr);
        return false;
    }
    return true;
}

// "HH:MM:SS" with two digits each, 00-23, 00-59, 00-59.
bool setRecall(MeterSession& session, const std::string& start, const std::string& step)
{
    if (start.size() != 8 || start[2] != ':' || start[5] != ':') {
        std::fputs("tavolo-cli log: --recall takes HH:MM:SS\n", stderr);
        return false;
    }
    const auto h = parseWholeNumber(start.substr(0, 2), 0, 23);
    const auto m = parseWholeNumber(start.substr(3, 2), 0, 59);
    const auto s = parseWholeNumber(start.substr(6, 2), 0, 59);
    if (!h || !m || !s) {
        std::fputs("tavolo-cli log: --recall takes HH:MM:SS (00-23, 00-59, 00-59)\n", stderr);
        return false;
    }
    if (!parseWholeNumber(step, 0, RecallClock::kSecondsPerDay)) {
        std::fputs("tavolo-cli log: --step takes whole seconds from 0 to 86400\n", stderr);
        return false;
    }
    session.RecallCheckClick(true);
    RecallEdits& edits = session.inputs().recall;
    edits.TimeH = start.substr(0, 2);
    edits.TimeM = start.substr(3, 2);
    edits.TimeS = start.substr(6, 2);
    edits.TimeInt = step;
    session.recallClock().RecallCheckExit(edits);
    return true;
}

// Feeds the source to the session until it ends, a stop is asked, or the frame limit is reached.
void feed(ByteSource& source, MeterSession& session, const std::optional<std::uint64_t>& frames)
{
    std::uint8_t buffer[4096];
    const auto reached = [&] { return frames && session.decoder().framesAccepted() >= *frames; };
    while (!g_stop.load() && !reached()) {
        const std::optional<std::size_t> n = source.read(buffer, sizeof buffer);
        if (!n)
            break;
        if (source.takeGap())
            session.decoder().discardPendingFrame();
        if (!frames) {
            session.VexaDATA(buffer, *n);
            continue;
        }
        // One byte at a time, so nothing after the last wanted frame is decoded.
        for (std::size_t i = 0; i < *n && !reached(); ++i)
            session.VexaDATA(buffer + i, 1);
    }
}

// Waits, bounded, until the broker has every reading, then stops the feed.
// A second Ctrl+C (SIGINT/SIGTERM) gives up at once. False, after saying why,
// when some readings never reached the broker.
bool finishFeed(feed::MqttPublisher& publisher)
{
    const int waitSeconds = deliveryWaitSeconds();
    const int requestsBefore = g_stopRequests.load();
    const auto start = std::chrono::steady_clock::now();
    const auto until = start + std::chrono::seconds(waitSeconds);
    auto delivery = publisher.waitDelivered(std::chrono::milliseconds(200));
    if (delivery == feed::MqttPublisher::Delivery::TimedOut && waitSeconds > 0) {
        std::fprintf(stderr,
                     "tavolo-cli log: waiting up to %d s for the broker to take %llu readings (Ctrl+C to give up)\n",
                     waitSeconds, static_cast<unsigned long long>(publisher.status().waiting));
        while (delivery == feed::MqttPublisher::Delivery::TimedOut && std::chrono::steady_clock::now() < until &&
               g_stopRequests.load() <= requestsBefore)
            delivery = publisher.waitDelivered(std::chrono::milliseconds(200));
    }
    const feed::FeedStatus status = publisher.status();
    publisher.stop();
    bool ok = true;
    if (delivery == feed::MqttPublisher::Delivery::Refused) {
        std::fprintf(stderr, "tavolo-cli log: %llu readings not published: the broker refused the connection (%s)\n",
                     static_cast<unsigned long long>(status.waiting), status.reason.c_str());
        ok = false;
    } else if (delivery == feed::MqttPublisher::Delivery::TimedOut) {
        std::fprintf(stderr,
                     "tavolo-cli log: %llu readings not published: the broker did not take them within %d s (%s)\n",
                     static_cast<unsigned long long>(status.waiting),
                     static_cast<int>(std::chrono::duration_cast<std::chrono::seconds>(
                                          std::chrono::steady_clock::now() - start)
                                          .count()),
                     feed::describe(status).c_str());
        ok = false;
    }
    if (status.refused > 0) {
        std::fprintf(stderr, "tavolo-cli log: the broker refused %llu readings: %s\n",
                     static_cast<unsigned long long>(status.refused), status.reason.c_str());
        ok = false;
    }
    if (status.dropped > 0) {
        std::fprintf(stderr, "tavolo-cli log: %llu readings dropped while the broker was away (queue full)\n",
                     static_cast<unsigned long long>(status.dropped));
        ok = false;
    }
    std::fprintf(stderr, "tavolo-cli log: %llu readings published\n",
                 static_cast<unsigned long long>(status.delivered));
    return ok;
}

}  // namespace

int runLog(int argc, char** argv)
{
    LogOptions options;
    if (!parseOptions(argc, argv, options)) {
        printUsage();
        return 2;
    }

    // Before anything runs, so a stop at any moment still saves what there is.
    catchStopSignals();
    LogObserver observer;
    MeterSession session(&observer);
    // A session file continued: its table, chart and counters first; the
    // command line's settings then apply.
    std::unique_ptr<SessionLink> sessionLink;
    if (!options.session.empty()) {
        sessionLink = SessionLink::start(options.session, session,
                                         options.port.empty() ? "file" : "serial",
                                         options.port.empty() ? options.input : options.port);
        if (!sessionLink)
            return 1;
    }
    session.inputs().RepeatSet = !options.noRepeat;
    session.recordRule().state().MaxRecords = options.limit;
    if (options.recall && !setRecall(session, *options.recall, options.step.value_or("1")))
        return 2;

    std::unique_ptr<feed::MqttPublisher> publisher;
    std::unique_ptr<feed::FeedObserver> feedObserver;
    if (!options.mqtt.url.empty()) {
        std::string error;
        const std::string portName = options.port.empty() ? std::string("file") : options.port;
        std::optional<feed::FeedSettings> settings = feedSettings(options.mqtt, false, portName, error);
        if (!settings) {
            std::fprintf(stderr, "tavolo-cli log: %s\n", error.c_str());
            return 2;
        }
        feed::StatusInfo info;
        info.program = "tavolo-cli";
        info.link = options.port.empty() ? "file" : "serial";
        info.port = options.port.empty() ? options.input : options.port;
        std::fprintf(stderr, "tavolo-cli log: publishing to %s on %s/reading\n", settings->broker.display().c_str(),
                     settings->prefix.c_str());
        // Called on the feed's thread only: one line per change of the status text.
        auto lastLine = std::make_shared<std::string>();
        publisher = std::make_unique<feed::MqttPublisher>(
            std::move(*settings), std::move(info), [lastLine](const feed::FeedStatus& status) {
                std::string line = feed::describe(status);
                if (line == *lastLine)
                    return;
                *lastLine = line;
                std::fprintf(stderr, "tavolo-cli log: %s\n", line.c_str());
            });
        feedObserver = std::make_unique<feed::FeedObserver>(*publisher, session.table());
        session.addObserver(feedObserver.get());
    }

    std::string error;
    std::unique_ptr<ByteSource> source =
        options.port.empty() ? openFileSource(options.input, error) : openPortSource(options.port, error);
    if (!source) {
        std::fprintf(stderr, "tavolo-cli log: %s\n", error.c_str());
        if (feedObserver)
            session.removeObserver(feedObserver.get());
        return 2;
    }
    if (options.printRows)
        observer.printFrom = &session;
    feed(*source, session, options.frames);
    source.reset();
    bool sessionEnded = true;
    if (sessionLink)
        sessionEnded = sessionLink->end();

    ReadingTable& table = session.table();
    std::fprintf(stderr, "tavolo-cli log: %llu frames decoded, %llu dropped, %zu rows recorded\n",
                 static_cast<unsigned long long>(session.decoder().framesAccepted()),
                 static_cast<unsigned long long>(session.decoder().framesDropped()), table.rowCount());

    int status = 0;
    if (!options.out.empty()) {
        const FileResult saved = saveDataFile(table, options.out);
        if (!saved.message.empty())
            std::fprintf(stderr, "%s\n", saved.message.c_str());
        status = saved.ok && sessionEnded ? 0 : 1;
    } else if (options.printRows) {
        status = sessionEnded ? 0 : 1;
    } else {
        FdOutput out(STDOUT_FILENO);
        writeTabData(table, out);
        out.flush();
        if (out.failed()) {
            std::fprintf(stderr, "tavolo-cli log: cannot write the table: %s\n", std::strerror(out.error()));
            status = 1;
        } else if (!sessionEnded) {
            status = 1;
        }
    }
    if (publisher) {
        session.removeObserver(feedObserver.get());
        if (!finishFeed(*publisher))
            status = 1;
    }
    return status;
}

}  // namespace tavolo::cli
