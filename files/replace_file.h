#pragma once

#include <functional>
#include <string>

#include "files/output_buffer.h"

// Saving that never leaves a half-written or emptied file: the bytes go to a new
// temporary file in the target's folder, which is flushed to disk and then
// renamed over the target in one step. On any failure the temporary is removed
// and an existing target is left exactly as it was.
namespace tavolo {

// Calls `produce` with a buffered output (fixed 1 MiB buffer) on a temporary file
// beside `path`, then replaces `path` with it. An existing target keeps its
// permission bits; a symbolic link is followed and the file it names is replaced.
// Returns 0 on success, otherwise the errno of the step that failed.
// Blocking; any thread, but not two saves to the same path at once.
int replaceFileWith(const std::string& path, const std::function<void(OutputBuffer&)>& produce);

}  // namespace tavolo
