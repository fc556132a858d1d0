// tavolo-meter-sim: a simulated meter on a pseudo-terminal, registered as a COM
// port through the per-user link folder, so the program (or tavolo-cli log) can
// be run without hardware.

#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>

#include "meter_modes.h"
#include "pty_line.h"
#include "serial/port_names.h"
#include "tavolo_version.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int)
{
    g_stop = 1;
}

// The wire's limit: 19200 bit/s, 10 bits a character, 14 characters a frame.
constexpr double kMaxRate = 19200.0 / 10.0 / 14.0;

void printUsage(std::FILE* out)
{
    std::fprintf(out,
                 "usage: tavolo-meter-sim [--port COMn] [--link-dir DIR] [--rate R] [--scenario NAME]\n"
                 "                        [--noise] [--seed S] [--frames N] [--print] [--list]\n"
                 "       tavolo-meter-sim --help | --version\n"
                 "A simulated Tavolo multimeter on a pseudo-terminal, registered as a COM port.\n"
                 "  --port COMn      name to register (default COM1)\n"
                 "  --link-dir DIR   folder of the COMn links (default $TAVOLO_PORT_DIR, else\n"
                 "                   $XDG_DATA_HOME/tavolo, else ~/.local/share/tavolo)\n"
                 "  --rate R         frames per second, up to %.0f (default 2, the meter's pace)\n"
                 "  --scenario NAME  sweep (default: every function and range in turn), random,\n"
                 "                   or one function (--list shows them)\n"
                 "  --noise          mix in garbage bytes, truncated and damaged frames\n"
                 "  --seed S         repeat a run exactly\n"
                 "  --frames N       stop after N readings (and after the program has read them)\n"
                 "  --print          one line per event on standard output:\n"
                 "                   N<TAB>value<TAB>unit<TAB>mode<TAB>range<TAB>flags, or #<TAB>noise\n"
                 "  --list           name the scenarios and exit\n"
                 "  --help           print this help and exit\n"
                 "  --version        print the version and exit\n",
                 kMaxRate);
}

struct Options {
    std::string port = "COM1";
    std::optional<std::filesystem::path> linkDir;
    double rate = 2.0;
    std::string scenario = "sweep";
    bool noise = false;
    std::optional<std::uint32_t> seed;
    std::optional<unsigned long> frames;
    bool print = false;
    bool list = false;
};

bool parseNumber(const char* text, double& out)
{
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end != text && *end == '\0';
}

// 0: go on; otherwise the exit status.
int parse(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "tavolo-meter-sim: %s needs a value\n", arg.c_str());
                return nullptr;
            }
            return argv[++i];
        };
        double number = 0;
        if (arg == "--help" || arg == "-h") {
            printUsage(stdout);
            return -1;
        } else if (arg == "--version") {
            std::printf("tavolo-meter-sim %s\n", tavolo::kVersion);
            return -1;
        } else if (arg == "--print") {
            o.print = true;
        } else if (arg == "--noise") {
            o.noise = true;
        } else if (arg == "--list") {
            o.list = true;
        } else if (arg == "--port") {
            const char* v = value();
            if (!v)
                return 2;
            if (!tavolo::parseComPortName(v)) {
                std::fprintf(stderr, "tavolo-meter-sim: '%s' is not a port name such as COM1\n", v);
                return 2;
            }
            o.port = "COM" + std::to_string(*tavolo::parseComPortName(v));
        } else if (arg == "--link-dir") {
            const char* v = value();
            if (!v)
                return 2;
            o.linkDir = v;
        } else if (arg == "--scenario") {
            const char* v = value();
            if (!v)
                return 2;
            o.scenario = v;
        } else if (arg == "--rate" || arg == "--seed" || arg == "--frames") {
            const char* v = value();
            if (!v)
                return 2;
            if (!parseNumber(v, number) || number < 0) {
                std::fprintf(stderr, "tavolo-meter-sim: %s needs a number, not '%s'\n", arg.c_str(), v);
                return 2;
            }
            if (arg == "--rate") {
                if (number <= 0 || number > kMaxRate + 0.01) {
                    std::fprintf(stderr, "tavolo-meter-sim: --rate must be above 0 and at most %.0f\n", kMaxRate);
                    return 2;
                }
                o.rate = number;
            } else if (arg == "--seed") {
                o.seed = static_cast<std::uint32_t>(number);
            } else {
                o.frames = static_cast<unsigned long>(number);
            }
        } else {
            std::fprintf(stderr, "tavolo-meter-sim: unknown option '%s'\n", arg.c_str());
            printUsage(stderr);
            return 2;
        }
    }
    return 0;
}

void sleepUntil(std::chrono::steady_clock::time_point when)
{
    // Short slices, so that Ctrl+C ends the run at once even at two frames a second.
    while (!g_stop) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= when)
            return;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(when - now, std::chrono::milliseconds(50)));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace tavolo::sim;
    Options o;
    if (const int status = parse(argc, argv, o); status != 0)
        return status < 0 ? 0 : status;
    if (o.list) {
        for (std::string_view name : scenarioNames())
            std::printf("%.*s\n", static_cast<int>(name.size()), name.data());
        return 0;
    }
    const std::uint32_t seed = o.seed ? *o.seed : static_cast<std::uint32_t>(std::random_device{}());
    FrameScript script(o.scenario, o.noise ? 0.125 : 0.0, seed);
    if (!script.valid()) {
        std::fprintf(stderr, "tavolo-meter-sim: unknown scenario '%s' (--list shows them)\n", o.scenario.c_str());
        return 2;
    }

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaction(sig, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::string error;
    const std::unique_ptr<PtyLine> line = PtyLine::open(error);
    if (!line) {
        std::fprintf(stderr, "tavolo-meter-sim: %s\n", error.c_str());
        return 1;
    }
    const std::filesystem::path linkDir = o.linkDir ? *o.linkDir : tavolo::defaultPortLinkDir();
    const std::unique_ptr<PortLink> link = PortLink::create(linkDir, o.port, line->slavePath(), error);
    if (!link) {
        std::fprintf(stderr, "tavolo-meter-sim: %s\n", error.c_str());
        return 1;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::fprintf(stderr, "tavolo-meter-sim: %s -> %s (link %s); scenario %s, %.3g frames/s, seed %u%s\n",
                 o.port.c_str(), line->slavePath().c_str(), link->path().c_str(), o.scenario.c_str(), o.rate, seed,
                 o.frames ? "" : "; Ctrl+C ends");

    const auto period = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(1.0 / o.rate));
    auto next = std::chrono::steady_clock::now();
    unsigned long readings = 0;
    int status = 0;
    while (!g_stop && (!o.frames || readings < *o.frames)) {
        const SimEvent event = script.next();
        const PtyLine::WriteResult result = line->write(event.bytes.data(), event.bytes.size());
        if (result == PtyLine::WriteResult::Failed) {
            std::fprintf(stderr, "tavolo-meter-sim: writing to the pseudo-terminal failed: %s\n", std::strerror(errno));
            status = 1;
            break;
        }
        if (event.isReading)
            ++readings;
        if (o.print) {
            if (result == PtyLine::WriteResult::Full || result == PtyLine::WriteResult::Partial) {
                std::printf("#\tnot sent: the line is full (nobody is reading)\n");
            } else if (event.isReading) {
                const IntendedReading& r = event.reading;
                std::printf("%lu\t%s\t%s\t%s\t%s\t%s\n", readings, r.valueText.c_str(), r.unitText.c_str(),
                            r.acDcText.c_str(), r.rangeText.c_str(), event.flags.c_str());
            } else {
                std::printf("#\t%s\n", event.note.c_str());
            }
        }
        // Noise rides along with the next frame, as on a real line.
        if (event.isReading) {
            next += period;
            sleepUntil(next);
        }
    }
    // Give the program up to two seconds to read what is still on the line:
    // closing the terminal throws away what it has not read. Written bytes reach
    // the terminal's queue a little later, so the queue must stay empty a while.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    int quietChecks = 0;
    while (!g_stop && quietChecks < 5 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        quietChecks = line->unreadBytes() == 0 ? quietChecks + 1 : 0;
    }
    if (g_stop)
        std::fprintf(stderr, "tavolo-meter-sim: stopped after %lu readings; %s removed\n", readings,
                     link->path().c_str());
    return status;
}
