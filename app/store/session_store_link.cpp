#include "app/store/session_store_link.h"

#include <QDateTime>
#include <QMetaObject>
#include <QPointer>

#include <chrono>

#include "store/session_restore.h"

namespace tavolo {

namespace {

std::int64_t nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

QString localDateTime(std::int64_t ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

}  // namespace

SessionStoreLink::SessionStoreLink(MeterSession& session, Note note, Question ask, std::filesystem::path folder,
                                   QObject* parent)
    : QObject(parent), m_session(&session), m_note(std::move(note)), m_ask(std::move(ask)), m_folder(std::move(folder))
{
}

SessionStoreLink::~SessionStoreLink() = default;

QString SessionStoreLink::restoreQuestion(const store::SessionInfo& info)
{
    // Rows loaded from a file have no instant; the session's start stands in.
    const std::int64_t first = info.firstInstantMs.value_or(info.startedMs.value_or(0));
    const std::int64_t last = info.lastInstantMs.value_or(first);
    return QStringLiteral("The last recording (%1 readings, from %2 to %3) did not end normally. Restore it?")
        .arg(info.rows)
        .arg(localDateTime(first), localDateTime(last));
}

void SessionStoreLink::start()
{
    if (m_store)
        return;
    const std::optional<store::SessionInfo> unfinished = store::findUnfinishedSession(m_folder);
    if (unfinished && m_ask(restoreQuestion(*unfinished))) {
        const store::RestoreResult restored = store::restoreSession(unfinished->path, *m_session);
        if (restored.ok && m_restored)
            m_restored();
        if (restored.ok && restored.complete) {
            begin(unfinished->path);
            if (m_store)
                return;
        }
        if (!restored.message.empty())
            m_note(QString::fromStdString(restored.message));
        // A damaged file stays as it is; the rows read from it open a new session.
    }
    begin(store::newSessionPath(m_folder, nowMs()));
}

void SessionStoreLink::begin(const std::filesystem::path& file)
{
    store::StoreOptions options;
    options.link = "window";
    // The writer thread's report reaches the status line on this thread.
    QPointer<SessionStoreLink> self(this);
    options.onStatus = [self](const store::StoreStatus& status) {
        QMetaObject::invokeMethod(
            self.data(),
            [self, status] {
                if (self)
                    self->showStatus(status);
            },
            Qt::QueuedConnection);
    };
    store::OpenProblem problem = store::OpenProblem::None;
    m_store = store::SessionStore::open(file, *m_session, options, &problem);
    if (!m_store && problem == store::OpenProblem::InUse) {
        m_note(QStringLiteral("The session file %1 is in use by another program; a new session begins.")
                   .arg(QString::fromStdString(file.string())));
        m_store = store::SessionStore::open(store::newSessionPath(m_folder, nowMs()), *m_session, options, &problem);
    }
}

void SessionStoreLink::showStatus(const store::StoreStatus& status)
{
    if (status.health == store::StoreHealth::Behind) {
        m_behind = true;
        m_note(QString::fromStdString(status.note));
    } else if (status.health == store::StoreHealth::Writing && m_behind) {
        m_behind = false;
        m_note(QStringLiteral("The session file is written again."));
    }
}

bool SessionStoreLink::endNormally()
{
    if (!m_store)
        return true;
    const bool ended = m_store->endNormally();
    if (!ended)
        m_note(QStringLiteral("The session could not be ended normally: %1")
                   .arg(QString::fromStdString(m_store->status().note)));
    m_store.reset();
    return ended;
}

}  // namespace tavolo
