#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <string_view>

#include "feed/feed_settings.h"
#include "feed/feed_status.h"

struct mosquitto;
struct mosquitto_message;
typedef struct mqtt5__property mosquitto_property;

namespace tavolo::feed {

// Receives the messages of one topic filter (settings.broker.topic) on the
// calling thread, for `tavolo-cli watch`. Reconnects by the same schedule as
// the publisher. Its session outlives a broken link (MQTT v5, clean start off,
// a client id of its own, expiry 5 minutes; ended on a clean stop), so
// messages published while it reconnects wait for it at the broker — also
// across a broker restart when the broker keeps its sessions (persistence).
class MqttSubscriber {
public:
    using MessageHandler = std::function<void(std::string_view topic, std::string_view payload, bool retained)>;
    using StatusHandler = std::function<void(const FeedStatus&)>;

    MqttSubscriber(FeedSettings settings, MessageHandler onMessage, StatusHandler onStatus);

    // Until `stop` is set (checked every 100 ms). False when the broker
    // refused the subscription itself (the reason went to onStatus).
    bool run(const std::atomic<bool>& stop);

private:
    static void onConnect(mosquitto*, void* self, int rc, int flags, const mosquitto_property*);
    static void onSubscribe(mosquitto*, void* self, int mid, int count, const int* granted, const mosquitto_property*);
    static void onMessage(mosquitto*, void* self, const mosquitto_message* message, const mosquitto_property*);
    void setState(FeedState state, std::string reason = {}, int retryIn = 0);

    FeedSettings m_settings;
    MessageHandler m_onMessage;
    StatusHandler m_onStatus;
    FeedStatus m_status;
    int m_connackRefusal = -1;
    bool m_subscriptionRefused = false;
    bool m_accepted = false;
};

}  // namespace tavolo::feed
