// tavolo-soak-feeder: the meter side of a soak run. Sends N readings of the
// simulator's scenarios, with its damaged frames and garbage bytes mixed in, on
// a pseudo-terminal registered as a COM port, at any rate the program can take
// (the simulator itself stops at the wire's 137 frames/s). Unlike the
// simulator it never drops a frame when the line is full: it waits for the
// program to read, so "every good frame recorded" can be checked exactly.
//
// usage: tavolo-soak-feeder --port COMn --frames N [--rate R] [--seed S]
//                           [--noise SHARE] [--sent FILE] [--wait-open S]
//                           [--unplug-at N --unplug-seconds S --lost FILE]
//   --rate R       frames a second (0: as fast as the program reads)
//   --sent FILE    one line per reading sent: value<TAB>unit<TAB>AC/DC
//   --wait-open S  seconds to wait for the program to open the port (default 60)
//   --unplug-at N  after the N-th reading (once the program has read the line
//                  empty) the cable is pulled: the terminal hangs up and its
//                  link goes. The meter goes on measuring for --unplug-seconds,
//                  then a new terminal takes the port name, as a replugged
//                  adapter would; the program must be connected to it again.
//                  Readings made between the pull and that new open reach no
//                  one; they go to the --lost file (same columns as --sent).
// At the end prints one line: "sent N readings, M noise events, B bytes in T s"
// and, with a pull, "lost L readings while the cable was out".

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "meter_modes.h"
#include "pty_line.h"
#include "serial/port_names.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;
void onSignal(int) { g_stop = 1; }

struct Options {
    std::string port = "COM1";
    unsigned long frames = 1000;
    double rate = 0;
    std::uint32_t seed = 1;
    double noise = 0.02;
    std::string sentPath;
    int waitOpenSeconds = 60;
    unsigned long unplugAt = 0;  // 0: never
    double unplugSeconds = 3;
    std::string lostPath;
};

bool parse(int argc, char** argv, Options& o)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        const char* v = argv[i + 1];
        if (arg == "--port")
            o.port = v;
        else if (arg == "--frames")
            o.frames = std::strtoul(v, nullptr, 10);
        else if (arg == "--rate")
            o.rate = std::strtod(v, nullptr);
        else if (arg == "--seed")
            o.seed = static_cast<std::uint32_t>(std::strtoul(v, nullptr, 10));
        else if (arg == "--noise")
            o.noise = std::strtod(v, nullptr);
        else if (arg == "--sent")
            o.sentPath = v;
        else if (arg == "--wait-open")
            o.waitOpenSeconds = std::atoi(v);
        else if (arg == "--unplug-at")
            o.unplugAt = std::strtoul(v, nullptr, 10);
        else if (arg == "--unplug-seconds")
            o.unplugSeconds = std::strtod(v, nullptr);
        else if (arg == "--lost")
            o.lostPath = v;
        else
            return false;
    }
    return argc % 2 == 1 && o.frames > 0 && o.rate >= 0 && o.noise >= 0 && o.noise < 1;
}

// Writes all of `size` bytes, waiting while the program has not read the line.
bool writeAll(int fd, const std::uint8_t* data, std::size_t size)
{
    while (size > 0 && !g_stop) {
        const ssize_t n = ::write(fd, data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, 100);
    }
    return size == 0;
}

// The meter's end of the cable: a pseudo-terminal registered as a COM port.
struct Line {
    int master = -1;
    int slave = -1;
    std::unique_ptr<tavolo::sim::PortLink> link;

    bool plugIn(const std::string& port, std::string& error)
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
            error = std::string("no pseudo-terminal: ") + std::strerror(errno);
            return false;
        }
        const std::string slavePath = ::ptsname(master);
        // Our own slave handle keeps the line up (no EIO) until the program opens it.
        slave = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY);
        termios raw{};
        if (slave < 0 || ::tcgetattr(slave, &raw) != 0) {
            error = slavePath + ": " + std::strerror(errno);
            return false;
        }
        ::cfmakeraw(&raw);
        ::tcsetattr(slave, TCSANOW, &raw);
        link = tavolo::sim::PortLink::create(tavolo::defaultPortLinkDir(), port, slavePath, error);
        if (!link)
            return false;
        std::fprintf(stderr, "tavolo-soak-feeder: %s -> %s\n", link->path().c_str(), slavePath.c_str());
        return true;
    }

    // Nothing is sent before the program has the port open: the driver empties
    // the line's queues when it opens, which would swallow the first frames.
    // While only we hold the slave, its termios stays ours; the program's open
    // sets 19200 bit/s, which we watch for.
    bool opened() const
    {
        termios now{};
        ::tcgetattr(slave, &now);
        return ::cfgetispeed(&now) == B19200 || ::cfgetospeed(&now) == B19200;
    }

    bool waitOpened(int seconds) const
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (!opened()) {
            if (g_stop || std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        settle();
        return true;
    }

    // The open's own purge comes right after the speed is set: let it pass.
    // Then the end of the frame the meter was sending before the port opened:
    // a frame is taken from the LF before it to its CR, so without this LF the
    // first reading could not be a frame at all.
    void settle() const
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const std::uint8_t previousEnd = 0x0A;
        writeAll(master, &previousEnd, 1);
    }

    // Waits (up to `tenths` of a second) until the program has read everything.
    void drain(int tenths) const
    {
        for (int i = 0; i < tenths && !g_stop; ++i) {
            int queued = 0;
            if (::ioctl(master, TIOCOUTQ, &queued) != 0 || queued == 0) {
                int unread = 0;
                if (::ioctl(slave, FIONREAD, &unread) != 0 || unread == 0)
                    break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }

    // The cable pulled: the terminal hangs up and the port name leads nowhere.
    void pull()
    {
        link.reset();
        ::close(slave);
        ::close(master);
        slave = master = -1;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!parse(argc, argv, o)) {
        std::fputs("usage: tavolo-soak-feeder --port COMn --frames N [--rate R] [--seed S] [--noise SHARE]\n"
                   "                          [--sent FILE] [--wait-open S]\n",
                   stderr);
        return 2;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM})
        sigaction(sig, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::FILE* sent = o.sentPath.empty() ? nullptr : std::fopen(o.sentPath.c_str(), "w");
    std::FILE* lost = o.lostPath.empty() ? nullptr : std::fopen(o.lostPath.c_str(), "w");
    if ((!o.sentPath.empty() && !sent) || (!o.lostPath.empty() && !lost)) {
        std::fprintf(stderr, "tavolo-soak-feeder: %s: %s\n", (sent ? o.lostPath : o.sentPath).c_str(),
                     std::strerror(errno));
        return 1;
    }
    std::string error;
    Line line;
    if (!line.plugIn(o.port, error)) {
        std::fprintf(stderr, "tavolo-soak-feeder: %s\n", error.c_str());
        return 1;
    }
    if (!line.waitOpened(o.waitOpenSeconds)) {
        std::fputs("tavolo-soak-feeder: the program did not open the port\n", stderr);
        return 1;
    }

    tavolo::sim::FrameScript script("random", o.noise, o.seed);
    const auto start = std::chrono::steady_clock::now();
    const auto period = o.rate > 0 ? std::chrono::duration<double>(1.0 / o.rate) : std::chrono::duration<double>(0);
    // Keeps the meter's own pace: `made` counts every reading, sent or lost.
    unsigned long made = 0;
    const auto pace = [&] {
        ++made;
        if (o.rate > 0)
            std::this_thread::sleep_until(start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                      period * static_cast<double>(made)));
    };
    const auto note = [](std::FILE* file, const tavolo::sim::SimEvent& event) {
        if (!file)
            return;
        std::fprintf(file, "%s\t%s\t%s\n", event.reading.valueText.c_str(), event.reading.unitText.c_str(),
                     event.reading.acDcText.c_str());
    };
    unsigned long readings = 0;
    unsigned long lostReadings = 0;
    unsigned long noise = 0;
    unsigned long long bytes = 0;
    while (!g_stop && readings < o.frames) {
        const tavolo::sim::SimEvent event = script.next();
        if (!writeAll(line.master, event.bytes.data(), event.bytes.size())) {
            std::fprintf(stderr, "tavolo-soak-feeder: writing failed: %s\n", std::strerror(errno));
            return 1;
        }
        bytes += event.bytes.size();
        if (!event.isReading) {
            ++noise;
            continue;
        }
        ++readings;
        note(sent, event);
        // Whoever follows the run (scripts/soak) sees the count grow.
        if (sent && readings % 50 == 0)
            std::fflush(sent);
        pace();
        if (readings % 100000 == 0)
            std::fprintf(stderr, "tavolo-soak-feeder: %lu readings sent\n", readings);

        if (readings == o.unplugAt) {
            line.drain(600);
            line.pull();
            std::fprintf(stderr, "tavolo-soak-feeder: cable pulled after %lu readings\n", readings);
            // The meter measures on; nothing reaches the program until it has
            // opened the new terminal.
            const auto back = std::chrono::steady_clock::now() + std::chrono::duration<double>(o.unplugSeconds);
            const auto giveUp = back + std::chrono::seconds(o.waitOpenSeconds);
            bool pluggedIn = false;
            while (!g_stop) {
                if (!pluggedIn && std::chrono::steady_clock::now() >= back) {
                    if (!line.plugIn(o.port, error)) {
                        std::fprintf(stderr, "tavolo-soak-feeder: %s\n", error.c_str());
                        return 1;
                    }
                    pluggedIn = true;
                    std::fputs("tavolo-soak-feeder: cable plugged in again\n", stderr);
                }
                if (pluggedIn && line.opened())
                    break;
                if (std::chrono::steady_clock::now() > giveUp) {
                    std::fputs("tavolo-soak-feeder: the program did not open the port again\n", stderr);
                    return 1;
                }
                const tavolo::sim::SimEvent gone = script.next();
                if (gone.isReading) {
                    ++lostReadings;
                    note(lost, gone);
                    pace();
                    if (o.rate <= 0)
                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
            }
            line.settle();
            std::fprintf(stderr, "tavolo-soak-feeder: opened again; %lu readings lost\n", lostReadings);
        }
    }
    // Let the program read the rest before the line goes.
    line.drain(600);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (sent)
        std::fclose(sent);
    if (lost)
        std::fclose(lost);
    std::printf("sent %lu readings, %lu noise events, %llu bytes in %.1f s\n", readings, noise, bytes, seconds);
    if (o.unplugAt > 0)
        std::printf("lost %lu readings while the cable was out\n", lostReadings);
    return g_stop ? 1 : 0;
}
