#include "app/publish/publish_feed.h"

namespace tavolo {

std::optional<feed::FeedSettings> feedSettingsFrom(const PublishSettings& settings, const QString& portName,
                                                   QString* error)
{
    const auto fail = [&](const std::string& why) -> std::optional<feed::FeedSettings> {
        if (error)
            *error = QString::fromStdString(why);
        return std::nullopt;
    };
    std::string why;
    const auto broker = feed::parseBrokerUrl(settings.url.trimmed().toStdString(), false, why);
    if (!broker)
        return fail("The broker address is not usable: " + why + ".");
    feed::FeedSettings result;
    result.broker = *broker;
    result.prefix = settings.prefix.isEmpty()
                        ? feed::defaultPrefix(feed::localHostName(), portName.toStdString())
                        : settings.prefix.toStdString();
    result.qos = settings.qos == 0 ? 0 : 1;
    result.user = settings.userName.toStdString();
    if (settings.passwordSource == PasswordSource::Typed) {
        result.password = settings.password.toStdString();
    } else if (settings.passwordSource == PasswordSource::File) {
        const auto password = feed::readPasswordFile(settings.passwordFile.toStdString(), why);
        if (!password)
            return fail("The password cannot be read: " + why + ".");
        result.password = *password;
    }
    result.caFile = settings.caFile.toStdString();
    result.certFile = settings.certFile.toStdString();
    result.keyFile = settings.keyFile.toStdString();
    return result;
}

}  // namespace tavolo
