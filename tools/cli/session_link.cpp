#include "session_link.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "store/session_files.h"
#include "store/session_lock.h"
#include "store/session_restore.h"

namespace tavolo::cli {

namespace fs = std::filesystem;

namespace {

std::int64_t nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

void printNote(const store::StoreStatus& status)
{
    if (status.health == store::StoreHealth::Behind)
        std::fprintf(stderr, "tavolo-cli log: %s\n", status.note.c_str());
    else if (status.health == store::StoreHealth::Writing)
        std::fputs("tavolo-cli log: the session file is written again\n", stderr);
}

store::StoreOptions options(const std::string& link, const std::string& port)
{
    store::StoreOptions o;
    o.link = link;
    o.port = port;
    o.onStatus = [first = true](const store::StoreStatus& status) mutable {
        // The first "written" is the normal start, not news.
        if (first && status.health == store::StoreHealth::Writing) {
            first = false;
            return;
        }
        first = false;
        printNote(status);
    };
    return o;
}

}  // namespace

std::unique_ptr<SessionLink> SessionLink::start(const std::string& path, MeterSession& session,
                                                const std::string& link, const std::string& port)
{
    const fs::path file(path);
    std::error_code ec;
    fs::path target = file;
    const bool existing = fs::exists(file, ec) && fs::file_size(file, ec) > 0;
    if (existing) {
        if (store::SessionLock::inUse(path)) {
            target = store::newSessionPath(file.parent_path().empty() ? fs::path(".") : file.parent_path(), nowMs());
            std::fprintf(stderr, "tavolo-cli log: %s is in use by another program; recording into %s\n",
                         path.c_str(), target.c_str());
        } else {
            const store::RestoreResult restored = store::restoreSession(file, session);
            if (!restored.ok) {
                std::fprintf(stderr, "tavolo-cli log: %s: %s\n", path.c_str(), restored.message.c_str());
                return nullptr;
            }
            if (!restored.complete) {
                target = store::newSessionPath(file.parent_path().empty() ? fs::path(".") : file.parent_path(),
                                               nowMs());
                std::fprintf(stderr, "tavolo-cli log: %s: %s Recording into %s\n", path.c_str(),
                             restored.message.c_str(), target.c_str());
            } else {
                std::fprintf(stderr, "tavolo-cli log: %zu rows restored from %s\n", restored.rows, path.c_str());
            }
        }
    }
    store::OpenProblem problem = store::OpenProblem::None;
    std::unique_ptr<store::SessionStore> s = store::SessionStore::open(target, session, options(link, port), &problem);
    if (!s && problem == store::OpenProblem::InUse) {
        // Taken between the look and the lock.
        target = store::newSessionPath(target.parent_path().empty() ? fs::path(".") : target.parent_path(), nowMs());
        std::fprintf(stderr, "tavolo-cli log: %s is in use by another program; recording into %s\n", path.c_str(),
                     target.c_str());
        s = store::SessionStore::open(target, session, options(link, port), &problem);
    }
    if (!s) {
        std::fprintf(stderr, "tavolo-cli log: cannot begin the session %s\n", target.c_str());
        return nullptr;
    }
    return std::unique_ptr<SessionLink>(new SessionLink(std::move(s)));
}

bool SessionLink::end()
{
    if (m_store->endNormally())
        return true;
    std::fprintf(stderr, "tavolo-cli log: the session %s could not be ended normally: %s\n",
                 m_store->file().c_str(), m_store->status().note.c_str());
    return false;
}

void printRow(const ReadingTable& table, std::size_t row)
{
    const auto integer = [&](TableField f) {
        const auto v = table.intValue(row, f);
        return v ? std::to_string(*v) : std::string();
    };
    const auto text = [&](TableField f) { return std::string(table.text(row, f)); };
    const auto instant = table.instantMs(row);
    const std::string line = integer(TableField::No) + '\t' + text(TableField::Time) + '\t' + text(TableField::DcAc) +
                             '\t' + text(TableField::Value) + '\t' + text(TableField::Unit) + '\t' +
                             text(TableField::Auto) + '\t' + integer(TableField::NVal) + '\t' +
                             std::string(rangeModeText(table.range(row))) + '\t' +
                             (instant ? std::to_string(*instant) : std::string()) + '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

}  // namespace tavolo::cli
