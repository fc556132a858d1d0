#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "feed/feed_settings.h"

namespace tavolo::feed {
namespace {

struct UrlCase {
    const char* url;
    bool tls;
    const char* host;
    int port;
};

TEST(BrokerUrlTest, AcceptsHostsPortsAndSchemes)
{
    const UrlCase cases[] = {
        {"mqtt://127.0.0.1", false, "127.0.0.1", 1883},
        {"mqtt://broker.lan:1884", false, "broker.lan", 1884},
        {"mqtt://broker.lan/", false, "broker.lan", 1883},
        {"MQTTS://Broker.Lan", true, "Broker.Lan", 8883},
        {"mqtts://h:1", true, "h", 1},
        {"mqtt://h:65535", false, "h", 65535},
        {"mqtt://[::1]:1900", false, "::1", 1900},
        {"mqtts://[fe80::1]", true, "fe80::1", 8883},
    };
    for (const UrlCase& c : cases) {
        std::string error;
        const auto address = parseBrokerUrl(c.url, false, error);
        ASSERT_TRUE(address) << c.url << ": " << error;
        EXPECT_EQ(address->tls, c.tls) << c.url;
        EXPECT_EQ(address->host, c.host) << c.url;
        EXPECT_EQ(address->port, c.port) << c.url;
        EXPECT_TRUE(address->topic.empty());
    }
}

TEST(BrokerUrlTest, RefusesWithASentenceThatNamesTheFault)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", "must begin with mqtt:// or mqtts://"},
        {"tcp://h:1883", "must begin with mqtt:// or mqtts://"},
        {"mqtt:/h", "must begin with mqtt:// or mqtts://"},
        {"mqtt://", "no host name"},
        {"mqtt://:1883", "no host name"},
        {"mqtt://h:", "without a port number"},
        {"mqtt://h:0", "port '0' is not a number from 1 to 65535"},
        {"mqtt://h:65536", "not a number from 1 to 65535"},
        {"mqtt://h:12ab", "'12ab'"},
        {"mqtt://h:-1", "not a number"},
        {"mqtt://h/t", "cannot have a path"},
        {"mqtt://bad host", "'bad host' is not a valid host name"},
        {"mqtt://-h", "'-h' is not a valid host name"},
        {"mqtt://a..b", "'a..b' is not a valid host name"},
        {"mqtt://h?x=1", "cannot have a path"},
        {"mqtt://::1", "without brackets"},
        {"mqtt://[::1", "closing ']'"},
        {"mqtt://[::1]x", "not a port"},
        {"mqtt://[zz::1]", "invalid IPv6 address 'zz::1'"},
        {"mqtt://[1:2]", "invalid IPv6 address '1:2'"},
    };
    for (const auto& [url, expected] : cases) {
        std::string error;
        EXPECT_FALSE(parseBrokerUrl(url, false, error)) << url;
        EXPECT_NE(error.find(expected), std::string::npos) << url << " gave: " << error;
    }
}

TEST(BrokerUrlTest, CredentialsInTheUrlAreRefusedWithoutRepeatingThem)
{
    std::string error;
    EXPECT_FALSE(parseBrokerUrl("mqtt://user:s3cret@h:1883", false, error));
    EXPECT_NE(error.find("--mqtt-password-file"), std::string::npos);
    EXPECT_EQ(error.find("s3cret"), std::string::npos);
    EXPECT_EQ(error.find("user"), error.find("user name"));  // only in the advice
}

TEST(BrokerUrlTest, WatchUrlsCarryATopicFilter)
{
    std::string error;
    auto address = parseBrokerUrl("mqtt://127.0.0.1:1883/tavolo/bench3/COM1/reading", true, error);
    ASSERT_TRUE(address) << error;
    EXPECT_EQ(address->topic, "tavolo/bench3/COM1/reading");
    EXPECT_EQ(address->port, 1883);

    address = parseBrokerUrl("mqtt://h/tavolo/+/+/#", true, error);
    ASSERT_TRUE(address) << error;
    EXPECT_EQ(address->topic, "tavolo/+/+/#");

    const std::pair<const char*, const char*> bad[] = {
        {"mqtt://h", "needs a topic"},
        {"mqtt://h/", "needs a topic"},
        {"mqtt://h/a/#/b", "'#' only as its whole last level"},
        {"mqtt://h/a/b#", "'#' only as its whole last level"},
        {"mqtt://h/a+/b", "'+' only as a whole level"},
    };
    for (const auto& [url, expected] : bad) {
        EXPECT_FALSE(parseBrokerUrl(url, true, error)) << url;
        EXPECT_NE(error.find(expected), std::string::npos) << url << " gave: " << error;
    }
}

TEST(BrokerUrlTest, DisplayNeverHoldsMoreThanSchemeHostAndPort)
{
    std::string error;
    EXPECT_EQ(parseBrokerUrl("mqtts://h", false, error)->display(), "mqtts://h:8883");
    EXPECT_EQ(parseBrokerUrl("mqtt://[::1]:7", false, error)->display(), "mqtt://[::1]:7");
}

TEST(TopicTest, DefaultPrefixMakesEachLevelSafe)
{
    EXPECT_EQ(defaultPrefix("bench3", "COM1"), "tavolo/bench3/COM1");
    EXPECT_EQ(defaultPrefix("a+b#c", "/dev/ttyUSB0"), "tavolo/a_b_c/_dev_ttyUSB0");
    EXPECT_EQ(defaultPrefix("", ""), "tavolo/unknown/unknown");
    EXPECT_EQ(defaultPrefix(std::string("x\ny\0z", 5), "COM2"), "tavolo/x_y_z/COM2");
    std::string error;
    EXPECT_TRUE(validTopicName(defaultPrefix("+#/", "#"), error));
}

TEST(TopicTest, PublishTopicsHaveNoWildcards)
{
    std::string error;
    EXPECT_TRUE(validTopicName("lab/meter 1", error));
    EXPECT_FALSE(validTopicName("lab/+", error));
    EXPECT_FALSE(validTopicName("lab/#", error));
    EXPECT_FALSE(validTopicName("", error));
}

TEST(PasswordFileTest, FirstLineWithoutItsEndAndNeverInAnError)
{
    const std::string path = ::testing::TempDir() + "feed_password";
    const auto write = [&](const std::string& text) { std::ofstream(path, std::ios::binary) << text; };
    std::string error;

    write("pa ss\r\nsecond line\n");
    EXPECT_EQ(readPasswordFile(path, error).value_or("?"), "pa ss");
    write("only");
    EXPECT_EQ(readPasswordFile(path, error).value_or("?"), "only");
    write("\nhidden-on-line-two\n");
    EXPECT_FALSE(readPasswordFile(path, error));
    EXPECT_NE(error.find("no password"), std::string::npos);
    EXPECT_EQ(error.find("hidden-on-line-two"), std::string::npos);
    std::remove(path.c_str());
    EXPECT_FALSE(readPasswordFile(path, error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
}

}  // namespace
}  // namespace tavolo::feed
