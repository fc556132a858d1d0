#include <cstdio>

#include "commands.h"

namespace tavolo::cli {

int runDecode(int, char**)
{
    std::fputs("tavolo-cli decode: not built yet\n", stderr);
    return 2;
}

}  // namespace tavolo::cli
