// tavolo-soak-feeder: the meter side of a soak run. Sends N readings of the
// simulator's scenarios, with its damaged frames and garbage bytes mixed in, on
// a pseudo-terminal registered as a COM port, at any rate the program can take
// (the simulator itself stops at the wire's 137 frames/s). Unlike the
// simulator it never drops a frame when the line is full: it waits for the
// program to read, so "every good frame recorded" can be checked exactly.
//
// usage: tavolo-soak-feeder --port COMn --frames N [--rate R] [--seed S]
//                           [--noise SHARE] [--sent FILE] [--wait-open S]
//   --rate R       frames a second (0: as fast as the program reads)
//   --sent FILE    one line per reading sent: value<TAB>unit<TAB>AC/DC
//   --wait-open S  seconds to wait for the program to open the port (default 60)
// At the end prints one line: "sent N readings, M noise events, B bytes in T s".

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

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        std::fprintf(stderr, "tavolo-soak-feeder: no pseudo-terminal: %s\n", std::strerror(errno));
        return 1;
    }
    const std::string slavePath = ::ptsname(master);
    // Our own slave handle keeps the line up (no EIO) until the program opens it.
    const int slave = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY);
    termios raw{};
    if (slave < 0 || ::tcgetattr(slave, &raw) != 0) {
        std::fprintf(stderr, "tavolo-soak-feeder: %s: %s\n", slavePath.c_str(), std::strerror(errno));
        return 1;
    }
    ::cfmakeraw(&raw);
    ::tcsetattr(slave, TCSANOW, &raw);

    std::string error;
    const auto link = tavolo::sim::PortLink::create(tavolo::defaultPortLinkDir(), o.port, slavePath, error);
    if (!link) {
        std::fprintf(stderr, "tavolo-soak-feeder: %s\n", error.c_str());
        return 1;
    }
    std::FILE* sent = o.sentPath.empty() ? nullptr : std::fopen(o.sentPath.c_str(), "w");
    if (!o.sentPath.empty() && !sent) {
        std::fprintf(stderr, "tavolo-soak-feeder: %s: %s\n", o.sentPath.c_str(), std::strerror(errno));
        return 1;
    }
    std::fprintf(stderr, "tavolo-soak-feeder: %s -> %s\n", link->path().c_str(), slavePath.c_str());

    // Nothing is sent before the program has the port open: the driver empties
    // the line's queues when it opens, which would swallow the first frames.
    // While only we hold the slave, its termios stays ours; the program's open
    // sets 19200 bit/s, which we watch for.
    const auto openDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(o.waitOpenSeconds);
    for (;;) {
        termios now{};
        ::tcgetattr(slave, &now);
        if (::cfgetispeed(&now) == B19200 || ::cfgetospeed(&now) == B19200)
            break;
        if (g_stop || std::chrono::steady_clock::now() > openDeadline) {
            std::fputs("tavolo-soak-feeder: the program did not open the port\n", stderr);
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    // The meter was sending before the port opened: the line starts with the end
    // of its previous frame. A frame is taken from the LF before it to its CR,
    // so without this LF the first reading could not be a frame at all.
    const std::uint8_t previousEnd = 0x0A;
    writeAll(master, &previousEnd, 1);

    tavolo::sim::FrameScript script("random", o.noise, o.seed);
    const auto start = std::chrono::steady_clock::now();
    const auto period = o.rate > 0 ? std::chrono::duration<double>(1.0 / o.rate) : std::chrono::duration<double>(0);
    unsigned long readings = 0;
    unsigned long noise = 0;
    unsigned long long bytes = 0;
    std::string batch;
    while (!g_stop && readings < o.frames) {
        const tavolo::sim::SimEvent event = script.next();
        if (!writeAll(master, event.bytes.data(), event.bytes.size())) {
            std::fprintf(stderr, "tavolo-soak-feeder: writing failed: %s\n", std::strerror(errno));
            return 1;
        }
        bytes += event.bytes.size();
        if (!event.isReading) {
            ++noise;
            continue;
        }
        ++readings;
        if (sent)
            std::fprintf(sent, "%s\t%s\t%s\n", event.reading.valueText.c_str(), event.reading.unitText.c_str(),
                         event.reading.acDcText.c_str());
        if (o.rate > 0) {
            const auto due = start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(period * readings);
            std::this_thread::sleep_until(due);
        }
        if (readings % 100000 == 0)
            std::fprintf(stderr, "tavolo-soak-feeder: %lu readings sent\n", readings);
    }
    // Let the program read the rest before the line goes.
    for (int i = 0; i < 600 && !g_stop; ++i) {
        int queued = 0;
        if (::ioctl(master, TIOCOUTQ, &queued) != 0 || queued == 0) {
            int unread = 0;
            if (::ioctl(slave, FIONREAD, &unread) != 0 || unread == 0)
                break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (sent)
        std::fclose(sent);
    std::printf("sent %lu readings, %lu noise events, %llu bytes in %.1f s\n", readings, noise, bytes, seconds);
    return g_stop ? 1 : 0;
}
