#pragma once

#include <memory>
#include <string>

#include "record/meter_session.h"
#include "store/session_store.h"

// tavolo-cli's use of the session store: a session file continued or begun
// for `log --session`, with its notes on standard error.
namespace tavolo::cli {

class SessionLink {
public:
    // Continues `path` when it holds a session (restored into `session` first)
    // or begins it. A file another program writes, or a damaged one, is left
    // alone: the recording goes into a new session file in the same folder (the
    // damaged file's readable rows first), and standard error says so. Null
    // (after a message) when `path` is no session file at all.
    static std::unique_ptr<SessionLink> start(const std::string& path, MeterSession& session,
                                              const std::string& link, const std::string& port);

    // Ends the session normally; false (after a message) when that could not be written.
    bool end();

private:
    explicit SessionLink(std::unique_ptr<store::SessionStore> store) : m_store(std::move(store)) {}
    std::unique_ptr<store::SessionStore> m_store;
};

// One recorded row on standard output at once, tab-separated: No, time, DC/AC,
// Value, Unit, Auto, NVal, range ("AUTO", "MANU" or empty), receive instant
// (ms since 1970 UTC, empty when unknown). Empty fields are empty.
void printRow(const ReadingTable& table, std::size_t row);

}  // namespace tavolo::cli
