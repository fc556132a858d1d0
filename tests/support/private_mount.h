#pragma once

#include <sched.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

// A small tmpfs that only this test process sees: the process moves into a
// mount namespace of its own once, so nothing it mounts leaks to the machine.
// Used to give a save a truly read-only folder (file modes do not stop root)
// and a truly full file system. Needs the right to create a mount namespace;
// `available()` tells why not, and the tests skip with that reason.
namespace tavolo::test {

class PrivateTmpfs {
public:
    // `options` as for mount -t tmpfs -o, e.g. "size=64k".
    explicit PrivateTmpfs(const std::string& options)
    {
        if (!enterPrivateNamespace(m_reason))
            return;
        char pattern[] = "/tmp/tavolo-mnt-XXXXXX";
        if (!mkdtemp(pattern)) {
            m_reason = std::string("mkdtemp: ") + std::strerror(errno);
            return;
        }
        m_dir = pattern;
        if (::mount("tmpfs", m_dir.c_str(), "tmpfs", 0, options.c_str()) != 0) {
            m_reason = std::string("mount tmpfs: ") + std::strerror(errno);
            ::rmdir(m_dir.c_str());
            m_dir.clear();
            return;
        }
        m_mounted = true;
    }

    ~PrivateTmpfs()
    {
        if (m_mounted)
            ::umount2(m_dir.c_str(), MNT_DETACH);
        if (!m_dir.empty())
            ::rmdir(m_dir.c_str());
    }

    PrivateTmpfs(const PrivateTmpfs&) = delete;
    PrivateTmpfs& operator=(const PrivateTmpfs&) = delete;

    bool available() const { return m_mounted; }
    const std::string& reason() const { return m_reason; }
    std::string path(const std::string& name) const { return m_dir + "/" + name; }
    const std::string& dir() const { return m_dir; }

    // Makes the whole file system read-only (EROFS for every write, root too).
    bool remountReadOnly()
    {
        return ::mount("tmpfs", m_dir.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

    // Writable again.
    bool remountReadWrite()
    {
        return ::mount("tmpfs", m_dir.c_str(), "tmpfs", MS_REMOUNT, nullptr) == 0;
    }

private:
    static bool enterPrivateNamespace(std::string& reason)
    {
        static std::optional<std::string> failure;
        static bool done = false;
        if (!done) {
            done = true;
            if (::unshare(CLONE_NEWNS) != 0)
                failure = std::string("cannot create a mount namespace (unshare: ") + std::strerror(errno) + ")";
            else if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
                failure = std::string("cannot make mounts private: ") + std::strerror(errno);
        }
        if (failure)
            reason = *failure;
        return !failure;
    }

    std::string m_dir;
    std::string m_reason;
    bool m_mounted = false;
};

}  // namespace tavolo::test
