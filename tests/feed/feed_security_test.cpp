// The live feed against a broker that checks who we are and what we may do:
// passwords, an ACL, TLS certificates; and the last will when the program vanishes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>

#include "feed_test_support.h"

namespace tavolo::test {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

const std::string kCapture = TAVOLO_SAMPLE_CAPTURE;  // 30 readings
constexpr const char* kPassword = "s3cret-Pw";

struct LogRun {
    int status = -1;
    std::string err;
};

LogRun runLog(const TestBroker& broker, const std::string& name, const std::vector<std::string>& extra,
              const std::string& url = {}, int waitSeconds = 20)
{
    std::vector<std::string> argv{kCli, "log", "--input", kCapture, "--mqtt", url.empty() ? broker.url() : url,
                                  "--mqtt-prefix", "lab/m1", "--out", broker.dir().file(name + ".xls")};
    argv.insert(argv.end(), extra.begin(), extra.end());
    ChildProcess log(argv, broker.dir().file(name + ".out"), broker.dir().file(name + ".err"),
                     {"TAVOLO_MQTT_WAIT=" + std::to_string(waitSeconds)});
    LogRun run;
    run.status = log.wait(60s).value_or(-1);
    run.err = readText(broker.dir().file(name + ".err"));
    return run;
}

// A password file for user "tavolo", made by mosquitto_passwd.
std::string makePasswordFile(const ScratchDir& dir)
{
    const std::string path = dir.file("passwords");
    EXPECT_EQ(runCommand("mosquitto_passwd -b -c " + shellQuote(path) + " tavolo " + kPassword), 0);
    std::ofstream(dir.file("right")) << kPassword << "\n";
    std::ofstream(dir.file("wrong")) << "not-" << kPassword << "\n";
    return path;
}

TEST(FeedSecurityTest, PasswordRightAndWrong)
{
    ScratchDir secrets;
    BrokerConfig config;
    config.passwordFile = makePasswordFile(secrets);
    TestBroker broker(config);
    Watcher watch(broker, broker.url() + "/lab/#",
                  {"--mqtt-user", "tavolo", "--mqtt-password-file", secrets.file("right")});
    ASSERT_TRUE(watch.waitSubscribed("lab/probe", {"-u", "tavolo", "-P", kPassword})) << watch.errors();

    const LogRun right =
        runLog(broker, "right", {"--mqtt-user", "tavolo", "--mqtt-password-file", secrets.file("right")});
    EXPECT_EQ(right.status, 0) << right.err;
    EXPECT_NE(right.err.find("30 readings published"), std::string::npos) << right.err;
    EXPECT_TRUE(waitFor([&] { return watch.messages("lab/m1/reading").size() == 30; }, 10s));

    const LogRun wrong =
        runLog(broker, "wrong", {"--mqtt-user", "tavolo", "--mqtt-password-file", secrets.file("wrong")});
    EXPECT_EQ(wrong.status, 1) << wrong.err;
    EXPECT_NE(wrong.err.find("MQTT: refused by " + broker.url() + ": bad user name or password"), std::string::npos)
        << wrong.err;
    EXPECT_NE(wrong.err.find("30 readings not published"), std::string::npos) << wrong.err;
    // The table is saved whatever the broker said.
    EXPECT_FALSE(readText(broker.dir().file("wrong.xls")).empty());

    const LogRun anonymous = runLog(broker, "anonymous", {});
    EXPECT_EQ(anonymous.status, 1);
    EXPECT_NE(anonymous.err.find("not authorised (does the broker want a user name? --mqtt-user)"), std::string::npos)
        << anonymous.err;

    for (const std::string& err : {right.err, wrong.err, anonymous.err, watch.errors()})
        EXPECT_EQ(err.find(kPassword), std::string::npos) << "a password in the messages: " << err;
}

TEST(FeedSecurityTest, TopicTheAclForbidsIsReportedAsRefused)
{
    ScratchDir secrets;
    const std::string acl = secrets.file("acl");
    std::ofstream(acl) << "user tavolo\ntopic read lab/#\ntopic readwrite own/#\n";
    BrokerConfig config;
    config.passwordFile = makePasswordFile(secrets);
    config.aclFile = acl;
    TestBroker broker(config);
    const std::vector<std::string> login{"--mqtt-user", "tavolo", "--mqtt-password-file", secrets.file("right")};

    const LogRun forbidden = runLog(broker, "forbidden", login);
    EXPECT_EQ(forbidden.status, 1) << forbidden.err;
    EXPECT_NE(forbidden.err.find("the broker refused 30 readings: not authorised to publish on this topic"),
              std::string::npos)
        << forbidden.err;

    std::vector<std::string> allowed = login;
    allowed.insert(allowed.end(), {"--mqtt-prefix", "own/m1"});
    const LogRun own = runLog(broker, "own", allowed);
    EXPECT_EQ(own.status, 0) << own.err;
}

// A CA, and a broker certificate it signs for `san` ("IP:127.0.0.1", "DNS:localhost").
void makeCertificates(const ScratchDir& dir, const std::string& ca, const std::vector<std::string>& servers)
{
    const auto run = [&](const std::string& command) {
        ASSERT_EQ(runCommand("cd " + shellQuote(dir.path()) + " && " + command + " >>openssl.log 2>&1"), 0)
            << command << "\n" << readText(dir.file("openssl.log"));
    };
    const std::string key = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
    run("openssl req -x509 " + key + " -keyout " + ca + ".key -out " + ca + ".crt -days 2 -subj '/CN=Test " + ca + "'");
    for (const std::string& server : servers) {
        const std::string name = server.substr(0, server.find('='));
        const std::string san = server.substr(server.find('=') + 1);
        run("openssl req " + key + " -keyout " + name + ".key -out " + name + ".csr -subj /CN=" + name);
        std::ofstream(dir.file(name + ".ext")) << "subjectAltName=" << san << "\nbasicConstraints=CA:FALSE\n";
        run("openssl x509 -req -in " + name + ".csr -CA " + ca + ".crt -CAkey " + ca + ".key -CAcreateserial -out " +
            name + ".crt -days 2 -extfile " + name + ".ext");
    }
}

TEST(FeedSecurityTest, TlsTrustedUntrustedAndWrongHostName)
{
    ScratchDir pki;
    makeCertificates(pki, "ca", {"ip=IP:127.0.0.1", "named=DNS:localhost"});
    makeCertificates(pki, "other", {});
    const auto tlsBroker = [&](const std::string& server) {
        return BrokerConfig{{}, {}, pki.file("ca.crt"), pki.file(server + ".crt"), pki.file(server + ".key")};
    };
    TestBroker ipBroker(tlsBroker("ip"));
    TestBroker namedBroker(tlsBroker("named"));

    struct Case {
        const char* name;
        TestBroker* broker;
        std::string cafile;
        int status;
        const char* says;
    };
    const Case cases[] = {
        {"trusted", &ipBroker, pki.file("ca.crt"), 0, "30 readings published"},
        {"untrusted", &ipBroker, pki.file("other.crt"), 1, "the broker's certificate is not trusted"},
        {"host", &namedBroker, pki.file("ca.crt"), 1,
         "the broker's certificate is not made out for '127.0.0.1' (host name mismatch)"},
    };
    for (const Case& c : cases) {
        const LogRun run = runLog(*c.broker, c.name, {"--mqtt-cafile", c.cafile});
        EXPECT_EQ(run.status, c.status) << c.name << "\n" << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << c.name << "\n" << run.err;
    }
    // Plain MQTT against a TLS port is no silent success either.
    const LogRun plain = runLog(ipBroker, "plain", {}, "mqtt://127.0.0.1:" + std::to_string(ipBroker.port()), 3);
    EXPECT_EQ(plain.status, 1) << plain.err;
    EXPECT_NE(plain.err.find("closed the connection before answering (a TLS port? use mqtts://)"), std::string::npos)
        << plain.err;
    EXPECT_NE(plain.err.find("did not take them within 3 s"), std::string::npos) << plain.err;
}

TEST(FeedSecurityTest, StatusGoesOfflineOnACleanStopAndThroughTheLastWill)
{
    TestBroker broker;
    Watcher watch(broker, broker.url() + "/lab/#");
    ASSERT_TRUE(watch.waitSubscribed("lab/probe")) << watch.errors();
    const auto lastState = [&] {
        const auto status = watch.messages("lab/m1/status");
        return status.empty() ? std::string() : status.back()["payload"]["state"].get<std::string>();
    };

    struct Case {
        int sig;
        std::chrono::seconds within;  // SIGKILL: the broker notices after 1.5 keepalives (5 s)
    };
    for (const Case c : {Case{SIGTERM, 3s}, Case{SIGKILL, 12s}}) {
        // A logger that waits on standard input, as on a quiet port.
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        ChildProcess log({kCli, "log", "--input", "-", "--mqtt", broker.url(), "--mqtt-prefix", "lab/m1"},
                         broker.dir().file("will.out"), broker.dir().file("will.err"), {"TAVOLO_MQTT_KEEPALIVE=5"},
                         pipeFds[0]);
        ::close(pipeFds[0]);
        ASSERT_TRUE(waitFor([&] { return lastState() == "online"; }, 10s)) << readText(broker.dir().file("will.err"));
        const auto killedAt = std::chrono::steady_clock::now();
        log.signal(c.sig);
        EXPECT_TRUE(waitFor([&] { return lastState() == "offline"; }, c.within)) << "signal " << c.sig;
        const auto took = std::chrono::steady_clock::now() - killedAt;
        std::cout << "signal " << c.sig << ": offline after "
                  << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms\n";
        log.wait(10s);
        ::close(pipeFds[1]);
    }
    // Retained: a newcomer learns the program is gone.
    const std::string retained = broker.dir().file("retained.out");
    EXPECT_EQ(runCommand("mosquitto_sub -h 127.0.0.1 -p " + std::to_string(broker.port()) +
                         " -t lab/m1/status -C 1 -W 5 > " + shellQuote(retained)),
              0);
    EXPECT_EQ(json::parse(readText(retained)), json({{"state", "offline"}}));
}

}  // namespace
}  // namespace tavolo::test
