#pragma once

#include <QString>

#include <optional>

#include "app/publish/publish_settings.h"
#include "feed/feed_settings.h"

// From the "Publish readings" dialog's settings to the live feed's. GUI thread.
namespace tavolo {

// The feed's settings for `settings` on the port `portName` ("COM1", "USB"):
// the address as the feed reads it, the prefix (or "tavolo/<hostname>/<port>"
// when empty), QoS, user, the password typed or read from its file, and the
// TLS files. Nothing, with `error` set for the user, when the address is bad or
// the password file cannot be read; the error never holds the password.
std::optional<feed::FeedSettings> feedSettingsFrom(const PublishSettings& settings, const QString& portName,
                                                   QString* error = nullptr);

}  // namespace tavolo
