#include <cstdio>
#include <cstring>

#include "commands.h"

namespace {

void printUsage(std::FILE* out)
{
    std::fputs("usage: tavolo-cli COMMAND [ARGS]\n"
               "commands:\n"
               "  decode  [--decimal SEP] [--hi TEXT] [--lo TEXT] [FILE]\n"
               "  convert IN OUT\n"
               "  log     [--input FILE | --port COMn|DEVICE] [--out FILE] [--no-repeat]\n"
               "          [--limit N] [--frames N] [--recall HH:MM:SS [--step S]]\n",
               out);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        printUsage(stderr);
        return 2;
    }
    const char* command = argv[1];
    if (std::strcmp(command, "decode") == 0)
        return tavolo::cli::runDecode(argc - 2, argv + 2);
    if (std::strcmp(command, "convert") == 0)
        return tavolo::cli::runConvert(argc - 2, argv + 2);
    if (std::strcmp(command, "log") == 0)
        return tavolo::cli::runLog(argc - 2, argv + 2);
    if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "-h") == 0) {
        printUsage(stdout);
        return 0;
    }
    std::fprintf(stderr, "tavolo-cli: unknown command '%s'\n", command);
    printUsage(stderr);
    return 2;
}
