// Arbitrary chunk sequences through frame assembly and decoding.
//
// Input: byte 0 picks the decimal symbol and the receive handler; then
// repeated records of one length byte and that many bytes. A record whose
// length byte has the top bit set is handed over as a USB frame text; one with
// the next bit set becomes a limit edit text; the rest are receive chunks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "decode/meter_decoder.h"

namespace {

class FuzzHost final : public tavolo::DecoderHost {
public:
    std::string symbol;
    std::string decimalSymbol() override { return symbol; }
};

void check(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static constexpr const char* kSymbols[] = {".", ",", "", "ab"};
    FuzzHost host;
    host.symbol = kSymbols[data[0] & 3];
    const bool ninePayload = (data[0] & 4) != 0;
    tavolo::MeterDecoder decoder(host);
    std::size_t at = 1;
    while (at < size) {
        const std::uint8_t header = data[at++];
        const std::size_t length = std::min<std::size_t>(header & 0x3F, size - at);
        const std::string_view chunk(reinterpret_cast<const char*>(data + at), length);
        if (header & 0x80) {
            decoder.decodeFrameText(chunk);
        } else if (header & 0x40) {
            if (length % 2)
                decoder.limits().changeT1HI(chunk, 0, 0);
            else
                decoder.limits().changeT1LO(chunk, 0, 0);
        } else if (ninePayload) {
            decoder.HKorinRData(data + at, length);
        } else {
            decoder.VexaDATA(data + at, length);
        }
        at += length;
        check(decoder.frameLow().size() <= 14);
        check(decoder.panel().digitCaptions[0].size() <= 1);
        const int index = decoder.lastOutcome().pointIndex;
        check(index >= 0 && index <= 3);
    }
    return 0;
}
