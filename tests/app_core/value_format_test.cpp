#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/core/value_format.h"
#include "common/messages.h"
#include "tests/app_core/make_job.h"

namespace tagforge {
namespace {

using Bytes = std::vector<uint8_t>;

TagGeometry Tag(uint32_t blockCount, uint32_t blockSize = 4, uint32_t manufacturer = 4) {
    return {blockCount, blockSize, manufacturer};
}

struct WriteCase {
    const char* name;
    WriteJob job;
    TagGeometry tag;
    Bytes bytes;
    int messageId;
};

void PrintTo(const WriteCase& c, std::ostream* os) {
    *os << c.name;
}

class ConvertForWriteTest : public testing::TestWithParam<WriteCase> {};

TEST_P(ConvertForWriteTest, GivesBlockBytesOrRefusal) {
    const WriteCase& c = GetParam();
    const BlockData data = ConvertForWrite(c.job, c.tag);
    EXPECT_EQ(data.messageId, c.messageId);
    EXPECT_EQ(data.bytes, c.bytes);
    if (data.Ok()) {
        EXPECT_EQ(data.blocksToWrite * c.tag.blockSize, data.bytes.size());
    }
}

const char* const kNines20 = "99999999999999999999";

INSTANTIATE_TEST_SUITE_P(
    Formats, ConvertForWriteTest,
    testing::Values(
        WriteCase{
            "HexNumberLeastSignificantFirst", MakeJob(0, 4, "1A2B"), Tag(8), {0x2B, 0x1A, 0, 0}, 0},
        WriteCase{"HexNumberPaddedOnTheLeft", MakeJob(0, 4, "FF"), Tag(8), {0xFF, 0, 0, 0}, 0},
        WriteCase{"HexNumberFillsWholeBlocks",
                  MakeJob(0, 5, "0102030405"),
                  Tag(8),
                  {5, 4, 3, 2, 1, 0, 0, 0},
                  0},
        WriteCase{"DecimalFitsOneByte", MakeJob(2, 1, "255"), Tag(8), {0xFF, 0, 0, 0}, 0},
        WriteCase{"DecimalTooLargeForOneByte", MakeJob(2, 1, "256"), Tag(8), {}, 32853},
        WriteCase{"DecimalWithLeadingZeros", MakeJob(2, 2, "007"), Tag(8), {7, 0, 0, 0}, 0},
        WriteCase{"DecimalLargestSigned64",
                  MakeJob(2, 8, "9223372036854775807"),
                  Tag(8),
                  {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F},
                  0},
        WriteCase{
            "DecimalBeyond64BitIsRefusedNotClamped", MakeJob(2, 8, kNines20), Tag(8), {}, 32853},
        WriteCase{"DecimalOver8Bytes", MakeJob(2, 9, "1"), Tag(8), {}, 32854},
        WriteCase{"CharactersWithLeadingZeros",
                  MakeJob(3, 6, "42", {.autoNull = true}),
                  Tag(8),
                  {'0', '0', '0', '0', '4', '2', 0, 0},
                  0},
        // Cutting would write another value than the status line and the log report.
        WriteCase{"CharactersBeyondByteCountAreRefused", MakeJob(1, 2, "ABC"), Tag(8), {}, 40003},
        WriteCase{"DecimalCharactersBeyondByteCountAreRefused",
                  MakeJob(3, 4, "12345"),
                  Tag(8),
                  {},
                  40003},
        WriteCase{"HexNumberBeyondByteCountIsRefused", MakeJob(0, 1, "123"), Tag(8), {}, 40003},
        WriteCase{"DataPairs", MakeJob(4, 3, "01 02"), Tag(8), {1, 2, 0, 0}, 0},
        WriteCase{
            "DataLoneLastDigitIsItsOwnByte", MakeJob(4, 3, "1 2 3"), Tag(8), {0x12, 0x03, 0, 0}, 0},
        WriteCase{"DataFillingTheByteCount", MakeJob(4, 2, "01 02"), Tag(8), {1, 2, 0, 0}, 0},
        WriteCase{"DataBeyondByteCountIsRefused", MakeJob(4, 2, "0102030"), Tag(8), {}, 40006},
        WriteCase{"EmptyText", MakeJob(0, 4, ""), Tag(8), {}, 32857},
        WriteCase{
            "InfineonLowBlocks", MakeJob(0, 4, "1", {.startblock = 2}), Tag(8, 4, 5), {}, 32858},
        WriteCase{
            "InfineonBlock3", MakeJob(0, 4, "1", {.startblock = 3}), Tag(8, 4, 5), {1, 0, 0, 0}, 0},
        WriteCase{"LastBlocksOfMemory",
                  MakeJob(0, 8, "1", {.startblock = 6}),
                  Tag(8),
                  {1, 0, 0, 0, 0, 0, 0, 0},
                  0},
        WriteCase{"BeyondMemory", MakeJob(0, 8, "1", {.startblock = 7}), Tag(8), {}, 32849},
        WriteCase{"NoTransponderSeen", MakeJob(0, 4, "1"), TagGeometry{}, {}, 32849}),
    [](const testing::TestParamInfo<WriteCase>& info) { return info.param.name; });

struct RenderCase {
    const char* name;
    Bytes bytes;
    int format;
    int byteCount;
    const char* text;
    int messageId;
};

void PrintTo(const RenderCase& c, std::ostream* os) {
    *os << c.name;
}

class RenderBytesTest : public testing::TestWithParam<RenderCase> {};

TEST_P(RenderBytesTest, GivesText) {
    const RenderCase& c = GetParam();
    const RenderedText rendered = RenderBytes(c.bytes, c.format, c.byteCount);
    EXPECT_EQ(rendered.text, c.text);
    EXPECT_EQ(rendered.messageId, c.messageId);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, RenderBytesTest,
    testing::Values(
        RenderCase{"HexNumberMostSignificantFirst", {0x2B, 0x1A, 0, 0}, 0, 4, "00001A2B", 0},
        RenderCase{"HexNumberMissingBytesAreZero", {0xAB}, 0, 2, "00AB", 0},
        RenderCase{"CharactersStopAtZeroByte", {'1', '2', 0, 0}, 3, 4, "12", 0},
        RenderCase{"CharactersAtMostByteCount", {'A', 'B', 'C', 'D'}, 1, 2, "AB", 0},
        RenderCase{"DecimalReadsEightBytes", {7, 0, 0, 0}, 2, 2, "7", 0},
        RenderCase{"DecimalIsSigned", Bytes(8, 0xFF), 2, 8, "-1", 0},
        RenderCase{"DecimalOver8Bytes", {1, 0, 0, 0}, 2, 9, "", 32854},
        RenderCase{"DataPairsWithBlanks", {1, 2, 0, 0}, 4, 3, "01 02 00", 0}),
    [](const testing::TestParamInfo<RenderCase>& info) { return info.param.name; });

TEST(SwitchFormat, FromHexNumberBeforeAnyTransponderReportsMemoryAndEmptiesText) {
    const FormatSwitch result = SwitchFormat(MakeJob(0, 4, "1234"), 1, TagGeometry{});
    EXPECT_EQ(result.text, "");
    EXPECT_EQ(result.messageIds, std::vector<int>{kMsgMaxBlockExceeded});
}

TEST(SwitchFormat, CarriesBytesAcrossFormats) {
    EXPECT_EQ(SwitchFormat(MakeJob(4, 3, "01 02"), 0, TagGeometry{}).text, "000201");
    EXPECT_EQ(SwitchFormat(MakeJob(0, 2, "4142"), 5, Tag(8)).text, "BA");
    EXPECT_EQ(SwitchFormat(MakeJob(3, 4, "12", {.autoNull = true}), 4, TagGeometry{}).text,
              "30 30 31 32");
    EXPECT_EQ(SwitchFormat(MakeJob(2, 2, "258"), 4, TagGeometry{}).text, "02 01");
}

TEST(SwitchFormat, FailedDecimalGivesNoBytesAndOver8BytesReportsOnRendering) {
    EXPECT_EQ(SwitchFormat(MakeJob(2, 1, "256"), 3, TagGeometry{}).text, "");
    const FormatSwitch toDecimal = SwitchFormat(MakeJob(3, 9, "5"), 2, TagGeometry{});
    EXPECT_EQ(toDecimal.text, "");
    EXPECT_EQ(toDecimal.messageIds, std::vector<int>{kMsgDecimalAbove8Bytes});
}

TEST(SwitchFormat, UncheckedHugeByteCountStaysBounded) {
    const FormatSwitch result = SwitchFormat(MakeJob(4, 2000000000, "01"), 0, TagGeometry{});
    EXPECT_EQ(result.text.size(), 2u * kMaxByteCount);
}

}  // namespace
}  // namespace tagforge
