#include <cstdio>
#include <ctime>
#include <optional>
#include <string>

#include "commands.h"
#include "store/session_files.h"

// tavolo-cli sessions [DIR]: one line per session file, oldest first, as
// tab-separated columns under a header: start and end (local time), rows of
// its table, how it ended ("yes", "no", or "running" while a program writes
// it), size in bytes (file and log), and the file.
namespace tavolo::cli {

namespace {

std::string localTime(const std::optional<std::int64_t>& ms)
{
    if (!ms)
        return "-";
    const std::time_t seconds = static_cast<std::time_t>(*ms / 1000);
    std::tm local {};
    localtime_r(&seconds, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

}  // namespace

int runSessions(int argc, char** argv)
{
    if (argc > 1) {
        std::fputs("usage: tavolo-cli sessions [DIR]\n", stderr);
        return 2;
    }
    const std::filesystem::path dir = argc == 1 ? std::filesystem::path(argv[0]) : store::sessionsFolder();
    std::error_code ec;
    if (argc == 1 && !std::filesystem::is_directory(dir, ec)) {
        std::fprintf(stderr, "tavolo-cli sessions: %s is no folder\n", dir.c_str());
        return 2;
    }
    std::printf("start\tend\trows\tended normally\tsize\tfile\n");
    for (const store::SessionInfo& s : store::listSessions(dir)) {
        if (!s.readable) {
            std::printf("-\t-\t-\t-\t%ju\t%s\t(%s)\n", s.sizeBytes, s.path.c_str(), s.problem.c_str());
            continue;
        }
        const char* ended = s.inUse ? "running" : s.endedNormally ? "yes" : "no";
        std::printf("%s\t%s\t%lld\t%s\t%ju\t%s\n", localTime(s.startedMs).c_str(), localTime(s.endedMs).c_str(),
                    static_cast<long long>(s.rows), ended, s.sizeBytes, s.path.c_str());
    }
    return 0;
}

}  // namespace tavolo::cli
