// tavolo-cli decode [--decimal SEP] [--hi TEXT] [--lo TEXT] [FILE]
//
// Runs raw meter bytes (FILE, or standard input when FILE is absent or "-")
// through the default profile's receive handler and the reading decoder, with
// the program's start-up state, and prints one JSON object per line at every
// CR byte. Exit status: 0 done, 1 the output could not be written, 2 bad
// arguments or an unreadable input.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "commands.h"
#include "decode/limit_panel.h"
#include "decode/locale_number.h"
#include "decode/meter_decoder.h"
#include "decode_json.h"

namespace tavolo::cli {
namespace {

constexpr const char* kUsage =
    "usage: tavolo-cli decode [--decimal SEP] [--hi TEXT] [--lo TEXT] [FILE]\n"
    "  Decodes the meter's raw bytes (FILE, or standard input) and prints one JSON\n"
    "  object per frame end (CR byte).\n"
    "  --decimal SEP  decimal separator, one punctuation character (default \".\")\n"
    "  --hi TEXT      high limit as typed into the limit panel (default \"22000\")\n"
    "  --lo TEXT      low limit (default \"-22000\")\n";

struct Options {
    std::string decimal = ".";
    std::optional<std::string> hi;
    std::optional<std::string> lo;
    std::string path;
};

int usageError(const std::string& message)
{
    std::fprintf(stderr, "tavolo-cli decode: %s\n%s", message.c_str(), kUsage);
    return 2;
}

bool validSeparator(const std::string& sep)
{
    if (sep.size() != 1)
        return false;
    const char c = sep[0];
    return c > ' ' && c < 0x7F && !(c >= '0' && c <= '9') && !(c >= 'A' && c <= 'Z') && !(c >= 'a' && c <= 'z') &&
           c != '+' && c != '-';
}

// Parses the arguments; on failure returns the exit status in `status`.
std::optional<Options> parse(int argc, char** argv, int& status)
{
    Options options;
    bool havePath = false;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            status = 0;
            return std::nullopt;
        }
        if (arg == "--decimal" || arg == "--hi" || arg == "--lo") {
            if (i + 1 >= argc) {
                status = usageError(arg + " needs a value");
                return std::nullopt;
            }
            const std::string value = argv[++i];
            if (arg == "--decimal")
                options.decimal = value;
            else if (arg == "--hi")
                options.hi = value;
            else
                options.lo = value;
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-') {
            status = usageError("unknown option '" + arg + "'");
            return std::nullopt;
        }
        if (havePath) {
            status = usageError("only one FILE may be given");
            return std::nullopt;
        }
        options.path = arg;
        havePath = true;
    }
    if (!validSeparator(options.decimal)) {
        status = usageError("--decimal '" + options.decimal +
                            "' must be one punctuation character other than '+' and '-'");
        return std::nullopt;
    }
    return options;
}

// Host of the headless decoder: keeps the chart's vertical range and writes a
// line at every frame end.
class CliHost final : public DecoderHost {
public:
    CliHost(std::string decimal, std::int32_t fullScale)
        : m_decimal(std::move(decimal)), m_range{static_cast<double>(fullScale), -static_cast<double>(fullScale)}
    {
    }

    void attach(const MeterDecoder* decoder) { m_decoder = decoder; }
    std::string& output() { return m_out; }

    std::string decimalSymbol() override { return m_decimal; }
    void setChartMaximum(double value) override { m_range.maximum = value; }
    void setChartMinimum(double value) override { m_range.minimum = value; }
    void frameEnded(std::string_view frameText, bool accepted) override
    {
        appendFrameJson(m_out, frameText, accepted, *m_decoder, m_range);
    }

private:
    std::string m_decimal;
    ChartRange m_range;
    const MeterDecoder* m_decoder = nullptr;
    std::string m_out;
};

// Sets a limit edit as the user would enter it: the separator the program
// corrects at the next frame is corrected now, and the text must then be a
// number (the edit would silently turn anything else into "0").
std::optional<std::string> limitText(const char* name, const std::string& text, const std::string& decimal)
{
    std::string corrected = text;
    correctSeparator(corrected, decimal);
    if (!strToFloat(corrected, decimal)) {
        usageError(std::string(name) + " '" + text + "' is not a number (decimal separator '" + decimal + "')");
        return std::nullopt;
    }
    return corrected;
}

bool flush(std::string& out)
{
    if (!out.empty() && std::fwrite(out.data(), 1, out.size(), stdout) != out.size())
        return false;
    out.clear();
    return true;
}

}  // namespace

int runDecode(int argc, char** argv)
{
    int status = 0;
    const std::optional<Options> options = parse(argc, argv, status);
    if (!options)
        return status;

    std::optional<std::string> hi;
    std::optional<std::string> lo;
    if (options->hi && !(hi = limitText("--hi", *options->hi, options->decimal)))
        return 2;
    if (options->lo && !(lo = limitText("--lo", *options->lo, options->decimal)))
        return 2;

    std::FILE* in = stdin;
    const bool fromFile = !options->path.empty() && options->path != "-";
    if (fromFile) {
        in = std::fopen(options->path.c_str(), "rb");
        if (!in) {
            std::fprintf(stderr, "tavolo-cli decode: cannot open '%s': %s\n", options->path.c_str(),
                         std::strerror(errno));
            return 2;
        }
    }
    const std::string inputName = fromFile ? "'" + options->path + "'" : std::string("standard input");

    CliHost host(options->decimal, 22000);
    MeterDecoder decoder(host);
    host.attach(&decoder);
    if (hi)
        decoder.limits().changeT1HI(*hi, static_cast<int>(hi->size()), 0);
    if (lo)
        decoder.limits().changeT1LO(*lo, static_cast<int>(lo->size()), 0);

    std::vector<std::uint8_t> buffer(64 * 1024);
    int result = 0;
    for (;;) {
        const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), in);
        decoder.VexaDATA(buffer.data(), n);
        if (!flush(host.output())) {
            std::fprintf(stderr, "tavolo-cli decode: cannot write the output: %s\n", std::strerror(errno));
            result = 1;
            break;
        }
        if (n < buffer.size()) {
            if (std::ferror(in)) {
                std::fprintf(stderr, "tavolo-cli decode: cannot read %s: %s\n", inputName.c_str(),
                             std::strerror(errno));
                result = 2;
            }
            break;
        }
    }
    if (fromFile)
        std::fclose(in);
    if (result == 0 && std::fflush(stdout) != 0) {
        std::fprintf(stderr, "tavolo-cli decode: cannot write the output: %s\n", std::strerror(errno));
        result = 1;
    }
    return result;
}

}  // namespace tavolo::cli
