#pragma once

#include <string>
#include <string_view>

// The remembered broker password: a small file that only its owner may read or
// write (mode 0600), in a folder only the owner may enter when we create it
// (0700). Plain POSIX calls; any thread, one call at a time per file.
namespace tavolo {

// Writes `secret` to `path` by creating a new file with mode 0600 beside it
// (O_CREAT|O_EXCL, so no one else's file or link is ever opened) and renaming it
// over `path` in one step: a link at `path` is replaced, never followed, and the
// old password stays whole if anything fails. Creates a missing folder with
// mode 0700. Returns 0 or the errno of the step that failed.
int writePrivateFile(const std::string& path, std::string_view secret);

// Reads the file (at most 4 KiB) without following a link at `path`. Returns 0,
// or the errno: ENOENT when there is none, ELOOP for a link, EINVAL for
// something that is not a regular file, EFBIG when it is larger.
int readPrivateFile(const std::string& path, std::string& secret);

// Removes the file; 0 also when there was none.
int removePrivateFile(const std::string& path);

}  // namespace tavolo
