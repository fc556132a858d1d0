#include "files/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace tavolo {
namespace {

std::atomic<unsigned> g_tempCounter{0};

// Follows a symbolic link so the file it names is replaced, not the link.
std::string resolveTarget(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr)
        return path;
    return resolved;
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// Creates a new file beside `target` with a name no one else uses.
int createTemporary(const std::string& target, std::string& tempPath)
{
    const std::size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = folder + "." + name + ".tmp-" + std::to_string(::getpid()) + "-" +
                   std::to_string(g_tempCounter.fetch_add(1));
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

void syncFolder(const std::string& path)
{
    const int fd = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

int replaceFileWith(const std::string& path, const std::function<void(OutputBuffer&)>& produce)
{
    if (path.empty())
        return ENOENT;
    const std::string target = resolveTarget(path);
    struct stat existing {};
    const bool targetExists = ::stat(target.c_str(), &existing) == 0;
    if (targetExists && S_ISDIR(existing.st_mode))
        return EISDIR;

    std::string tempPath;
    const int fd = createTemporary(target, tempPath);
    if (fd < 0)
        return errno;

    int error = 0;
    {
        FdOutput out(fd);
        produce(out);
        out.flush();
        if (out.failed())
            error = out.error() != 0 ? out.error() : EIO;
    }
    if (error == 0 && targetExists && ::fchmod(fd, existing.st_mode & 07777) != 0)
        error = errno;
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(tempPath.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(tempPath.c_str());
        return error;
    }
    syncFolder(target);
    return 0;
}

}  // namespace tavolo
