#include <cstdio>
#include <cstring>

#include "commands.h"
#include "tavolo_version.h"

namespace {

// One row per command: its name, its entry point and its part of --help. The
// manual page and the bash completion list the same commands and options; a
// packaging test compares them with this text, so a new command or option goes
// into all three.
struct Command {
    const char* name;
    int (*run)(int argc, char** argv);
    const char* help;
};

constexpr Command kCommands[] = {
    {"decode", tavolo::cli::runDecode,
     "  decode [--decimal SEP] [--hi TEXT] [--lo TEXT] [FILE]\n"
     "      Decode the meter's raw bytes from FILE (standard input when FILE is absent\n"
     "      or \"-\") and print one JSON object per frame end (CR byte).\n"
     "      --decimal SEP      decimal separator, one punctuation character (default \".\")\n"
     "      --hi TEXT          high limit as typed into the limit panel (default \"22000\")\n"
     "      --lo TEXT          low limit (default \"-22000\")\n"},
    {"convert", tavolo::cli::runConvert,
     "  convert IN OUT\n"
     "      Load the data file IN and save it as OUT. A name ending in \".xml\" is an XML\n"
     "      data packet, one ending in \".csv\" CSV (UTF-8, with timestamps and SI\n"
     "      values), any other name tab-separated text.\n"},
    {"log", tavolo::cli::runLog,
     "  log [--input FILE | --port COMn|DEVICE] [--out FILE] [--no-repeat] [--limit N]\n"
     "      [--frames N] [--recall HH:MM:SS [--step S]] [--session FILE] [--print-rows]\n"
     "      Decode and record readings by the window's record rule, then save the table.\n"
     "      --input FILE       meter bytes from FILE (default: standard input)\n"
     "      --port COMn|DEVICE meter bytes from a serial port (COM1..COM4 or a device\n"
     "                         path), until Ctrl+C or SIGTERM\n"
     "      --out FILE         save the table to FILE (default: tab-separated text on\n"
     "                         standard output)\n"
     "      --no-repeat        record a reading only when it changes\n"
     "      --limit N          record limit (default 10000)\n"
     "      --frames N         stop after N decoded frames\n"
     "      --recall HH:MM:SS  stamp readings from this time of day\n"
     "      --step S           seconds the stamp advances per frame (default 1)\n"
     "      --session FILE     mirror the table into the session file FILE as it is\n"
     "                         recorded (continuing FILE when it holds a session) and\n"
     "                         end the session normally on exit, Ctrl+C or SIGTERM\n"
     "      --print-rows       print each recorded row on standard output as it is\n"
     "                         recorded (No, time, DC/AC, Value, Unit, Auto, NVal,\n"
     "                         range, receive instant in ms since 1970 UTC) instead of\n"
     "                         the table at the end\n"
     "      [--mqtt URL [--mqtt-prefix P] [--mqtt-qos 0|1] [--mqtt-user U]\n"
     "       [--mqtt-password-file F] [--mqtt-cafile CA] [--mqtt-cert F --mqtt-key F]]\n"
     "      --mqtt URL         also publish every decoded reading live to the MQTT broker\n"
     "                         at mqtt://HOST[:PORT] or mqtts://HOST[:PORT] (TLS)\n"
     "      --mqtt-prefix P    topic prefix (default tavolo/HOSTNAME/PORT): readings go\n"
     "                         to P/reading, the retained status to P/status\n"
     "      --mqtt-qos 0|1     1 (default): every reading acknowledged, sent again\n"
     "                         after a broken link; 0: at most once\n"
     "      --mqtt-user U      user name at the broker\n"
     "      --mqtt-password-file F  the password, first line of F\n"
     "      --mqtt-cafile CA   mqtts: the CA that signed the broker's certificate\n"
     "                         (default: the system's CAs)\n"
     "      --mqtt-cert F      mqtts: client certificate (with --mqtt-key)\n"
     "      --mqtt-key F       mqtts: its private key\n"},
    {"export", tavolo::cli::runExport,
     "  export SESSION OUT\n"
     "      Save the table of the session file SESSION as OUT, by OUT's name like any\n"
     "      save (\".xml\" an XML data packet, anything else tab-separated text). A\n"
     "      damaged session gives the rows that could be read and exit status 1.\n"},
    {"sessions", tavolo::cli::runSessions,
     "  sessions [DIR]\n"
     "      List the session files in DIR (default: $XDG_DATA_HOME/tavolo/sessions, else\n"
     "      ~/.local/share/tavolo/sessions): start, end, rows, ended normally, size.\n"},
    {"watch", tavolo::cli::runWatch,
     "  watch URL/TOPIC [--mqtt-user U] [--mqtt-password-file F] [--mqtt-cafile CA]\n"
     "      [--mqtt-cert F --mqtt-key F]\n"
     "      Print every message of TOPIC (wildcards + and # allowed) at the broker, as\n"
     "      in mqtt://127.0.0.1:1883/tavolo/bench3/COM1/reading, one JSON line each:\n"
     "      {\"topic\":...,\"retained\":...,\"payload\":...}, until Ctrl+C or SIGTERM.\n"
     "      The options are those of log.\n"},
};

void printUsage(std::FILE* out)
{
    std::fputs("usage: tavolo-cli COMMAND [OPTIONS] [ARGS]\n"
               "       tavolo-cli COMMAND --help\n"
               "       tavolo-cli --help | --version\n"
               "Decodes, converts, logs and publishes the readings of a Tavolo multimeter without the window.\n"
               "\n"
               "commands:\n",
               out);
    for (const Command& command : kCommands)
        std::fputs(command.help, out);
    std::fputs("\n"
               "Exit status: 0 done, 1 the work failed (output not written, file not loaded or\n"
               "not saved), 2 bad arguments or unreadable input.\n",
               out);
}

bool isHelp(const char* arg)
{
    return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        printUsage(stderr);
        return 2;
    }
    const char* name = argv[1];
    if (isHelp(name)) {
        printUsage(stdout);
        return 0;
    }
    if (std::strcmp(name, "--version") == 0) {
        std::printf("tavolo-cli %s\n", tavolo::kVersion);
        return 0;
    }
    for (const Command& command : kCommands) {
        if (std::strcmp(name, command.name) != 0)
            continue;
        if (argc == 3 && isHelp(argv[2])) {
            std::printf("usage: tavolo-cli %s", command.help + 2);  // the row without its indent
            return 0;
        }
        return command.run(argc - 2, argv + 2);
    }
    std::fprintf(stderr, "tavolo-cli: unknown command '%s'\n", name);
    printUsage(stderr);
    return 2;
}
