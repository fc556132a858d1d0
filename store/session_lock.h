#pragma once

#include <string>

// One program at a time per session file: an exclusive flock on the session
// file itself, held for as long as the session is written. The kernel drops
// it when the program ends, however it ends, so a crashed program never leaves
// a session locked.
//
// flock locks are apart from the POSIX locks SQLite takes on the same file.
// Closing any descriptor of a file drops the POSIX locks a process holds on
// it, so a probe must never open a file this process writes: probes check a
// process-wide list of held files first.
namespace tavolo::store {

class SessionLock {
public:
    enum class Result { Held, InUse, Failed };

    SessionLock() = default;
    ~SessionLock();
    SessionLock(SessionLock&& other) noexcept;
    SessionLock& operator=(SessionLock&& other) noexcept;
    SessionLock(const SessionLock&) = delete;
    SessionLock& operator=(const SessionLock&) = delete;

    // Opens (creating when missing) and locks `path`. Failed: the file cannot
    // be created or opened; `error` says why (strerror text).
    Result acquire(const std::string& path, std::string& error);
    void release();
    bool held() const noexcept { return m_fd >= 0; }

    // True when another program (or this one) writes the session at `path`.
    static bool inUse(const std::string& path);

private:
    int m_fd = -1;
    std::string m_key;
};

}  // namespace tavolo::store
