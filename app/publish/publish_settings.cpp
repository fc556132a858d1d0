#include "app/publish/publish_settings.h"

#include "feed/broker_url.h"

namespace tavolo {
namespace {

QString dialogText(const feed::BrokerUrlError& why)
{
    const QString detail = QString::fromStdString(why.detail);
    switch (why.fault) {
    case feed::BrokerUrlFault::Scheme:
        return QStringLiteral("The broker's address must start with mqtt:// or mqtts://.");
    case feed::BrokerUrlFault::Credentials:
        return QStringLiteral("Give the user name and password in their own fields, not in the broker's address.");
    case feed::BrokerUrlFault::Path:
    case feed::BrokerUrlFault::NoTopic:  // not asked for by the dialog
    case feed::BrokerUrlFault::BadTopic:
        return QStringLiteral("The broker's address takes no path; give the topic prefix in its own field.");
    case feed::BrokerUrlFault::NoHost:
        return QStringLiteral("The broker's address has no host name.");
    case feed::BrokerUrlFault::BadHost:
        return QStringLiteral("\"%1\" is not a valid host name.").arg(detail);
    case feed::BrokerUrlFault::BareIpv6:
        return QStringLiteral("Write an IPv6 address in brackets, for example mqtt://[::1]:1883.");
    case feed::BrokerUrlFault::Ipv6Unclosed:
        return QStringLiteral("The IPv6 address in the broker's address lacks its \"]\".");
    case feed::BrokerUrlFault::AfterIpv6:
        return QStringLiteral("Only a port may follow the host in the broker's address.");
    case feed::BrokerUrlFault::BadIpv6:
        return QStringLiteral("\"%1\" is not an IPv6 address.").arg(detail);
    case feed::BrokerUrlFault::NoPort:
    case feed::BrokerUrlFault::BadPort:
        return QStringLiteral("The port must be a number from 1 to 65535.");
    }
    return QStringLiteral("The broker's address is not usable.");
}

}  // namespace

QString defaultTopicPrefix(const QString& hostName, const QString& portName)
{
    return QStringLiteral("tavolo/%1/%2").arg(hostName, portName);
}

std::optional<BrokerAddress> parseBrokerUrl(const QString& url, QString* error)
{
    const QString text = url.trimmed();
    const auto refuse = [error](const QString& why) -> std::optional<BrokerAddress> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (text.isEmpty())
        return refuse(QStringLiteral("Enter the broker's address, for example mqtt://localhost:1883."));
    feed::BrokerUrlError why;
    const auto address = feed::parseBrokerUrl(text.toStdString(), false, why);
    if (!address)
        return refuse(dialogText(why));
    return BrokerAddress{address->tls, QString::fromStdString(address->host), address->port};
}

QString validatePublishSettings(const PublishSettings& settings)
{
    QString error;
    std::optional<BrokerAddress> address;
    if (settings.enabled || !settings.url.trimmed().isEmpty()) {
        address = parseBrokerUrl(settings.url, &error);
        if (!address)
            return error;
    }
    if (settings.prefix.contains(u'+') || settings.prefix.contains(u'#'))
        return QStringLiteral("The topic prefix cannot hold the wildcards + or #.");
    if (settings.prefix.contains(QChar(0)))
        return QStringLiteral("The topic prefix cannot hold a NUL character.");
    if (settings.qos != 0 && settings.qos != 1)
        return QStringLiteral("The quality of service must be 0 or 1.");
    if (settings.passwordSource == PasswordSource::File && settings.passwordFile.trimmed().isEmpty())
        return QStringLiteral("Choose the file that holds the password.");
    if (settings.passwordSource != PasswordSource::None && settings.userName.isEmpty())
        return QStringLiteral("A password needs a user name.");
    if (settings.certFile.isEmpty() != settings.keyFile.isEmpty())
        return QStringLiteral("Give both the client certificate and its key, or neither.");
    const bool tlsFiles = !settings.caFile.isEmpty() || !settings.certFile.isEmpty();
    if (tlsFiles && address && !address->tls)
        return QStringLiteral("Certificate files are used only with an mqtts:// address.");
    return {};
}

}  // namespace tavolo
