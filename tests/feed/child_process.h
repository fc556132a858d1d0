#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace tavolo::test {

// A program the test starts, with standard output and error in files. Killed
// (SIGKILL) and reaped on destruction if still running.
class ChildProcess {
public:
    // Starts `argv` (argv[0] a path). `env` entries "NAME=value" are added to
    // this process's environment; `stdinFd`, when >= 0, becomes its standard input.
    ChildProcess(const std::vector<std::string>& argv, const std::string& stdoutPath, const std::string& stderrPath,
                 const std::vector<std::string>& env = {}, int stdinFd = -1);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return m_pid; }
    bool running();
    void signal(int sig);
    // The exit status (128 + signal when killed), or nothing after `timeout`.
    std::optional<int> wait(std::chrono::milliseconds timeout);

private:
    pid_t m_pid = -1;
    std::optional<int> m_status;
};

// A whole file's text ("" when missing).
std::string readText(const std::string& path);
// Waits until `ready()` is true, polling every 20 ms; false after `timeout`.
template <typename F>
bool waitFor(F ready, std::chrono::milliseconds timeout)
{
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!ready()) {
        if (std::chrono::steady_clock::now() >= until)
            return false;
        struct timespec pause = {0, 20'000'000};
        nanosleep(&pause, nullptr);
    }
    return true;
}

}  // namespace tavolo::test
