#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Where sessions live and what a session file holds at a glance. Nothing here
// deletes or changes a session; reading a session another program writes is safe.
namespace tavolo::store {

// $XDG_DATA_HOME/tavolo/sessions, else ~/.local/share/tavolo/sessions (not created here).
std::filesystem::path sessionsFolder();

// A new, unused session file name in `folder` for a session started at
// `startedMs` (UTC ms), named by its local start time:
// "2026-12-10T13-52-04.tavolo-session", then "...-2.tavolo-session" and so on.
std::filesystem::path newSessionPath(const std::filesystem::path& folder, std::int64_t startedMs);

// True for a name with the session suffix.
bool isSessionFile(const std::filesystem::path& path);

struct SessionInfo {
    std::filesystem::path path;
    bool readable = false;           // the facts could be read
    std::string problem;             // why not, when not readable
    std::optional<std::int64_t> startedMs;
    std::optional<std::int64_t> endedMs;
    bool endedNormally = false;
    std::string link, port;
    // Rows of the table as the session last had it (what a restore brings back).
    std::int64_t rows = 0;
    // First and last receive instant among those rows (UTC ms), when any has one.
    std::optional<std::int64_t> firstInstantMs, lastInstantMs;
    std::uintmax_t sizeBytes = 0;    // the session file and its write-ahead log
    bool inUse = false;              // a running program writes it
};

// Reads the facts and row count of one session file (read-only).
SessionInfo readSessionInfo(const std::filesystem::path& path);

// Every session file in `folder`, oldest start first. A missing folder is an empty list.
std::vector<SessionInfo> listSessions(const std::filesystem::path& folder);

// The most recently started session in `folder` that did not end normally and
// holds rows, looking back only as far as the newest session that ended
// normally. Sessions a running program writes, and `except` (the session this
// program writes now), are passed over.
std::optional<SessionInfo> findUnfinishedSession(const std::filesystem::path& folder,
                                                 const std::filesystem::path& except = {});

}  // namespace tavolo::store
