#include <cstdio>

#include "commands.h"

namespace tavolo::cli {

int runLog(int, char**)
{
    std::fputs("tavolo-cli log: not built yet\n", stderr);
    return 2;
}

}  // namespace tavolo::cli
