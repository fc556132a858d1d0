#pragma once

#include <QObject>
#include <QString>

#include <filesystem>
#include <functional>
#include <memory>

#include "record/meter_session.h"
#include "store/session_files.h"
#include "store/session_store.h"

namespace tavolo {

// The window's side of the session store. At start it looks for a recording
// that did not end normally and asks whether to restore it; Yes restores the
// table, chart and counters and continues in that session file, No leaves it
// on disk and begins a new session. The store's state reaches the status line
// as one note when it changes (never one per reading); a clean exit ends the
// session normally.
//
// GUI thread only. `session` must outlive the link.
class SessionStoreLink : public QObject {
    Q_OBJECT

public:
    using Note = std::function<void(const QString& text)>;
    using Question = std::function<bool(const QString& text)>;  // true for Yes

    SessionStoreLink(MeterSession& session, Note note, Question ask,
                     std::filesystem::path folder = store::sessionsFolder(), QObject* parent = nullptr);
    ~SessionStoreLink() override;

    // Told after a restore changed the session, so the window can show it
    // (page label, views, the record-limit menu).
    void setRestoredHook(std::function<void()> hook) { m_restored = std::move(hook); }

    // Offers an unfinished session, then starts recording into a session file.
    void start();
    // A clean exit: the session ends normally. Returns false (after a note)
    // when that could not be written.
    bool endNormally();

    // The question for an unfinished session: "The last recording (N readings,
    // from … to …) did not end normally. Restore it?" with local date-times.
    static QString restoreQuestion(const store::SessionInfo& info);

    store::SessionStore* store() const { return m_store.get(); }
    std::filesystem::path file() const { return m_store ? m_store->file() : std::filesystem::path(); }

private:
    void begin(const std::filesystem::path& file);
    void showStatus(const store::StoreStatus& status);

    MeterSession* m_session;
    Note m_note;
    Question m_ask;
    std::filesystem::path m_folder;
    std::unique_ptr<store::SessionStore> m_store;
    bool m_behind = false;
    std::function<void()> m_restored;
};

}  // namespace tavolo
