#include "mqtt_options.h"

#include <cstdlib>

#include "cli_args.h"

namespace tavolo::cli {
namespace {

// A whole number of seconds from the environment, or `fallback`.
int environmentSeconds(const char* name, int min, int max, int fallback)
{
    const char* text = std::getenv(name);
    if (!text)
        return fallback;
    const auto value = parseWholeNumber(text, min, max);
    return value ? static_cast<int>(*value) : fallback;
}

}  // namespace

int takeMqttOption(int argc, char** argv, int& i, MqttOptions& options, bool withPrefix, std::string& error)
{
    const std::string arg = argv[i];
    std::string* target = nullptr;
    if (arg == "--mqtt-prefix" && withPrefix) {
        options.prefix.emplace();
        target = &*options.prefix;
    } else if (arg == "--mqtt-user") {
        target = &options.user;
    } else if (arg == "--mqtt-password-file") {
        target = &options.passwordFile;
    } else if (arg == "--mqtt-cafile") {
        target = &options.caFile;
    } else if (arg == "--mqtt-cert") {
        target = &options.certFile;
    } else if (arg == "--mqtt-key") {
        target = &options.keyFile;
    } else if (arg != "--mqtt-qos") {
        return 0;
    }
    if (i + 1 >= argc) {
        error = arg + " needs a value";
        return -1;
    }
    const std::string value = argv[++i];
    if (target) {
        *target = value;
        return 1;
    }
    const auto qos = parseWholeNumber(value, 0, 1);
    if (!qos) {
        error = "--mqtt-qos takes 0 or 1";
        return -1;
    }
    options.qos = static_cast<int>(*qos);
    return 1;
}

std::optional<feed::FeedSettings> feedSettings(const MqttOptions& options, bool withTopic,
                                               const std::string& portName, std::string& error)
{
    feed::FeedSettings settings;
    const auto broker = feed::parseBrokerUrl(options.url, withTopic, error);
    if (!broker)
        return std::nullopt;
    settings.broker = *broker;
    settings.prefix = options.prefix ? *options.prefix : feed::defaultPrefix(feed::localHostName(), portName);
    std::string topicError;
    if (!withTopic && !feed::validTopicName(settings.prefix, topicError)) {
        error = "the topic prefix '" + settings.prefix + "' " + topicError;
        return std::nullopt;
    }
    settings.qos = options.qos.value_or(1);
    settings.user = options.user;
    if (!options.passwordFile.empty()) {
        if (options.user.empty()) {
            error = "--mqtt-password-file needs --mqtt-user";
            return std::nullopt;
        }
        const auto password = feed::readPasswordFile(options.passwordFile, error);
        if (!password)
            return std::nullopt;
        settings.password = *password;
    }
    const bool anyTls = !options.caFile.empty() || !options.certFile.empty() || !options.keyFile.empty();
    if (anyTls && !settings.broker.tls) {
        error = "--mqtt-cafile, --mqtt-cert and --mqtt-key need an mqtts:// URL";
        return std::nullopt;
    }
    if (options.certFile.empty() != options.keyFile.empty()) {
        error = "--mqtt-cert and --mqtt-key go together";
        return std::nullopt;
    }
    settings.caFile = options.caFile;
    settings.certFile = options.certFile;
    settings.keyFile = options.keyFile;
    settings.keepaliveSeconds = environmentSeconds("TAVOLO_MQTT_KEEPALIVE", 5, 65535, 30);
    return settings;
}

int deliveryWaitSeconds()
{
    return environmentSeconds("TAVOLO_MQTT_WAIT", 0, 86400, 60);
}

}  // namespace tavolo::cli
