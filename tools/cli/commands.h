#pragma once

// The commands of tavolo-cli. Each takes the arguments after its own name and
// returns the process exit status: 0 success, 1 the work failed (for example a
// file that does not load), 2 bad arguments or an unreadable input.
namespace tavolo::cli {

int runDecode(int argc, char** argv);
int runConvert(int argc, char** argv);
int runLog(int argc, char** argv);
int runExport(int argc, char** argv);
int runSessions(int argc, char** argv);
int runWatch(int argc, char** argv);

}  // namespace tavolo::cli
