#include "test_broker.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace tavolo::test {

ScratchDir::ScratchDir()
{
    std::string pattern = std::filesystem::temp_directory_path().string() + "/tavolo-feed.XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

ScratchDir::~ScratchDir()
{
    if (std::getenv("TAVOLO_KEEP_SCRATCH"))
        return;  // for a look after a failure
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

namespace {

sockaddr_in loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

}  // namespace

int freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(0);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        throw std::runtime_error("cannot bind 127.0.0.1:0");
    }
    socklen_t size = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

bool acceptsConnections(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(port);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

TestBroker::TestBroker(BrokerConfig config) : m_config(std::move(config))
{
    // A port taken by someone else between our probe and the broker's bind
    // makes the broker fail at once: try another.
    for (int attempt = 0;; ++attempt) {
        m_port = freeLoopbackPort();
        try {
            start();
            return;
        } catch (const std::exception&) {
            if (attempt == 4)
                throw;
        }
    }
}

TestBroker::TestBroker(BrokerConfig config, int port) : m_config(std::move(config)), m_port(port)
{
    start();
}

TestBroker::~TestBroker()
{
    if (m_process)
        stop(SIGKILL);
}

std::string TestBroker::url(const std::string& host) const
{
    return (m_config.certFile.empty() ? "mqtt://" : "mqtts://") + host + ":" + std::to_string(m_port);
}

std::string TestBroker::log() const
{
    return readText(m_dir.file("broker.log"));
}

void TestBroker::stop(int sig)
{
    if (!m_process)
        return;
    m_process->signal(sig);
    m_process->wait(std::chrono::seconds(10));
    m_process.reset();
}

void TestBroker::start()
{
    const std::string conf = m_dir.file("mosquitto.conf");
    {
        std::ofstream out(conf);
        out << "listener " << m_port << " 127.0.0.1\n";
        if (::geteuid() == 0)
            out << "user root\n";  // else it would become the mosquitto user, who cannot read this folder
        out << "persistence true\npersistence_location " << m_dir.path() << "/\n";
        // The tests check every message a watcher gets: room for all that
        // wait for a subscriber that falls behind on a busy machine (by
        // default the broker keeps 1000 and silently drops the rest). Not 0
        // ("no limit"): this broker version then refuses every client that
        // publishes to a topic it may not.
        out << "max_queued_messages 1000000\n";
        out << "log_dest file " << m_dir.file("broker.log") << "\nlog_type all\n";
        if (m_config.passwordFile.empty())
            out << "allow_anonymous true\n";
        else
            out << "allow_anonymous false\npassword_file " << m_config.passwordFile << "\n";
        if (!m_config.aclFile.empty())
            out << "acl_file " << m_config.aclFile << "\n";
        if (!m_config.certFile.empty())
            out << "cafile " << m_config.caFile << "\ncertfile " << m_config.certFile << "\nkeyfile "
                << m_config.keyFile << "\n";
    }
    ++m_starts;
    const std::string out = m_dir.file("broker" + std::to_string(m_starts) + ".out");
    m_process = std::make_unique<ChildProcess>(std::vector<std::string>{"/usr/sbin/mosquitto", "-c", conf}, out, out);
    const bool up = waitFor([&] { return !m_process->running() || acceptsConnections(m_port); },
                            std::chrono::seconds(10));
    if (!up || !m_process->running()) {
        m_process.reset();
        throw std::runtime_error("the broker did not start on port " + std::to_string(m_port) + ": " +
                                 readText(out) + log());
    }
}

}  // namespace tavolo::test
