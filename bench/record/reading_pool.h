#pragma once

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "decode/reading.h"

namespace tavolo::bench {

// Readings as a meter on the 220 mV range sends them: a random walk of the
// count, a few functions and units, mostly "Pass". Made up front so the
// measurement sees the recording, not the generator.
inline std::vector<Reading> makeReadingPool(std::size_t count, std::uint64_t seed = 7)
{
    std::mt19937_64 random(seed);
    std::vector<Reading> pool(count);
    int counts = 3210;
    char text[16];
    for (std::size_t i = 0; i < count; ++i) {
        counts += static_cast<int>(random() % 41) - 20;
        if (counts > 21999 || counts < -21999)
            counts = 0;
        const int magnitude = counts < 0 ? -counts : counts;
        std::snprintf(text, sizeof text, "%s%03d.%02d", counts < 0 ? "-" : "", magnitude / 100, magnitude % 100);
        Reading& r = pool[i];
        r.valueText = text;
        r.numericValue = counts;
        r.chartValue = counts * 0.01;
        const bool ac = (i / 5000) % 4 == 3;
        r.acDcText = ac ? "AC" : "DC";
        r.unitText = "mV";
        r.rangeText = (i / 20000) % 5 == 4 ? "MANU" : "AUTO";
        r.judgeText = magnitude > 20000 ? "Fail" : "Pass";
    }
    return pool;
}

}  // namespace tavolo::bench
