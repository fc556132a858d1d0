#pragma once

#include <nlohmann/json.hpp>

#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "test_broker.h"

// What the feed's system tests share: the programs, a watcher process, frame files.
namespace tavolo::test {

inline const std::string kCli = TAVOLO_CLI;
inline const std::string kMeterSim = TAVOLO_METER_SIM;

// `tavolo-cli watch URL/TOPIC OPTIONS...` writing into the broker's folder.
class Watcher {
public:
    Watcher(const TestBroker& broker, const std::string& urlWithTopic, const std::vector<std::string>& options = {},
            const std::string& name = "watch");
    ~Watcher();

    // Publishes probe messages to `probeTopic` (which the filter must match)
    // with mosquitto_pub until one comes back: then the subscription stands.
    bool waitSubscribed(const std::string& probeTopic, const std::vector<std::string>& pubOptions = {});
    // The JSON lines printed so far (a partly written last line is left out).
    std::vector<nlohmann::json> lines() const;
    // Lines of one topic so far.
    std::vector<nlohmann::json> messages(const std::string& topic) const;
    // How many whole lines of one topic so far, without parsing them (cheap
    // enough to poll while thousands arrive).
    std::size_t count(const std::string& topic) const;
    // SIGTERM and wait; the exit status.
    int stop();
    std::string errors() const { return readText(m_err); }

private:
    const TestBroker& m_broker;
    std::string m_out;
    std::string m_err;
    std::unique_ptr<ChildProcess> m_process;
};

// Writes `count` readings of the simulated meter (no noise) to `path`.
void writeMeterFrames(const std::string& path, std::size_t count, std::uint32_t seed);

// A shell command's exit status (std::system), its output in `outputPath` if given.
int runCommand(const std::string& command);
// A text quoted for the shell.
std::string shellQuote(const std::string& text);

}  // namespace tavolo::test
