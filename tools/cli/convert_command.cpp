#include <cstdio>

#include "commands.h"

namespace tavolo::cli {

int runConvert(int, char**)
{
    std::fputs("tavolo-cli convert: not built yet\n", stderr);
    return 2;
}

}  // namespace tavolo::cli
