#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/publish/publish_settings.h"
#include "app/publish/publish_settings_store.h"
#include "feed/feed_reading.h"
#include "feed/feed_status.h"

class QAction;
class QMenu;
class QWidget;

namespace tavolo {

class MeterSession;
class PublishDialog;
namespace feed {
class FeedObserver;
class MqttPublisher;
}  // namespace feed

// The window's side of the live feed: the "Publish readings…" item, the dialog
// filled from the stored settings, and the publisher those settings ask for.
// OK stores the settings and applies them: publishing starts, starts again with
// the new settings, or stops. At start-up the stored settings start it by
// themselves when they say so (a typed password that was not remembered cannot:
// the status line says so). The publisher's state reaches the status line as
// one note per change, never one per reading, and never with a password.
//
// The GUI thread only hands each reading over (FeedObserver); connecting,
// formatting and sending happen on the feed's own thread, so a broker that is
// down, slow or refusing leaves recording untouched.
//
// GUI thread only. `session` must outlive the link.
class PublishLink : public QObject {
    Q_OBJECT

public:
    using Note = std::function<void(const QString& text)>;
    // What the status message says about the window now: link, port, limits.
    using InfoSource = std::function<feed::StatusInfo()>;
    // Runs the dialog instead of exec(): true for OK (tests answer it).
    using DialogHook = std::function<bool(PublishDialog& dialog)>;

    // How long stopping waits for the broker to take the "offline" status.
    // Short: a broker that does not answer is given its last will instead
    // (the feed then ends the link without a proper goodbye).
    static constexpr std::chrono::milliseconds kStopGrace{100};

    PublishLink(MeterSession& session, PublishSettingsStore store, Note note, InfoSource info,
                QWidget* dialogParent = nullptr, QObject* parent = nullptr);
    ~PublishLink() override;  // stop()

    // Adds "Publish readings…" at the end of `menu`.
    QAction* addMenuItem(QMenu& menu);
    void setDialogHook(DialogHook hook) { m_dialogHook = std::move(hook); }

    // Start-up: applies the stored settings.
    void start();
    // "Publish readings…": the dialog; OK stores and applies.
    void openDialog();
    // Starts, restarts or stops publishing for `settings` (not stored here).
    void apply(const PublishSettings& settings);
    // The window's link, port or limits changed: the status message follows.
    // With the default prefix a new port restarts publishing under its name.
    void infoChanged();
    // Stops publishing (bounded by kStopGrace when the broker is silent).
    void stop();

    bool publishing() const { return m_publisher != nullptr; }
    feed::MqttPublisher* publisher() const { return m_publisher.get(); }
    const PublishSettings& settings() const { return m_settings; }
    QString lastNote() const { return m_lastNote; }

    static QString menuCaption();  // "Publish readings…"

private:
    void startPublisher();
    void stopPublisher();
    void showStatus(std::uint64_t generation, const feed::FeedStatus& status);
    void note(const QString& text);

    MeterSession& m_session;
    PublishSettingsStore m_store;
    Note m_note;
    InfoSource m_info;
    QWidget* m_dialogParent;
    DialogHook m_dialogHook;
    PublishSettings m_settings;
    QString m_port;  // the port the default prefix was made for
    std::unique_ptr<feed::MqttPublisher> m_publisher;
    std::unique_ptr<feed::FeedObserver> m_observer;
    std::uint64_t m_generation = 0;  // which publisher a queued status came from
    QString m_lastStatus;            // the last state shown: a note only when it changes
    QString m_lastNote;
};

}  // namespace tavolo
