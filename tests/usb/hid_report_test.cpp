// The HID report layout and the report lengths taken from a report descriptor.

#include <gtest/gtest.h>

#include "tests/usb/usb_fixture.h"
#include "transports/hid_report.h"

namespace vesmor::test {
namespace {

using Bytes = std::vector<uint8_t>;

std::optional<HidReportLengths> Parse(const Bytes& descriptor) {
    return ParseReportDescriptor(descriptor.data(), descriptor.size());
}

TEST(ReportDescriptor, LengthsCountTheReportIdByteInFront) {
    auto lengths = Parse(VendorDescriptor(8, 8));
    ASSERT_TRUE(lengths);
    EXPECT_EQ(lengths->input, 9);
    EXPECT_EQ(lengths->output, 9);
    EXPECT_FALSE(lengths->numberedReports);
    lengths = Parse(VendorDescriptor(64, 32));
    ASSERT_TRUE(lengths);
    EXPECT_EQ(lengths->input, 65);
    EXPECT_EQ(lengths->output, 33);
}

TEST(ReportDescriptor, NumberedReportsTakeTheLongestReportOfEachKind) {
    const Bytes descriptor = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,        // vendor collection
                              0x85, 0x01, 0x75, 0x08, 0x95, 0x07, 0x81, 0x02,  // id 1: 7 in
                              0x85, 0x02, 0x95, 0x0F, 0x81, 0x02,              // id 2: 15 in
                              0x85, 0x03, 0x75, 0x01, 0x95, 0x10, 0x91, 0x02,  // id 3: 16 bits out
                              0xC0};
    const auto lengths = Parse(descriptor);
    ASSERT_TRUE(lengths);
    EXPECT_EQ(lengths->input, 16);
    EXPECT_EQ(lengths->output, 3);
    EXPECT_TRUE(lengths->numberedReports);
}

TEST(ReportDescriptor, PushAndPopRestoreTheFieldSizes) {
    const Bytes descriptor = {0x75, 0x08, 0x95, 0x04,  // 4 bytes
                              0xA4,                    // Push
                              0x95, 0x20, 0x91, 0x02,  // 32 bytes out
                              0xB4,                    // Pop
                              0x81, 0x02};             // 4 bytes in
    const auto lengths = Parse(descriptor);
    ASSERT_TRUE(lengths);
    EXPECT_EQ(lengths->input, 5);
    EXPECT_EQ(lengths->output, 33);
}

TEST(ReportDescriptor, EmptyOrCutOffDescriptorsGiveNoLengthsAndNeverReadPastTheEnd) {
    EXPECT_FALSE(Parse({}));
    EXPECT_FALSE(Parse({0x06, 0x00}));        // item cut off
    EXPECT_FALSE(Parse({0xFE, 0x40}));        // long item running past the end
    EXPECT_FALSE(Parse({0x75, 0x08, 0x97}));  // 4-byte item without its data
    const Bytes full = VendorDescriptor(8, 8);
    for (size_t cut = 0; cut < full.size(); ++cut) {
        Parse(Bytes(full.begin(), full.begin() + static_cast<long>(cut)));
    }
}

TEST(ReportDescriptor, HugeReportsAreReportedAsTooLongRatherThanWrappingAround) {
    const Bytes descriptor = {0x75, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02};
    const auto lengths = Parse(descriptor);
    ASSERT_TRUE(lengths);
    EXPECT_GT(lengths->input, kMaxHidReportLength);
}

TEST(Reports, DataReportCarriesLengthBytePayloadAndPadding) {
    const Bytes payload = {1, 2, 3};
    EXPECT_EQ(BuildDataReport(payload.data(), payload.size(), 9),
              (Bytes{0, 3, 1, 2, 3, 0, 0, 0, 0}));
}

TEST(Reports, ControlReportStartsOrStopsAndIsAtLeastFourBytes) {
    EXPECT_EQ(BuildControlReport(0, 9), (Bytes{0, 0x82, 0x10, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(BuildControlReport(1, 3), (Bytes{0, 0x82, 0x10, 1}));
}

TEST(Reports, InputPayloadFollowsTheLengthByteButNeverThePresentBytes) {
    const Bytes report = {0, 3, 0xA, 0xB, 0xC, 0xD, 0, 0, 0};
    uint8_t out[16] = {};
    EXPECT_EQ(CopyInputPayload(report.data(), report.size(), out, sizeof out), 3u);
    EXPECT_EQ(Bytes(out, out + 3), (Bytes{0xA, 0xB, 0xC}));
    const Bytes lying = {0, 200, 1, 2, 3, 4};
    EXPECT_EQ(CopyInputPayload(lying.data(), lying.size(), out, sizeof out), 4u);
    EXPECT_EQ(CopyInputPayload(lying.data(), lying.size(), out, 2), 2u) << "capacity";
    EXPECT_EQ(CopyInputPayload(lying.data(), 1, out, sizeof out), 0u);
}

}  // namespace
}  // namespace vesmor::test
