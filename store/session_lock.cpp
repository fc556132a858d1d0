#include "store/session_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>

namespace tavolo::store {

namespace {

std::mutex g_heldMutex;
std::set<std::string> g_held;  // "device:inode" of the files this process locks

std::string fileKey(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return {};
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

std::string pathKey(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

}  // namespace

SessionLock::~SessionLock()
{
    release();
}

SessionLock::SessionLock(SessionLock&& other) noexcept : m_fd(other.m_fd), m_key(std::move(other.m_key))
{
    other.m_fd = -1;
}

SessionLock& SessionLock::operator=(SessionLock&& other) noexcept
{
    if (this != &other) {
        release();
        m_fd = other.m_fd;
        m_key = std::move(other.m_key);
        other.m_fd = -1;
    }
    return *this;
}

SessionLock::Result SessionLock::acquire(const std::string& path, std::string& error)
{
    release();
    const std::string known = pathKey(path);
    if (!known.empty()) {
        std::lock_guard lock(g_heldMutex);
        if (g_held.count(known))
            return Result::InUse;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = std::strerror(errno);
        return Result::Failed;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        ::close(fd);
        if (e == EWOULDBLOCK)
            return Result::InUse;
        error = std::strerror(e);
        return Result::Failed;
    }
    m_fd = fd;
    m_key = fileKey(fd);
    std::lock_guard lock(g_heldMutex);
    g_held.insert(m_key);
    return Result::Held;
}

void SessionLock::release()
{
    if (m_fd < 0)
        return;
    {
        std::lock_guard lock(g_heldMutex);
        g_held.erase(m_key);
    }
    ::close(m_fd);  // drops the flock
    m_fd = -1;
    m_key.clear();
}

bool SessionLock::inUse(const std::string& path)
{
    const std::string key = pathKey(path);
    if (key.empty())
        return false;
    {
        std::lock_guard lock(g_heldMutex);
        if (g_held.count(key))
            return true;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool locked = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
}

}  // namespace tavolo::store
