#pragma once

#include <QString>

#include <optional>

// What the "Publish readings" dialog sets: where the live readings go (an MQTT
// broker) and how the program signs in. A plain value; the store keeps it
// between runs (publish_settings_store.h), the dialog edits it.
namespace tavolo {

enum class PasswordSource { None, File, Typed };

struct PublishSettings {
    bool enabled = false;
    // "mqtt://host[:port]" or "mqtts://host[:port]" (TLS); ports default to 1883 and 8883.
    QString url;
    // Topic prefix; empty means the default, "tavolo/<hostname>/<port>".
    QString prefix;
    int qos = 0;  // 0 or 1
    QString userName;
    PasswordSource passwordSource = PasswordSource::None;
    QString passwordFile;  // PasswordSource::File: a file holding the password
    // PasswordSource::Typed: the password itself. Kept on disk only when
    // rememberPassword is set, and then only in the user's own password file.
    QString password;
    bool rememberPassword = false;
    QString caFile;    // certificate authorities for mqtts:// (empty: the system's)
    QString certFile;  // client certificate and its key, both or neither
    QString keyFile;

    friend bool operator==(const PublishSettings&, const PublishSettings&) = default;
};

// The broker address taken apart (the feed's parser decides; see
// feed/broker_url.h), with the host as the dialog shows it.
struct BrokerAddress {
    bool tls = false;
    QString host;  // without the brackets of an IPv6 literal
    int port = 0;
};

// "tavolo/<hostName>/<portName>", e.g. "tavolo/bench3/COM1".
QString defaultTopicPrefix(const QString& hostName, const QString& portName);

// Reads "mqtt://host[:port]" or "mqtts://host[:port]" with blanks around it
// allowed, accepting exactly what the feed accepts. On failure `error` says
// what is wrong, in the dialog's words.
std::optional<BrokerAddress> parseBrokerUrl(const QString& url, QString* error = nullptr);

// Everything the dialog checks before OK: the address (required when
// publishing is on), the topic prefix, the QoS, the password file, the TLS files.
// Empty when all is well, otherwise the first problem, for the user. Never
// mentions the password itself.
QString validatePublishSettings(const PublishSettings& settings);

}  // namespace tavolo
