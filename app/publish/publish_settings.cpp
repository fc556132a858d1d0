#include "app/publish/publish_settings.h"

#include <arpa/inet.h>

#include <QByteArray>
#include <QList>

namespace tavolo {
namespace {

bool isHostNameLabel(QStringView label)
{
    if (label.isEmpty() || label.size() > 63 || label.front() == u'-' || label.back() == u'-')
        return false;
    for (const QChar c : label)
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && c != u'-' && c != u'_')
            return false;
    return true;
}

bool isHostName(const QString& host)
{
    if (host.size() > 253)
        return false;
    QStringView rest(host);
    if (rest.endsWith(u'.'))
        rest.chop(1);  // the root's dot
    for (const QStringView label : rest.split(u'.'))
        if (!isHostNameLabel(label))
            return false;
    return true;
}

std::optional<BrokerAddress> fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return std::nullopt;
}

}  // namespace

QString defaultTopicPrefix(const QString& hostName, const QString& portName)
{
    return QStringLiteral("tavolo/%1/%2").arg(hostName, portName);
}

std::optional<BrokerAddress> parseBrokerUrl(const QString& url, QString* error)
{
    const QString text = url.trimmed();
    if (text.isEmpty())
        return fail(error, QStringLiteral("Enter the broker's address, for example mqtt://localhost:1883."));
    BrokerAddress address;
    QStringView rest(text);
    if (rest.startsWith(u"mqtt://", Qt::CaseInsensitive)) {
        rest = rest.mid(7);
    } else if (rest.startsWith(u"mqtts://", Qt::CaseInsensitive)) {
        address.tls = true;
        rest = rest.mid(8);
    } else {
        return fail(error, QStringLiteral("The broker's address must start with mqtt:// or mqtts://."));
    }
    if (rest.endsWith(u'/'))
        rest.chop(1);
    if (rest.contains(u'@'))
        return fail(error, QStringLiteral("Give the user name and password in their own fields, not in the "
                                          "broker's address."));
    if (rest.contains(u'/') || rest.contains(u'?') || rest.contains(u'#'))
        return fail(error, QStringLiteral("The broker's address takes no path; give the topic prefix in its "
                                          "own field."));

    QStringView portText;
    bool portGiven = false;
    if (rest.startsWith(u'[')) {
        const qsizetype close = rest.indexOf(u']');
        if (close < 0)
            return fail(error, QStringLiteral("The IPv6 address in the broker's address lacks its \"]\"."));
        address.host = rest.mid(1, close - 1).toString();
        const QStringView after = rest.mid(close + 1);
        if (!after.isEmpty() && !after.startsWith(u':'))
            return fail(error, QStringLiteral("Only a port may follow the host in the broker's address."));
        portGiven = !after.isEmpty();
        portText = after.mid(portGiven ? 1 : 0);
        in6_addr ip{};
        if (::inet_pton(AF_INET6, address.host.toLatin1().constData(), &ip) != 1)
            return fail(error, QStringLiteral("\"%1\" is not an IPv6 address.").arg(address.host));
    } else {
        const qsizetype colon = rest.lastIndexOf(u':');
        if (colon >= 0 && rest.indexOf(u':') != colon)
            return fail(error, QStringLiteral("Write an IPv6 address in brackets, for example mqtt://[::1]:1883."));
        portGiven = colon >= 0;
        address.host = (portGiven ? rest.left(colon) : rest).toString();
        if (portGiven)
            portText = rest.mid(colon + 1);
        if (address.host.isEmpty())
            return fail(error, QStringLiteral("The broker's address has no host name."));
        if (!isHostName(address.host))
            return fail(error, QStringLiteral("\"%1\" is not a valid host name.").arg(address.host));
    }
    if (!portGiven) {
        address.port = address.tls ? kMqttsPort : kMqttPort;
        return address;
    }
    bool number = !portText.isEmpty();
    for (const QChar c : portText)
        number = number && c >= u'0' && c <= u'9';
    const int port = number && portText.size() <= 5 ? portText.toInt() : 0;
    if (port < 1 || port > 65535)
        return fail(error, QStringLiteral("The port must be a number from 1 to 65535."));
    address.port = port;
    return address;
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
