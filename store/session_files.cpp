#include "store/session_files.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <system_error>

#include "store/session_lock.h"
#include "store/session_reader.h"

namespace tavolo::store {

namespace fs = std::filesystem;

fs::path sessionsFolder()
{
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg == '/')
        return fs::path(xdg) / "tavolo" / "sessions";
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : ".") / ".local" / "share" / "tavolo" / "sessions";
}

bool isSessionFile(const fs::path& path)
{
    const std::string name = path.filename().string();
    const std::string_view suffix = kSessionSuffix;
    return name.size() > suffix.size() && name.ends_with(suffix);
}

fs::path newSessionPath(const fs::path& folder, std::int64_t startedMs)
{
    const std::time_t seconds = static_cast<std::time_t>(startedMs / 1000);
    std::tm local {};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H-%M-%S", &local);
    std::error_code ec;
    for (int n = 1;; ++n) {
        std::string name = stamp;
        if (n > 1)
            name += "-" + std::to_string(n);
        name += kSessionSuffix;
        fs::path candidate = folder / name;
        if (!fs::exists(candidate, ec))
            return candidate;
    }
}

SessionInfo readSessionInfo(const fs::path& path)
{
    SessionInfo info;
    info.path = path;
    std::error_code ec;
    info.sizeBytes = fs::file_size(path, ec);
    if (ec)
        info.sizeBytes = 0;
    const std::uintmax_t wal = fs::file_size(path.string() + "-wal", ec);
    if (!ec)
        info.sizeBytes += wal;
    info.inUse = SessionLock::inUse(path.string());

    SessionReader reader;
    if (!reader.open(path.string())) {
        info.problem = reader.problem();
        return info;
    }
    const std::optional<SessionFacts> facts = reader.facts();
    if (!facts) {
        info.problem = reader.problem();
        return info;
    }
    info.readable = true;
    info.startedMs = facts->startedMs;
    info.endedMs = facts->endedMs;
    info.endedNormally = facts->endedNormally;
    info.link = facts->link;
    info.port = facts->port;
    const SessionReader::TableSummary summary = reader.lastTableSummary();
    info.rows = summary.rows;
    info.firstInstantMs = summary.firstInstantMs;
    info.lastInstantMs = summary.lastInstantMs;
    if (!summary.problem.empty())
        info.problem = summary.problem;
    return info;
}

std::vector<SessionInfo> listSessions(const fs::path& folder)
{
    std::vector<SessionInfo> sessions;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec) && isSessionFile(it->path()))
            sessions.push_back(readSessionInfo(it->path()));
    }
    // By start, then by name (names carry the start time, so unreadable files sort near their time).
    std::sort(sessions.begin(), sessions.end(), [](const SessionInfo& a, const SessionInfo& b) {
        const std::int64_t sa = a.startedMs.value_or(0), sb = b.startedMs.value_or(0);
        if (sa != sb)
            return sa < sb;
        return a.path.filename() < b.path.filename();
    });
    return sessions;
}

std::optional<SessionInfo> findUnfinishedSession(const fs::path& folder, const fs::path& except)
{
    std::vector<SessionInfo> sessions = listSessions(folder);
    std::error_code ec;
    // Newest first; a session that ended normally ends the search, so a
    // recording the user chose not to restore is not offered again once a
    // later session ended normally.
    for (auto it = sessions.rbegin(); it != sessions.rend(); ++it) {
        if (it->inUse || (!except.empty() && fs::equivalent(it->path, except, ec)))
            continue;
        if (it->readable && it->endedNormally)
            break;
        if (it->readable && it->rows > 0)
            return *it;
    }
    return std::nullopt;
}

}  // namespace tavolo::store
