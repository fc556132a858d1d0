#pragma once

#include <signal.h>

#include <memory>
#include <string>

#include "child_process.h"

namespace tavolo::test {

// A scratch folder, removed with everything in it.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

struct BrokerConfig {
    std::string passwordFile;  // with it, anonymous clients are refused
    std::string aclFile;
    std::string caFile;        // with certFile and keyFile: the listener speaks TLS
    std::string certFile;
    std::string keyFile;
};

// Debian's mosquitto with its own configuration in a scratch folder, listening
// on 127.0.0.1 only, on a port that was free when it started; persistence on,
// so sessions survive a stop with SIGTERM and a start. Killed at the end.
class TestBroker {
public:
    explicit TestBroker(BrokerConfig config = {});
    // On a given port (one the test reserved with freeLoopbackPort).
    TestBroker(BrokerConfig config, int port);
    ~TestBroker();

    int port() const { return m_port; }
    std::string url(const std::string& host = "127.0.0.1") const;  // "mqtt://127.0.0.1:PORT" (mqtts with TLS)
    const ScratchDir& dir() const { return m_dir; }
    std::string log() const;

    // Ends the broker with `sig` and waits for it.
    void stop(int sig = SIGTERM);
    // Starts it again on the same port; throws when it does not come up.
    void start();

private:
    ScratchDir m_dir;
    BrokerConfig m_config;
    int m_port = 0;
    int m_starts = 0;
    std::unique_ptr<ChildProcess> m_process;
};

// A free TCP port on 127.0.0.1 (bound and released).
int freeLoopbackPort();
// True when something accepts a TCP connection on 127.0.0.1:`port`.
bool acceptsConnections(int port);

}  // namespace tavolo::test
