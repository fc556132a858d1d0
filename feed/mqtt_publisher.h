#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "feed/feed_settings.h"
#include "feed/reading_publisher.h"
#include "feed/reading_queue.h"

struct mosquitto;
struct mosquitto_message;
typedef struct mqtt5__property mosquitto_property;

namespace tavolo::feed {

// Publishes readings to an MQTT broker from a thread of its own.
//
// Readings wait in a bounded queue (FeedSettings::queueCapacity; beyond it the
// oldest are dropped and counted, and the count goes out in the next status).
// The thread connects (MQTT v5, a fresh clean session each time), sets the
// last will ({"state":"offline"} retained on PREFIX/status), publishes the
// online status, then the readings in order. At QoS 1 a reading leaves the
// queue only when the broker acknowledged it; what was sent and not
// acknowledged when the link broke is queued again in front and sent again
// after reconnecting (at least once: `seq` tells a reader the duplicates).
// At QoS 0 a reading counts as delivered once written to the link.
// Failed attempts are retried after 1, 2, 4, 8, 16, then every 30 s.
//
// Threads: publish(), status(), setStatusInfo(), waitDelivered() and stop()
// from any thread. `onStatus` is called on the feed's thread whenever the
// state changes (and with the final Stopped); it must not call stop() or
// destroy the publisher, and should return quickly (post to the GUI thread).
class MqttPublisher final : public ReadingPublisher {
public:
    using StatusCallback = std::function<void(const FeedStatus&)>;

    MqttPublisher(FeedSettings settings, StatusInfo info, StatusCallback onStatus = {});
    ~MqttPublisher() override;  // stop()
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    void publish(const FeedReading& reading) override;
    FeedStatus status() const override;
    void setStatusInfo(const StatusInfo& info) override;

    enum class Delivery { Delivered, TimedOut, Refused };
    // Waits until every reading handed over so far was delivered (or refused
    // one by one by the broker), at most `timeout`. Refused: the broker
    // refuses the connection itself (user, password, certificate), so waiting
    // longer would not help.
    Delivery waitDelivered(std::chrono::milliseconds timeout);

    // Publishes the offline status when connected (waiting at most `grace`
    // for it), disconnects and ends the thread. Readings still queued are
    // given up. Idempotent.
    void stop(std::chrono::milliseconds grace = std::chrono::seconds(2));

    // Topics in use.
    const std::string& readingTopic() const noexcept { return m_readingTopic; }
    const std::string& statusTopic() const noexcept { return m_statusTopic; }

private:
    struct InFlight {
        int mid = 0;
        QueuedReading reading;
    };
    struct Attempt {
        bool accepted = false;  // the broker took the connection
        bool refused = false;   // it said no (CONNACK, certificate, settings), rather than being away
        std::string reason;
    };

    void run();
    Attempt connectOnce();
    int serve(mosquitto* client);  // until the link ends or a stop; a MOSQ_ERR_* result
    void sendWaiting(mosquitto* client);
    void acknowledge(int mid, int reasonCode);
    void linkDown();
    void setState(FeedState state, std::string reason = {}, int retryIn = 0);
    void report();  // m_onStatus with a snapshot; lock not held
    bool stopping() const;
    void drainWakeups();
    void wake();

    static void onConnect(mosquitto*, void* self, int rc, int flags, const mosquitto_property*);
    static void onDisconnect(mosquitto*, void* self, int rc, const mosquitto_property*);
    static void onPublish(mosquitto*, void* self, int mid, int reasonCode, const mosquitto_property*);

    const FeedSettings m_settings;
    const std::string m_readingTopic;
    const std::string m_statusTopic;
    const StatusCallback m_onStatus;
    const int m_wakeFd;  // eventfd: publish(), setStatusInfo() and stop() wake the thread's poll

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    ReadingQueue m_queue;              // guarded by m_mutex, as is everything down to m_grace
    std::vector<InFlight> m_inFlight;  // sent, not yet acknowledged, oldest first
    StatusInfo m_info;
    bool m_statusDirty = true;         // the online status must be sent (again)
    FeedStatus m_status;
    std::uint64_t m_nextSeq = 1;
    std::uint64_t m_droppedSent = 0;   // the dropped count the broker last got
    std::chrono::steady_clock::time_point m_lastStatusAt;
    bool m_connectionRefused = false;  // the last attempt was refused
    bool m_wakePending = false;        // a wake-up is in the eventfd
    bool m_stopping = false;
    std::chrono::milliseconds m_grace{};

    // Feed thread only.
    bool m_connected = false;
    bool m_accepted = false;
    bool m_linkBroken = false;
    int m_connackRefusal = -1;
    int m_statusMid = -1;
    bool m_offlineAcked = false;
    int m_savedErrno = 0;
    std::vector<std::pair<int, int>> m_unmatchedAcks;  // (mid, reason) acknowledged inside publish

    std::mutex m_joinMutex;
    std::thread m_thread;
};

}  // namespace tavolo::feed
