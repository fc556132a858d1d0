#include "app/publish/password_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace tavolo {
namespace {

constexpr std::size_t kMaxSecret = 4096;
std::atomic<unsigned> g_counter{0};

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// mkdir -p, new folders 0700.
int makeFolders(const std::string& folder)
{
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0)
        return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
    if (folder != "/" && folder != ".") {
        if (const int error = makeFolders(folderOf(folder)))
            return error;
    }
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return errno;
    return 0;
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

int writePrivateFile(const std::string& path, std::string_view secret)
{
    const std::string folder = folderOf(path);
    if (const int error = makeFolders(folder))
        return error;
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = folder + "/.mqtt-secret.tmp-" + std::to_string(::getpid()) + "-" + std::to_string(g_counter++);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST)
            return errno;
    }
    if (fd < 0)
        return EEXIST;
    int error = 0;
    if (::fchmod(fd, 0600) != 0 || !writeAll(fd, secret) || ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temp.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0)
        ::unlink(temp.c_str());
    return error;
}

int readPrivateFile(const std::string& path, std::string& secret)
{
    secret.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno;
    struct stat info {};
    int error = 0;
    if (::fstat(fd, &info) != 0)
        error = errno;
    else if (!S_ISREG(info.st_mode))
        error = EINVAL;
    else if (static_cast<std::size_t>(info.st_size) > kMaxSecret)
        error = EFBIG;
    char buffer[kMaxSecret + 1];
    std::size_t used = 0;
    while (error == 0) {
        const ssize_t n = ::read(fd, buffer + used, sizeof buffer - used);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = errno;
            break;
        }
        if (n == 0)
            break;
        used += static_cast<std::size_t>(n);
        if (used > kMaxSecret)
            error = EFBIG;
    }
    ::close(fd);
    if (error == 0)
        secret.assign(buffer, used);
    return error;
}

int removePrivateFile(const std::string& path)
{
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        return errno;
    return 0;
}

}  // namespace tavolo
