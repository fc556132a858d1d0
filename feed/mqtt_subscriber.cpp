#include "feed/mqtt_subscriber.h"

#include <mosquitto.h>
#include <mqtt_protocol.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "feed/mqtt_client.h"
#include "feed/retry_schedule.h"

namespace tavolo::feed {
namespace {

constexpr int kSessionExpirySeconds = 300;

MqttSubscriber* self(void* userdata)
{
    return static_cast<MqttSubscriber*>(userdata);
}

// Sleeps `delay`, or less when a stop is asked.
void pause(std::chrono::milliseconds delay, const std::atomic<bool>& stop)
{
    const auto until = std::chrono::steady_clock::now() + delay;
    while (!stop.load() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

}  // namespace

MqttSubscriber::MqttSubscriber(FeedSettings settings, MessageHandler onMessage, StatusHandler onStatus)
    : m_settings(std::move(settings)), m_onMessage(std::move(onMessage)), m_onStatus(std::move(onStatus))
{
    m_status.broker = m_settings.broker.display();
}

void MqttSubscriber::setState(FeedState state, std::string reason, int retryIn)
{
    m_status.state = state;
    m_status.reason = std::move(reason);
    m_status.retryInSeconds = retryIn;
    if (m_onStatus)
        m_onStatus(m_status);
}

bool MqttSubscriber::run(const std::atomic<bool>& stop)
{
    std::string error;
    const std::string clientId = "tavolo-watch-" + topicLevel(localHostName()) + "-" + std::to_string(::getpid());
    ClientHandle client = makeClient(m_settings, clientId, false, this, error);
    if (!client) {
        setState(FeedState::Refused, error);
        return false;
    }
    mosquitto_connect_v5_callback_set(client.get(), onConnect);
    mosquitto_subscribe_v5_callback_set(client.get(), onSubscribe);
    mosquitto_message_v5_callback_set(client.get(), onMessage);
    mosquitto_property* properties = nullptr;
    mosquitto_property_add_int32(&properties, MQTT_PROP_SESSION_EXPIRY_INTERVAL, kSessionExpirySeconds);

    unsigned failures = 0;
    bool ok = true;
    while (!stop.load()) {
        setState(FeedState::Connecting);
        m_connackRefusal = -1;
        m_accepted = false;
        errno = 0;
        int rc = mosquitto_connect_bind_v5(client.get(), m_settings.broker.host.c_str(), m_settings.broker.port,
                                           m_settings.keepaliveSeconds, nullptr, properties);
        int savedErrno = errno;
        while (rc == MOSQ_ERR_SUCCESS && !stop.load() && m_connackRefusal < 0 && !m_subscriptionRefused) {
            errno = 0;
            rc = mosquitto_loop(client.get(), 100, 1);
            savedErrno = errno;
        }
        if (m_subscriptionRefused) {
            ok = false;
            break;
        }
        if (stop.load())
            break;
        if (m_accepted)
            failures = 0;
        const std::chrono::seconds delay = retryDelay(failures++);
        if (m_connackRefusal >= 0) {
            setState(FeedState::Refused, connackRefusalText(m_connackRefusal, !m_settings.user.empty()), static_cast<int>(delay.count()));
        } else {
            std::string reason = linkFailureText(rc, savedErrno, m_settings.broker);
            setState(lastFailureWasCertificate() ? FeedState::Refused : FeedState::Retrying, std::move(reason),
                     static_cast<int>(delay.count()));
        }
        mosquitto_disconnect(client.get());
        pause(delay, stop);
    }
    // A clean end: the session ends with us (expiry 0 in the DISCONNECT).
    mosquitto_property* bye = nullptr;
    mosquitto_property_add_int32(&bye, MQTT_PROP_SESSION_EXPIRY_INTERVAL, 0);
    if (mosquitto_disconnect_v5(client.get(), MQTT_RC_NORMAL_DISCONNECTION, bye) == MOSQ_ERR_SUCCESS)
        mosquitto_loop(client.get(), 100, 1);
    mosquitto_property_free_all(&bye);
    mosquitto_property_free_all(&properties);
    if (ok)
        setState(FeedState::Stopped);
    return ok;
}

void MqttSubscriber::onConnect(mosquitto* client, void* userdata, int rc, int flags, const mosquitto_property*)
{
    MqttSubscriber* s = self(userdata);
    if (rc != 0) {
        s->m_connackRefusal = rc;
        return;
    }
    s->m_accepted = true;
    s->setState(FeedState::Connected);
    // A session the broker kept still has the subscription.
    if ((flags & 1) == 0)
        mosquitto_subscribe_v5(client, nullptr, s->m_settings.broker.topic.c_str(), s->m_settings.qos,
                               MQTT_SUB_OPT_SEND_RETAIN_NEW, nullptr);
}

void MqttSubscriber::onSubscribe(mosquitto*, void* userdata, int, int count, const int* granted,
                                 const mosquitto_property*)
{
    MqttSubscriber* s = self(userdata);
    for (int i = 0; i < count; ++i)
        if (granted[i] >= 0x80) {
            s->m_subscriptionRefused = true;
            s->setState(FeedState::Refused, granted[i] == MQTT_RC_NOT_AUTHORIZED
                                                ? std::string("not authorised to subscribe to this topic")
                                                : std::string("subscription refused: ") +
                                                      mosquitto_reason_string(granted[i]));
        }
}

void MqttSubscriber::onMessage(mosquitto*, void* userdata, const mosquitto_message* message, const mosquitto_property*)
{
    MqttSubscriber* s = self(userdata);
    if (s->m_onMessage)
        s->m_onMessage(message->topic,
                       std::string_view(static_cast<const char*>(message->payload),
                                        static_cast<std::size_t>(message->payloadlen)),
                       message->retain);
}

}  // namespace tavolo::feed
