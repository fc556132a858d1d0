// The live feed end to end: tavolo-cli log publishing to a real broker and
// tavolo-cli watch receiving, compared with what tavolo-cli decode says.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <thread>
#include <sstream>

#include "decode/si_units.h"
#include "feed_test_support.h"

namespace tavolo::test {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

// tavolo-cli decode writes 8-bit texts as \u00XX: back to the bytes.
std::string bytesOf(const json& text)
{
    const std::string utf8 = text.get<std::string>();
    std::string bytes;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0xC0 && i + 1 < utf8.size()) {
            bytes += static_cast<char>(((c & 0x1F) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F));
            ++i;
        } else {
            bytes += static_cast<char>(c);
        }
    }
    return bytes;
}

std::vector<json> decodedReadings(const std::string& framesPath, const std::string& dir)
{
    ChildProcess decode({kCli, "decode", framesPath}, dir + "/decode.jsonl", dir + "/decode.err");
    EXPECT_EQ(decode.wait(60s), 0) << readText(dir + "/decode.err");
    std::vector<json> readings;
    std::istringstream in(readText(dir + "/decode.jsonl"));
    std::string line;
    while (std::getline(in, line)) {
        json j = json::parse(line);
        if (j["accepted"].get<bool>() && j["error"].is_null())
            readings.push_back(std::move(j));
    }
    return readings;
}

// One payload against the decoder's state for the same frame.
void expectSameReading(const json& payload, const json& decoded)
{
    const std::string value = bytesOf(decoded["value"]);
    const std::string unit = bytesOf(decoded["unit"]);
    EXPECT_EQ(payload["function"], decoded["mode"]);
    EXPECT_EQ(payload["display"], lcdDisplayUtf8(value));
    EXPECT_EQ(payload["unit"], unicodeUnitText(unit));
    const SiValue si = siValue(value, unit);
    if (si.value)
        EXPECT_EQ(payload["value"].get<double>(), *si.value) << payload;
    else
        EXPECT_TRUE(payload["value"].is_null()) << payload;
    EXPECT_EQ(payload["si_unit"], std::string(si.unit));
    EXPECT_EQ(payload["range"], decoded["range"]);
    EXPECT_EQ(payload["judge"], decoded["judge"]);
}

std::size_t tableRows(const std::string& xlsPath)
{
    const std::string text = readText(xlsPath);
    const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    return lines == 0 ? 0 : lines - 1;  // the header line
}

TEST(FeedStreamTest, TenThousandReadingsArriveInOrderAsDecoded)
{
    TestBroker broker;
    const std::string dir = broker.dir().path();
    const std::string frames = dir + "/frames.bin";
    writeMeterFrames(frames, 10000, 7);
    const std::vector<json> decoded = decodedReadings(frames, dir);
    ASSERT_EQ(decoded.size(), 10000u) << "see " << dir;

    Watcher watch(broker, broker.url() + "/bench/#");
    ASSERT_TRUE(watch.waitSubscribed("bench/probe")) << watch.errors();
    ChildProcess log({kCli, "log", "--input", frames, "--mqtt", broker.url(), "--mqtt-prefix", "bench", "--out",
                      dir + "/table.xls"},
                     dir + "/log.out", dir + "/log.err");
    ASSERT_EQ(log.wait(120s), 0) << readText(dir + "/log.err");
    ASSERT_TRUE(waitFor([&] { return watch.count("bench/reading") >= 10000; }, 60s))
        << watch.count("bench/reading") << " arrived\n" << watch.errors();
    EXPECT_EQ(watch.stop(), 0);

    const std::vector<json> received = watch.messages("bench/reading");
    ASSERT_EQ(received.size(), 10000u);  // QoS 1 without a broken link: no duplicates either
    EXPECT_EQ(tableRows(dir + "/table.xls"), 10000u);
    for (std::size_t i = 0; i < received.size(); ++i) {
        const json& payload = received[i]["payload"];
        ASSERT_EQ(payload["seq"], i + 1) << "out of order at " << i;
        expectSameReading(payload, decoded[i]);
        // Each reading is a new row here (Repeat on, limit 10000).
        EXPECT_EQ(payload["recorded"], true);
        EXPECT_EQ(payload["no"], i + 1);
        if (::testing::Test::HasFailure())
            FAIL() << "at reading " << i << ": " << payload << " vs " << decoded[i];
    }
    const std::vector<json> status = watch.messages("bench/status");
    ASSERT_FALSE(status.empty());
    EXPECT_EQ(status.front()["payload"]["state"], "online");
    EXPECT_EQ(status.front()["payload"]["link"], "file");
    EXPECT_EQ(status.back()["payload"], json({{"state", "offline"}}));
    EXPECT_NE(readText(dir + "/log.err").find("10000 readings published"), std::string::npos);
}

// The broker ends with `sig` while the simulated meter sends at full speed,
// and starts again on the same port.
void restartMidStream(int sig)
{
    TestBroker broker;
    const std::string dir = broker.dir().path();
    const std::string ports = "TAVOLO_PORT_DIR=" + dir + "/ports";
    std::filesystem::create_directories(dir + "/ports");

    Watcher watch(broker, broker.url() + "/lab/#");
    ASSERT_TRUE(watch.waitSubscribed("lab/probe")) << watch.errors();
    ChildProcess sim({kMeterSim, "--port", "COM5", "--rate", "137", "--frames", "2500", "--seed", "3", "--scenario",
                      "random"},
                     dir + "/sim.out", dir + "/sim.err", {ports});
    ASSERT_TRUE(waitFor([&] { return std::filesystem::is_symlink(dir + "/ports/COM5"); }, 10s));
    ChildProcess log({kCli, "log", "--port", "COM5", "--mqtt", broker.url(), "--mqtt-prefix", "lab", "--out",
                      dir + "/run.xls"},
                     dir + "/log.out", dir + "/log.err", {ports});

    // Mid-stream the broker goes (its sessions saved) and comes back on the same port.
    ASSERT_TRUE(waitFor([&] { return watch.count("lab/reading") >= 600; }, 30s)) << watch.errors();
    broker.stop(sig);
    std::this_thread::sleep_for(2s);
    broker.start();

    ASSERT_EQ(sim.wait(60s), 0) << readText(dir + "/sim.err");
    const auto distinct = [&] {
        std::set<std::uint64_t> seqs;
        for (const json& m : watch.messages("lab/reading"))
            seqs.insert(m["payload"]["seq"].get<std::uint64_t>());
        return seqs;
    };
    // Everything the logger decoded reaches the watcher once the link is back.
    std::size_t seen = 0;
    waitFor(
        [&] {
            const std::size_t now = distinct().size();
            const bool settled = now == seen && now > 0;
            seen = now;
            if (!settled)
                std::this_thread::sleep_for(1s);
            return settled;
        },
        60s);
    log.signal(SIGTERM);
    ASSERT_EQ(log.wait(90s), 0) << readText(dir + "/log.err");
    EXPECT_EQ(watch.stop(), 0);

    const std::string logErr = readText(dir + "/log.err");
    const std::size_t rows = tableRows(dir + "/run.xls");
    const std::set<std::uint64_t> seqs = distinct();
    ASSERT_FALSE(seqs.empty());
    EXPECT_GE(rows, 2000u) << logErr;   // the logger kept recording while the broker was away
    // The broker acknowledged every reading, none dropped or given up.
    EXPECT_NE(logErr.find(std::to_string(rows) + " readings published"), std::string::npos) << logErr;
    EXPECT_EQ(logErr.find("not published"), std::string::npos) << logErr;
    EXPECT_EQ(logErr.find("readings dropped"), std::string::npos) << logErr;
    EXPECT_EQ(*seqs.rbegin(), rows);
    if (sig == SIGTERM) {
        // The broker kept the watcher's session: it gets every reading too.
        // (Killed with SIGKILL the broker forgets the session and what it had
        // acknowledged but not yet passed on, which is the broker's loss, not
        // the feed's.)
        EXPECT_EQ(seqs.size(), rows) << logErr;
        EXPECT_EQ(*seqs.begin(), 1u) << "a gap: readings lost";
    }
    // Each seq carries the same reading every time it arrives.
    std::map<std::uint64_t, json> first;
    for (const json& m : watch.messages("lab/reading")) {
        const json& p = m["payload"];
        const auto [it, fresh] = first.emplace(p["seq"].get<std::uint64_t>(), p);
        if (!fresh) {
            EXPECT_EQ(it->second, p);
        }
    }
    // The status lines tell the story: connected, lost, retrying, connected again.
    const std::size_t lost = logErr.find("MQTT: connection lost");
    ASSERT_NE(lost, std::string::npos) << logErr;
    EXPECT_NE(logErr.find("retrying in", lost), std::string::npos) << logErr;
    EXPECT_NE(logErr.find("MQTT: connected to", lost), std::string::npos) << logErr;
}

TEST(FeedStreamTest, BrokerStoppedAndRestartedMidStreamLosesNothing)
{
    restartMidStream(SIGTERM);
}

TEST(FeedStreamTest, BrokerKilledAndRestartedMidStreamGetsEveryReading)
{
    restartMidStream(SIGKILL);
}

}  // namespace
}  // namespace tavolo::test

namespace tavolo::test {
namespace {

TEST(FeedStreamTest, WithTheBrokerAwayASecondStopEndsTheWaitAndSaysWhatWasLost)
{
    ScratchDir dir;
    const int port = freeLoopbackPort();  // nobody listens
    const std::string frames = dir.file("frames.bin");
    writeMeterFrames(frames, 40, 5);
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    ChildProcess log({kCli, "log", "--input", "-", "--mqtt", "mqtt://127.0.0.1:" + std::to_string(port), "--out",
                      dir.file("run.xls")},
                     dir.file("log.out"), dir.file("log.err"), {"TAVOLO_MQTT_WAIT=600"}, pipeFds[0]);
    ::close(pipeFds[0]);
    const std::string bytes = readText(frames);
    ASSERT_EQ(::write(pipeFds[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    const auto says = [&](const char* text) { return readText(dir.file("log.err")).find(text) != std::string::npos; };
    ASSERT_TRUE(waitFor([&] { return says("broker unreachable"); }, 10s)) << readText(dir.file("log.err"));

    log.signal(SIGTERM);
    ASSERT_TRUE(waitFor([&] { return says("waiting up to 600 s for the broker to take 40 readings"); }, 10s))
        << readText(dir.file("log.err"));
    EXPECT_TRUE(log.running());
    log.signal(SIGTERM);
    EXPECT_EQ(log.wait(10s), 1) << readText(dir.file("log.err"));
    ::close(pipeFds[1]);
    EXPECT_TRUE(says("40 readings not published: the broker did not take them")) << readText(dir.file("log.err"));
    EXPECT_EQ(tableRows(dir.file("run.xls")), 40u);  // saved before the wait
}

}  // namespace
}  // namespace tavolo::test

namespace tavolo::test {
namespace {

TEST(FeedStreamTest, WatchPrintsEveryMessageAsOneJsonLine)
{
    TestBroker broker;
    Watcher watch(broker, broker.url() + "/any/+/x");
    ASSERT_TRUE(watch.waitSubscribed("any/probe/x")) << watch.errors();
    const std::pair<std::string, json> cases[] = {
        {"{ \"a\" :\n [1, 2.5e3, null, true],\r\n \"b\": \"\\u00b5\" }", json::parse(R"({"a":[1,2.5e3,null,true],"b":"µ"})")},
        {"plain \"text\"\twith\nlines", "plain \"text\"\twith\nlines"},
        {"{\"unclosed\": 1", "{\"unclosed\": 1"},
        {"", ""},
    };
    int n = 0;
    for (const auto& [payload, expected] : cases) {
        const std::string topic = "any/" + std::to_string(++n) + "/x";
        ASSERT_EQ(runCommand("mosquitto_pub -h 127.0.0.1 -p " + std::to_string(broker.port()) + " -t " + topic +
                             " -q 1 -m " + shellQuote(payload)),
                  0);
        ASSERT_TRUE(waitFor([&] { return watch.messages(topic).size() == 1; }, 5s)) << topic;
        EXPECT_EQ(watch.messages(topic).front()["payload"], expected) << topic;
    }
    EXPECT_EQ(watch.stop(), 0);
    // Flushed line by line, each line whole.
    EXPECT_EQ(watch.lines().size(), static_cast<std::size_t>(n) + watch.messages("any/probe/x").size());
}

}  // namespace
}  // namespace tavolo::test
