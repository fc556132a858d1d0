#include "app/publish/publish_link.h"

#include <QAction>
#include <QMenu>
#include <QMetaObject>

#include "app/publish/publish_dialog.h"
#include "app/publish/publish_feed.h"
#include "feed/feed_observer.h"
#include "feed/feed_settings.h"
#include "feed/mqtt_publisher.h"
#include "record/meter_session.h"

namespace tavolo {

PublishLink::PublishLink(MeterSession& session, PublishSettingsStore store, Note note, InfoSource info,
                         QWidget* dialogParent, QObject* parent)
    : QObject(parent),
      m_session(session),
      m_store(std::move(store)),
      m_note(std::move(note)),
      m_info(std::move(info)),
      m_dialogParent(dialogParent)
{
}

PublishLink::~PublishLink() { stopPublisher(); }

QString PublishLink::menuCaption() { return QStringLiteral("Publish readings\u2026"); }

QAction* PublishLink::addMenuItem(QMenu& menu)
{
    QAction* item = menu.addAction(menuCaption());
    item->setObjectName(QStringLiteral("PublishReadings"));
    connect(item, &QAction::triggered, this, &PublishLink::openDialog);
    return item;
}

void PublishLink::note(const QString& text)
{
    m_lastNote = text;
    m_note(text);
}

void PublishLink::start()
{
    QString problem;
    m_settings = m_store.load(&problem);
    if (!problem.isEmpty())
        note(problem);
    if (!m_settings.enabled)
        return;
    if (m_settings.passwordSource == PasswordSource::Typed && m_settings.password.isEmpty()) {
        note(QStringLiteral("Readings are not published: the broker password was not remembered. "
                            "Type it in Record > %1")
                 .arg(menuCaption()));
        return;
    }
    apply(m_settings);
}

void PublishLink::openDialog()
{
    PublishDialog dialog(m_dialogParent);
    dialog.setDefaultPrefix(QString::fromStdString(
        feed::defaultPrefix(feed::localHostName(), m_info().port)));
    dialog.setSettings(m_settings);
    const bool accepted = m_dialogHook ? m_dialogHook(dialog) : dialog.exec() == QDialog::Accepted;
    if (!accepted)
        return;
    const PublishSettings chosen = dialog.settings();
    const QString saveError = m_store.save(chosen);
    if (!saveError.isEmpty())
        note(QStringLiteral("The publish settings were not saved: %1").arg(saveError));
    apply(chosen);
}

void PublishLink::apply(const PublishSettings& settings)
{
    const bool wasPublishing = publishing();
    m_settings = settings;
    stopPublisher();
    if (!settings.enabled) {
        if (wasPublishing)
            note(QStringLiteral("Readings are no longer published."));
        return;
    }
    startPublisher();
}

void PublishLink::startPublisher()
{
    const feed::StatusInfo info = m_info();
    m_port = QString::fromStdString(info.port);
    QString error;
    std::optional<feed::FeedSettings> feedSettings = feedSettingsFrom(m_settings, m_port, &error);
    if (!feedSettings) {
        note(QStringLiteral("Readings are not published: %1").arg(error));
        return;
    }
    const std::uint64_t generation = ++m_generation;
    m_lastStatus.clear();
    // Called on the feed's thread: the text goes to the GUI thread. The
    // publisher is stopped (its thread joined) before this object goes, so
    // `this` is alive whenever the call is queued; Qt drops calls queued for
    // an object that is gone by the time they would run.
    m_publisher = std::make_unique<feed::MqttPublisher>(
        std::move(*feedSettings), info, [this, generation](const feed::FeedStatus& status) {
            QMetaObject::invokeMethod(
                this, [this, generation, status] { showStatus(generation, status); }, Qt::QueuedConnection);
        });
    m_observer = std::make_unique<feed::FeedObserver>(*m_publisher, m_session.table());
    m_session.addObserver(m_observer.get());
}

void PublishLink::stopPublisher()
{
    if (!m_publisher)
        return;
    // No reading reaches a publisher that is going.
    m_session.removeObserver(m_observer.get());
    m_observer.reset();
    m_publisher->stop(kStopGrace);
    m_publisher.reset();
}

void PublishLink::stop()
{
    const bool wasPublishing = publishing();
    stopPublisher();
    if (wasPublishing)
        m_generation++;  // late notes of the stopped publisher are not shown
}

void PublishLink::infoChanged()
{
    if (!m_publisher)
        return;
    const feed::StatusInfo info = m_info();
    if (m_settings.prefix.isEmpty() && QString::fromStdString(info.port) != m_port) {
        // The default topic names the port: readings of the new port go under its name.
        stopPublisher();
        startPublisher();
        return;
    }
    m_publisher->setStatusInfo(info);
}

void PublishLink::showStatus(std::uint64_t generation, const feed::FeedStatus& status)
{
    // A publisher stopped on purpose (restart, stop, quit) has nothing to tell.
    if (generation != m_generation || status.state == feed::FeedState::Stopped)
        return;
    const QString text = QString::fromStdString(feed::describe(status));
    if (text == m_lastStatus)
        return;
    m_lastStatus = text;
    note(text);
}

}  // namespace tavolo
