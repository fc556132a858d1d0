#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace tavolo {

// The parts of a HID report descriptor the device layer needs: the longest report
// of each kind and whether reports are numbered. hidraw hands out the descriptor
// but not these lengths.
struct ReportDescriptorSummary {
    bool usesReportIds = false;
    // Longest report of each kind in bytes, plus the report-ID byte (which the
    // program's buffers always carry, 0 for unnumbered reports); 0 when the
    // device has no report of that kind.
    std::uint16_t inputReportByteLength = 0;
    std::uint16_t outputReportByteLength = 0;
    std::uint16_t featureReportByteLength = 0;
    // Of the first top-level collection.
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
};

// Nothing when the descriptor is malformed (an item runs past its end).
std::optional<ReportDescriptorSummary> summariseReportDescriptor(std::span<const std::uint8_t> descriptor);

}  // namespace tavolo
