#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// What a save or a load reports back. The core never shows anything; the window
// puts `message` in its message box, tavolo-cli prints it.
namespace tavolo {

struct FileResult {
    bool ok = false;
    // For the user: the success or failure text of the action; empty after a
    // successful XML save, which shows nothing.
    std::string message;
    // For failed loads: where and why ("line 3: ..."), for logs and the CLI.
    std::string detail;
    // Rows written, or rows the load put into the table.
    std::size_t rows = 0;
};

inline constexpr std::string_view kLoadFailedMessage = "Failed to Load File!";
inline constexpr std::string_view kLoadFailedTitle = "Error";

std::string tabSaveDoneMessage(std::string_view path);
std::string tabSaveFailedMessage(std::string_view path);
// "Cannot create file "<path>". <the system's reason for errorCode>"
std::string cannotCreateFileMessage(std::string_view path, int errorCode);

FileResult loadFailure(std::string detail);

}  // namespace tavolo
