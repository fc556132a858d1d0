#include "feed/mqtt_publisher.h"

#include <mosquitto.h>
#include <mqtt_protocol.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "feed/feed_payload.h"
#include "feed/mqtt_client.h"
#include "feed/retry_schedule.h"
#include "tavolo_version.h"

namespace tavolo::feed {
namespace {

// Readings handed to the library and not yet acknowledged. The broker takes
// 20 at a time by default (its receive maximum); the library holds the rest
// back, so a few more keep the link busy without filling its own queue.
constexpr std::size_t kWindow = 64;
// A dropped count is announced in the status at most this often.
constexpr auto kStatusInterval = std::chrono::seconds(1);
// The poll wakes at least this often for keepalive pings and timeouts.
constexpr int kPollMs = 250;
// A broker that has not accepted the connection by then counts as unreachable
// (a host that drops packets would leave the attempt hanging).
constexpr auto kConnectTimeout = std::chrono::seconds(10);

MqttPublisher* self(void* userdata)
{
    return static_cast<MqttPublisher*>(userdata);
}

}  // namespace

MqttPublisher::MqttPublisher(FeedSettings settings, StatusInfo info, StatusCallback onStatus)
    : m_settings(std::move(settings)),
      m_readingTopic(m_settings.prefix + "/reading"),
      m_statusTopic(m_settings.prefix + "/status"),
      m_onStatus(std::move(onStatus)),
      m_wakeFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
      m_queue(m_settings.queueCapacity),
      m_info(std::move(info))
{
    m_status.broker = m_settings.broker.display();
    // The feed's thread takes no signals: a Ctrl+C must reach the program's
    // own threads (interrupting their blocking reads), not this one. It
    // inherits the mask it is started with.
    sigset_t all;
    sigset_t before;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &before);
    m_thread = std::thread([this] { run(); });
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

MqttPublisher::~MqttPublisher()
{
    stop();
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void MqttPublisher::publish(const FeedReading& reading)
{
    bool wakeNow = false;
    {
        std::lock_guard lock(m_mutex);
        m_queue.push(QueuedReading{m_nextSeq++, reading});
        if (!m_wakePending) {
            m_wakePending = true;
            wakeNow = true;
        }
    }
    if (wakeNow)
        wake();
}

FeedStatus MqttPublisher::status() const
{
    std::lock_guard lock(m_mutex);
    FeedStatus copy = m_status;
    copy.dropped = m_queue.dropped();
    copy.waiting = m_queue.size() + m_inFlight.size();
    return copy;
}

void MqttPublisher::setStatusInfo(const StatusInfo& info)
{
    {
        std::lock_guard lock(m_mutex);
        m_info = info;
        m_statusDirty = true;
    }
    wake();
}

MqttPublisher::Delivery MqttPublisher::waitDelivered(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    Delivery result = Delivery::TimedOut;
    m_changed.wait_for(lock, timeout, [&] {
        if (m_queue.empty() && m_inFlight.empty()) {
            result = Delivery::Delivered;
            return true;
        }
        if (m_connectionRefused) {
            result = Delivery::Refused;
            return true;
        }
        return m_stopping;
    });
    return result;
}

void MqttPublisher::stop(std::chrono::milliseconds grace)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_stopping) {
            m_stopping = true;
            m_grace = grace;
        }
    }
    m_changed.notify_all();
    wake();
    std::lock_guard join(m_joinMutex);
    if (m_thread.joinable())
        m_thread.join();
}

void MqttPublisher::wake()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
}

void MqttPublisher::drainWakeups()
{
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = ::read(m_wakeFd, &count, sizeof count);
    std::lock_guard lock(m_mutex);
    m_wakePending = false;
}

void MqttPublisher::report()
{
    if (m_onStatus)
        m_onStatus(status());
}

void MqttPublisher::setState(FeedState state, std::string reason, int retryIn)
{
    {
        std::lock_guard lock(m_mutex);
        m_status.state = state;
        m_status.reason = std::move(reason);
        m_status.retryInSeconds = retryIn;
    }
    m_changed.notify_all();
    report();
}

bool MqttPublisher::stopping() const
{
    std::lock_guard lock(m_mutex);
    return m_stopping;
}

void MqttPublisher::run()
{
    unsigned failures = 0;
    while (!stopping()) {
        const Attempt attempt = connectOnce();
        if (attempt.accepted)
            failures = 0;
        if (stopping())
            break;
        const std::chrono::seconds delay = retryDelay(failures);
        ++failures;
        {
            std::lock_guard lock(m_mutex);
            m_connectionRefused = attempt.refused;
        }
        setState(attempt.refused ? FeedState::Refused : FeedState::Retrying, attempt.reason,
                 static_cast<int>(delay.count()));
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, delay, [&] { return m_stopping; });
    }
    setState(FeedState::Stopped);
}

MqttPublisher::Attempt MqttPublisher::connectOnce()
{
    setState(FeedState::Connecting);
    Attempt attempt;
    std::string error;
    ClientHandle client = makeClient(m_settings, std::string(), true, this, error);
    if (!client) {
        attempt.refused = true;
        attempt.reason = error;
        return attempt;
    }
    mosquitto_connect_v5_callback_set(client.get(), onConnect);
    mosquitto_disconnect_v5_callback_set(client.get(), onDisconnect);
    mosquitto_publish_v5_callback_set(client.get(), onPublish);
    const std::string will = offlinePayload();
    mosquitto_will_set_v5(client.get(), m_statusTopic.c_str(), static_cast<int>(will.size()), will.data(), 1, true,
                          nullptr);

    m_connected = false;
    m_accepted = false;
    m_linkBroken = false;
    m_connackRefusal = -1;
    m_statusMid = -1;
    m_offlineAcked = false;
    m_unmatchedAcks.clear();
    errno = 0;
    const int rc = mosquitto_connect_bind_async(client.get(), m_settings.broker.host.c_str(), m_settings.broker.port,
                                                m_settings.keepaliveSeconds, nullptr);
    if (rc != MOSQ_ERR_SUCCESS) {
        attempt.reason = linkFailureText(rc, errno, m_settings.broker);
        attempt.refused = lastFailureWasCertificate();
        return attempt;
    }
    const int end = serve(client.get());
    linkDown();
    attempt.accepted = m_accepted;
    if (m_connackRefusal >= 0) {
        attempt.refused = true;
        attempt.reason = connackRefusalText(m_connackRefusal, !m_settings.user.empty());
    } else {
        attempt.reason = linkFailureText(end, m_savedErrno, m_settings.broker);
        attempt.refused = lastFailureWasCertificate();
        if (!m_accepted && !attempt.refused && (end == MOSQ_ERR_CONN_LOST || end == MOSQ_ERR_NO_CONN))
            attempt.reason = m_settings.broker.tls
                                 ? "the broker closed the connection before answering"
                                 : "the broker closed the connection before answering (a TLS port? use mqtts://)";
    }
    return attempt;
}

int MqttPublisher::serve(mosquitto* client)
{
    bool offlineSent = false;
    std::chrono::steady_clock::time_point giveUp;
    const auto connectBy = std::chrono::steady_clock::now() + kConnectTimeout;
    for (;;) {
        if (!m_accepted && std::chrono::steady_clock::now() >= connectBy)
            return MOSQ_ERR_TIMEOUT;
        std::chrono::milliseconds grace{};
        bool stop = false;
        {
            std::lock_guard lock(m_mutex);
            stop = m_stopping;
            grace = m_grace;
        }
        if (stop) {
            if (!m_connected)
                return MOSQ_ERR_SUCCESS;
            if (!offlineSent) {
                const std::string offline = offlinePayload();
                mosquitto_publish_v5(client, &m_statusMid, m_statusTopic.c_str(), static_cast<int>(offline.size()),
                                     offline.data(), 1, true, nullptr);
                offlineSent = true;
                m_offlineAcked = false;
                giveUp = std::chrono::steady_clock::now() + grace;
            }
            if (m_offlineAcked || std::chrono::steady_clock::now() >= giveUp) {
                mosquitto_disconnect_v5(client, MQTT_RC_NORMAL_DISCONNECTION, nullptr);
                mosquitto_loop_write(client, 1);
                return MOSQ_ERR_SUCCESS;
            }
        } else if (m_connected) {
            sendWaiting(client);
        }

        const int sock = mosquitto_socket(client);
        if (sock < 0)
            return MOSQ_ERR_NO_CONN;
        pollfd fds[2] = {{sock, static_cast<short>(POLLIN | (mosquitto_want_write(client) ? POLLOUT : 0)), 0},
                         {m_wakeFd, POLLIN, 0}};
        if (::poll(fds, 2, kPollMs) < 0 && errno != EINTR) {
            m_savedErrno = errno;
            return MOSQ_ERR_ERRNO;
        }
        if (fds[1].revents & POLLIN)
            drainWakeups();
        int rc = MOSQ_ERR_SUCCESS;
        if (fds[0].revents & (POLLIN | POLLERR | POLLHUP)) {
            errno = 0;
            rc = mosquitto_loop_read(client, 1);
            m_savedErrno = errno;
        }
        if (rc == MOSQ_ERR_SUCCESS && (fds[0].revents & POLLOUT)) {
            errno = 0;
            rc = mosquitto_loop_write(client, 1);
            m_savedErrno = errno;
        }
        if (rc == MOSQ_ERR_SUCCESS)
            rc = mosquitto_loop_misc(client);
        if (m_connackRefusal >= 0)
            return MOSQ_ERR_CONN_REFUSED;
        if (rc != MOSQ_ERR_SUCCESS)
            return rc;
        if (m_linkBroken)
            return MOSQ_ERR_CONN_LOST;
    }
}

void MqttPublisher::sendWaiting(mosquitto* client)
{
    std::string statusPayload;
    {
        std::lock_guard lock(m_mutex);
        const auto now = std::chrono::steady_clock::now();
        if (m_queue.dropped() != m_droppedSent && now - m_lastStatusAt >= kStatusInterval)
            m_statusDirty = true;
        if (m_statusDirty) {
            m_statusDirty = false;
            m_droppedSent = m_queue.dropped();
            m_lastStatusAt = now;
            statusPayload = onlinePayload(m_info, kVersion, m_droppedSent);
        }
    }
    if (!statusPayload.empty())
        mosquitto_publish_v5(client, &m_statusMid, m_statusTopic.c_str(), static_cast<int>(statusPayload.size()),
                             statusPayload.data(), 1, true, nullptr);

    // Never a library call under the lock: a QoS 0 message is written at once
    // and its callback (which locks) runs inside mosquitto_publish_v5. The
    // reading waits in m_inFlight meanwhile (mid still unknown), so that
    // waitDelivered never sees it in neither place.
    constexpr int kUnsent = -1;
    for (;;) {
        QueuedReading next;
        {
            std::lock_guard lock(m_mutex);
            if (m_queue.empty() || m_inFlight.size() >= kWindow)
                return;
            next = m_queue.pop();
            m_inFlight.push_back(InFlight{kUnsent, QueuedReading{next.seq, {}}});
        }
        const std::string payload = readingPayload(next.seq, next.reading);
        int mid = 0;
        const int rc = mosquitto_publish_v5(client, &mid, m_readingTopic.c_str(), static_cast<int>(payload.size()),
                                            payload.data(), m_settings.qos, false, nullptr);
        std::unique_lock lock(m_mutex);
        const auto unsent = std::find_if(m_inFlight.begin(), m_inFlight.end(),
                                         [](const InFlight& f) { return f.mid == kUnsent; });
        if (rc != MOSQ_ERR_SUCCESS) {
            // The link is going: keep the reading for the next one.
            std::vector<QueuedReading> back;
            back.push_back(std::move(next));
            m_inFlight.erase(unsent);
            m_queue.pushFront(back);
            m_linkBroken = true;
            return;
        }
        unsent->mid = mid;
        unsent->reading = std::move(next);
        const auto early = std::find_if(m_unmatchedAcks.begin(), m_unmatchedAcks.end(),
                                        [&](const auto& ack) { return ack.first == mid; });
        if (early != m_unmatchedAcks.end()) {
            const int reason = early->second;
            m_unmatchedAcks.erase(early);
            lock.unlock();
            acknowledge(mid, reason);
        }
    }
}

void MqttPublisher::acknowledge(int mid, int reasonCode)
{
    std::string refusal;
    {
        std::lock_guard lock(m_mutex);
        const auto it =
            std::find_if(m_inFlight.begin(), m_inFlight.end(), [&](const InFlight& f) { return f.mid == mid; });
        if (it == m_inFlight.end()) {
            m_unmatchedAcks.emplace_back(mid, reasonCode);
            return;
        }
        m_inFlight.erase(it);
        if (reasonCode >= 0x80) {
            ++m_status.refused;
            refusal = publishRefusalText(reasonCode);
        } else {
            ++m_status.delivered;
        }
    }
    m_changed.notify_all();
    if (!refusal.empty()) {
        bool changed = false;
        {
            std::lock_guard lock(m_mutex);
            changed = m_status.state != FeedState::Refused || m_status.reason != refusal;
        }
        if (changed)
            setState(FeedState::Refused, refusal);
    }
}

void MqttPublisher::linkDown()
{
    {
        std::lock_guard lock(m_mutex);
        std::vector<QueuedReading> back;
        back.reserve(m_inFlight.size());
        for (InFlight& f : m_inFlight)
            back.push_back(std::move(f.reading));
        m_inFlight.clear();
        m_queue.pushFront(back);
        m_statusDirty = true;
    }
    m_connected = false;
    m_unmatchedAcks.clear();
    m_changed.notify_all();
}

void MqttPublisher::onConnect(mosquitto*, void* userdata, int rc, int, const mosquitto_property*)
{
    MqttPublisher* p = self(userdata);
    if (rc != 0) {
        p->m_connackRefusal = rc;
        return;
    }
    p->m_connected = true;
    p->m_accepted = true;
    {
        std::lock_guard lock(p->m_mutex);
        p->m_connectionRefused = false;
        p->m_statusDirty = true;
    }
    p->setState(FeedState::Connected);
}

void MqttPublisher::onDisconnect(mosquitto*, void* userdata, int, const mosquitto_property*)
{
    self(userdata)->m_linkBroken = true;
}

void MqttPublisher::onPublish(mosquitto*, void* userdata, int mid, int reasonCode, const mosquitto_property*)
{
    MqttPublisher* p = self(userdata);
    // Message numbers wrap at 65,535: once the status is acknowledged its
    // number belongs to readings again.
    if (mid == p->m_statusMid) {
        p->m_statusMid = -1;
        p->m_offlineAcked = true;
        return;
    }
    p->acknowledge(mid, reasonCode);
}

}  // namespace tavolo::feed
