// Each data format written into a simulated transponder and read back through the same engine.

#include <gtest/gtest.h>

#include "tests/app_engine/engine_fixture.h"

namespace tagforge::test {
namespace {

using vesmor::sim::ChipKind;

struct FormatCase {
    const char* name;
    ChipKind chip;
    WriteJob job;
    int block;                   // first block written
    std::vector<uint8_t> bytes;  // what that block holds afterwards
    std::string readBack;
    std::string writeField;  // the write text after the write
};

WriteJob Job(int format, int byteCount, std::string text, int start = 0, bool autoNull = false) {
    WriteJob job;
    job.Datenformat = format;
    job.Byteanzahl = byteCount;
    job.LastData = std::move(text);
    job.Startblock = start;
    job.AutoNull = autoNull;
    return job;
}

const FormatCase kCases[] = {
    {"HexBinary", ChipKind::kNxp, Job(0, 4, "1a2b"), 0, {0x2B, 0x1A, 0, 0}, "00001A2B", "1A2B"},
    {"HexAscii", ChipKind::kNxp, Job(1, 4, "AB12"), 0, {'A', 'B', '1', '2'}, "AB12", "AB12"},
    {"DecimalBinary", ChipKind::kNxp, Job(2, 2, "007"), 0, {7, 0, 0, 0}, "7", "7"},
    {"DecimalAscii", ChipKind::kNxp, Job(3, 6, "42", 0, true), 1, {'4', '2', 0, 0}, "000042", "42"},
    {"DataBinary",
     ChipKind::kNxp,
     Job(4, 3, "01 02 0a"),
     0,
     {1, 2, 0x0A, 0},
     "01 02 0A",
     "01 02 0A"},
    {"DataAscii",
     ChipKind::kNxp,
     Job(5, 8, "Tagforge"),
     1,
     {'o', 'r', 'g', 'e'},
     "Tagforge",
     "Tagforge"},
    {"InfineonEightByteBlocks",
     ChipKind::kInfineon,
     Job(2, 4, "4711", 3),
     3,
     {0x67, 0x12, 0, 0, 0, 0, 0, 0},
     "4711",
     "4711"},
    {"StLargeMemorySizeFromTheRepeat",
     ChipKind::kStLarge,
     Job(0, 4, "CAFE", 200),
     200,
     {0xFE, 0xCA, 0, 0},
     "0000CAFE",
     "CAFE"},
};

class FormatRoundTrip : public EngineTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(FormatRoundTrip, WritesTheBlocksAndReadsTheValueBack) {
    const FormatCase& c = GetParam();
    Connect();
    Engine().Settings().BeepTime = 0;
    const auto uid = Field().Insert(c.chip);
    Engine().Job() = c.job;
    ASSERT_EQ(Engine().WriteOnce(), StepResult::kDone) << StatusText();
    EXPECT_EQ(TagBytes(uid, c.block), c.bytes);
    EXPECT_EQ(Engine().Job().LastData, c.writeField);
    EXPECT_EQ(view.writeText, c.writeField);
    ASSERT_EQ(Engine().ReadOnce(), StepResult::kDone) << StatusText();
    EXPECT_EQ(view.readText, c.readBack);
    EXPECT_EQ(Engine().LastReadValue(), c.readBack);
}

INSTANTIATE_TEST_SUITE_P(EachFormat, FormatRoundTrip, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

using InfineonTest = EngineTest;

TEST_F(InfineonTest, FirstThreeBlocksAreRefusedBeforeAnyWrite) {
    Connect();
    Field().Insert(ChipKind::kInfineon);
    for (int start = 0; start < 3; ++start) {
        view.lines.clear();
        SetJob(kFormatHexBinary, 4, "1", start);
        EXPECT_EQ(Engine().WriteOnce(), StepResult::kFailed);
        EXPECT_EQ(view.lines, std::vector<std::string>{
                                  "Beim Infineon Transponder sind die Blocknummern 0,1 und 2 "
                                  "nicht beschreibbar!\r\n"});
    }
    EXPECT_EQ(IsoCount(kIsoWriteBlock), 0u);
}

using ConversionTest = EngineTest;

TEST_F(ConversionTest, DecimalValueTooLargeForItsBytesIsRefusedBeforeAnyWrite) {
    Connect();
    Field().Insert(ChipKind::kNxp);
    SetJob(kFormatDecimalBinary, 1, "256");
    EXPECT_EQ(Engine().WriteOnce(), StepResult::kFailed);
    EXPECT_EQ(view.lines, std::vector<std::string>{"Byteanzahl ist zu klein\r\n"});
    EXPECT_EQ(IsoCount(kIsoWriteBlock), 0u);
}

}  // namespace
}  // namespace tagforge::test
