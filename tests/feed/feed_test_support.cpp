#include "feed_test_support.h"

#include <signal.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "meter_modes.h"

namespace tavolo::test {

Watcher::Watcher(const TestBroker& broker, const std::string& urlWithTopic, const std::vector<std::string>& options,
                 const std::string& name)
    : m_broker(broker), m_out(broker.dir().file(name + ".out")), m_err(broker.dir().file(name + ".err"))
{
    std::vector<std::string> argv{kCli, "watch", urlWithTopic};
    argv.insert(argv.end(), options.begin(), options.end());
    m_process = std::make_unique<ChildProcess>(argv, m_out, m_err);
}

Watcher::~Watcher() = default;

bool Watcher::waitSubscribed(const std::string& probeTopic, const std::vector<std::string>& pubOptions)
{
    std::string command = "mosquitto_pub -h 127.0.0.1 -p " + std::to_string(m_broker.port()) + " -t " +
                          shellQuote(probeTopic) + " -m probe -q 1";
    for (const std::string& o : pubOptions)
        command += " " + shellQuote(o);
    command += " >/dev/null 2>&1";
    for (int i = 0; i < 50; ++i) {
        if (!m_process->running())
            return false;
        if (std::system(command.c_str()) != 0)
            continue;
        if (waitFor([&] { return !messages(probeTopic).empty(); }, std::chrono::milliseconds(200)))
            return true;
    }
    return false;
}

std::vector<nlohmann::json> Watcher::lines() const
{
    std::vector<nlohmann::json> result;
    std::istringstream in(readText(m_out));
    std::string line;
    while (std::getline(in, line)) {
        if (in.eof())
            break;  // no newline yet: still being written
        result.push_back(nlohmann::json::parse(line));
    }
    return result;
}

std::vector<nlohmann::json> Watcher::messages(const std::string& topic) const
{
    std::vector<nlohmann::json> result;
    for (nlohmann::json& line : lines())
        if (line["topic"] == topic)
            result.push_back(std::move(line));
    return result;
}

std::size_t Watcher::count(const std::string& topic) const
{
    const std::string text = readText(m_out);
    const std::string start = "{\"topic\":\"" + topic + "\",";
    std::size_t n = 0;
    for (std::size_t line = 0; line < text.size();) {
        const std::size_t end = text.find('\n', line);
        if (end == std::string::npos)
            break;  // still being written
        if (text.compare(line, start.size(), start) == 0)
            ++n;
        line = end + 1;
    }
    return n;
}

int Watcher::stop()
{
    m_process->signal(SIGTERM);
    return m_process->wait(std::chrono::seconds(10)).value_or(-1);
}

void writeMeterFrames(const std::string& path, std::size_t count, std::uint32_t seed)
{
    sim::FrameScript script("random", 0.0, seed);
    std::ofstream out(path, std::ios::binary);
    // A frame is counted from the line end before it: begin with one, as if
    // joining a meter that was already sending, so the first frame counts too.
    out.put('\n');
    for (std::size_t written = 0; written < count;) {
        const sim::SimEvent event = script.next();
        if (!event.isReading)
            continue;
        out.write(reinterpret_cast<const char*>(event.bytes.data()), static_cast<std::streamsize>(event.bytes.size()));
        ++written;
    }
}

int runCommand(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string shellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

}  // namespace tavolo::test
