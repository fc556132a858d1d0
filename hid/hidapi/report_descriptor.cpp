#include "hid/hidapi/report_descriptor.h"

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

namespace tavolo {

namespace {

struct Globals {
    std::uint32_t usagePage = 0;
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint32_t reportId = 0;
};

std::uint16_t bytesWithId(std::uint64_t bits)
{
    const std::uint64_t bytes = (bits + 7) / 8 + 1;
    return static_cast<std::uint16_t>(std::min<std::uint64_t>(bytes, 0xFFFF));
}

}  // namespace

std::optional<ReportDescriptorSummary> summariseReportDescriptor(std::span<const std::uint8_t> descriptor)
{
    ReportDescriptorSummary summary;
    Globals globals;
    std::vector<Globals> stack;
    std::map<std::pair<int, std::uint32_t>, std::uint64_t> bits;  // (kind, report ID) -> bits
    int depth = 0;
    bool topLevelSeen = false;
    std::uint32_t firstUsage = 0;
    bool haveUsage = false;

    std::size_t at = 0;
    while (at < descriptor.size()) {
        const std::uint8_t prefix = descriptor[at++];
        if (prefix == 0xFE) {  // long item: size, tag, data
            if (at + 2 > descriptor.size())
                return std::nullopt;
            const std::size_t size = descriptor[at];
            at += 2;
            if (at + size > descriptor.size())
                return std::nullopt;
            at += size;
            continue;
        }
        const std::size_t size = (prefix & 0x03) == 3 ? 4 : (prefix & 0x03);
        if (at + size > descriptor.size())
            return std::nullopt;
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < size; ++i)
            value |= static_cast<std::uint32_t>(descriptor[at + i]) << (8 * i);
        at += size;
        const int type = (prefix >> 2) & 0x03;
        const int tag = prefix >> 4;

        if (type == 0) {  // main
            switch (tag) {
            case 0x8:
            case 0x9:
            case 0xB: {
                const int kind = tag == 0x8 ? 0 : tag == 0x9 ? 1 : 2;
                bits[{kind, globals.reportId}] +=
                    static_cast<std::uint64_t>(globals.reportSize) * globals.reportCount;
                break;
            }
            case 0xA:
                if (depth == 0 && !topLevelSeen) {
                    topLevelSeen = true;
                    summary.usagePage = static_cast<std::uint16_t>(globals.usagePage);
                    summary.usage = static_cast<std::uint16_t>(haveUsage ? firstUsage : 0);
                }
                ++depth;
                break;
            case 0xC:
                depth = std::max(0, depth - 1);
                break;
            default:
                break;
            }
            haveUsage = false;  // local items end with each main item
        } else if (type == 1) {  // global
            switch (tag) {
            case 0x0: globals.usagePage = value; break;
            case 0x7: globals.reportSize = value; break;
            case 0x8:
                globals.reportId = value;
                summary.usesReportIds = true;
                break;
            case 0x9: globals.reportCount = value; break;
            case 0xA: stack.push_back(globals); break;
            case 0xB:
                if (!stack.empty()) {
                    globals = stack.back();
                    stack.pop_back();
                }
                break;
            default: break;
            }
        } else if (type == 2 && tag == 0x0 && !haveUsage) {  // first local usage
            firstUsage = size == 4 ? (value & 0xFFFF) : value;
            haveUsage = true;
        }
    }

    for (const auto& [key, count] : bits) {
        if (count == 0)
            continue;
        const std::uint16_t length = bytesWithId(count);
        std::uint16_t& slot = key.first == 0   ? summary.inputReportByteLength
                              : key.first == 1 ? summary.outputReportByteLength
                                               : summary.featureReportByteLength;
        slot = std::max(slot, length);
    }
    return summary;
}

}  // namespace tavolo
