// Report lengths from a report descriptor, as the hidraw backend needs them.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "hid/hidapi/report_descriptor.h"

namespace tavolo::test {
namespace {

TEST(ReportDescriptorTest, UnnumberedVendorReports)
{
    // Vendor page, 9-byte input, 9-byte output, 9-byte feature, no report IDs.
    const std::vector<std::uint8_t> descriptor = {
        0x06, 0xA0, 0xFF,  // Usage Page (vendor 0xFFA0)
        0x09, 0x01,        // Usage 1
        0xA1, 0x01,        // Collection (application)
        0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x09,
        0x09, 0x02, 0x81, 0x02,  // Input
        0x09, 0x03, 0x91, 0x02,  // Output
        0x09, 0x04, 0xB1, 0x02,  // Feature
        0xC0};
    const auto summary = summariseReportDescriptor(descriptor);
    ASSERT_TRUE(summary.has_value());
    EXPECT_FALSE(summary->usesReportIds);
    EXPECT_EQ(summary->inputReportByteLength, 10);
    EXPECT_EQ(summary->outputReportByteLength, 10);
    EXPECT_EQ(summary->featureReportByteLength, 10);
    EXPECT_EQ(summary->usagePage, 0xFFA0);
    EXPECT_EQ(summary->usage, 1);
}

TEST(ReportDescriptorTest, NumberedReportsTakeTheLongestAndBitsRoundUp)
{
    const std::vector<std::uint8_t> descriptor = {
        0x05, 0x01, 0x09, 0x02, 0xA1, 0x01,
        0x85, 0x01, 0x75, 0x01, 0x95, 0x03, 0x81, 0x02,  // ID 1: 3 bits
        0x75, 0x05, 0x95, 0x01, 0x81, 0x01,              //       + 5 bits padding = 1 byte
        0x85, 0x02, 0x75, 0x08, 0x95, 0x04, 0x81, 0x02,  // ID 2: 4 bytes
        0x75, 0x04, 0x95, 0x01, 0x81, 0x02,              //       + 4 bits -> 5 bytes
        0xA4, 0x75, 0x10, 0x95, 0x02, 0xB1, 0x02, 0xB4,  // push/pop: feature of 4 bytes
        0x95, 0x01, 0x81, 0x02,                          // after pop: 4 more bits on ID 2
        0xC0};
    const auto summary = summariseReportDescriptor(descriptor);
    ASSERT_TRUE(summary.has_value());
    EXPECT_TRUE(summary->usesReportIds);
    EXPECT_EQ(summary->inputReportByteLength, 1 + 5);  // 4*8 + 4 + 4 bits
    EXPECT_EQ(summary->featureReportByteLength, 1 + 4);
    EXPECT_EQ(summary->outputReportByteLength, 0);
}

TEST(ReportDescriptorTest, TruncatedItemIsRejected)
{
    const std::vector<std::uint8_t> descriptor = {0x06, 0xA0};
    EXPECT_FALSE(summariseReportDescriptor(descriptor).has_value());
    EXPECT_TRUE(summariseReportDescriptor({}).has_value());
}

}  // namespace
}  // namespace tavolo::test
