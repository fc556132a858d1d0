// tavolo-cli watch URL/TOPIC: prints every message of a topic filter as one
// JSON line on standard output, flushed per line, until SIGINT or SIGTERM:
//   {"topic":"tavolo/bench3/COM1/reading","retained":false,"payload":{...}}
// A payload that is JSON is embedded as it is (made one line); any other
// payload becomes a JSON string. Status lines go to standard error.
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "commands.h"
#include "feed/compact_json.h"
#include "feed/feed_payload.h"
#include "feed/mqtt_subscriber.h"
#include "mqtt_options.h"

namespace tavolo::cli {
namespace {

std::atomic<bool> g_stopWatch{false};

extern "C" void requestWatchStop(int)
{
    g_stopWatch.store(true);
}

void printUsage()
{
    std::fputs("usage: tavolo-cli watch URL/TOPIC [--mqtt-user U] [--mqtt-password-file F] [--mqtt-cafile CA]\n"
               "                        [--mqtt-cert F --mqtt-key F]\n",
               stderr);
}

}  // namespace

int runWatch(int argc, char** argv)
{
    MqttOptions options;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string error;
        const int taken = takeMqttOption(argc, argv, i, options, false, error);
        if (taken < 0) {
            std::fprintf(stderr, "tavolo-cli watch: %s\n", error.c_str());
            printUsage();
            return 2;
        }
        if (taken > 0)
            continue;
        if ((arg.size() > 1 && arg[0] == '-') || !options.url.empty()) {
            std::fprintf(stderr, "tavolo-cli watch: unknown argument '%s'\n", arg.c_str());
            printUsage();
            return 2;
        }
        options.url = arg;
    }
    if (options.url.empty()) {
        std::fputs("tavolo-cli watch: give the broker and topic, as in mqtt://127.0.0.1:1883/tavolo/+/+/reading\n",
                   stderr);
        printUsage();
        return 2;
    }
    std::string error;
    std::optional<feed::FeedSettings> settings = feedSettings(options, true, std::string(), error);
    if (!settings) {
        std::fprintf(stderr, "tavolo-cli watch: %s\n", error.c_str());
        return 2;
    }

    struct sigaction action {};
    action.sa_handler = requestWatchStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);

    bool outputFailed = false;
    std::string line;
    feed::MqttSubscriber subscriber(
        std::move(*settings),
        [&](std::string_view topic, std::string_view payload, bool retained) {
            line.clear();
            line += "{\"topic\":";
            feed::appendJsonString(line, topic);
            line += retained ? ",\"retained\":true" : ",\"retained\":false";
            line += ",\"payload\":";
            if (!feed::appendCompactJson(line, payload))
                feed::appendJsonString(line, payload);
            line += "}\n";
            if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size() || std::fflush(stdout) != 0) {
                outputFailed = true;
                g_stopWatch.store(true);
            }
        },
        [](const feed::FeedStatus& status) {
            std::fprintf(stderr, "tavolo-cli watch: %s\n", feed::describe(status).c_str());
        });
    const bool ok = subscriber.run(g_stopWatch);
    if (outputFailed) {
        std::fputs("tavolo-cli watch: cannot write the output\n", stderr);
        return 1;
    }
    return ok ? 0 : 1;
}

}  // namespace tavolo::cli
