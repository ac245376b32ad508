// VESMOR_ReadBlocks against the simulator: the same bytes or the same error as reading block
// after block with VESMOR_ReadBlock, for every chip kind and protocol type, with fewer
// exchanges where the chip serves Read Multiple Blocks.

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/integration/tag_fixture.h"

namespace vesmor::test {
namespace {

using sim::ChipKind;

constexpr uint8_t kReadMultiple = 0x23;
constexpr uint8_t kReadSingle = 0x20;

// Every block gets bytes that tell it apart from every other block.
void FillTag(sim::TagField& field, const sim::Uid& uid, ChipKind kind) {
    const sim::TagGeometry g = sim::GeometryOf(kind);
    for (int block = 0; block < g.blockCount; ++block) {
        std::vector<uint8_t> bytes(static_cast<size_t>(g.blockSize));
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<uint8_t>(block * 7 + static_cast<int>(i) * 31 + (block >> 8));
        ASSERT_TRUE(field.SetBlock(uid, block, bytes));
    }
}

// What reading block after block gives: the bytes, or the error of the first failing block.
struct Outcome {
    int32_t result = 0;  // bytes, or -1
    int32_t error = 0;
    std::vector<uint8_t> bytes;
};

Outcome BlockByBlock(int32_t handle, int32_t first, int32_t count, const sim::Uid* uid,
                     int32_t flags) {
    Outcome o;
    for (int32_t block = first; block < first + count; ++block) {
        unsigned char data[64];
        const int32_t n = VESMOR_ReadBlock(handle, block, data, sizeof data,
                                           uid ? uid->data() : nullptr, uid ? 8 : 0, flags);
        if (n < 0) {
            return {-1, VESMOR_GetLastError(handle), {}};
        }
        o.bytes.insert(o.bytes.end(), data, data + n);
    }
    o.result = static_cast<int32_t>(o.bytes.size());
    return o;
}

Outcome InRuns(int32_t handle, int32_t first, int32_t count, const sim::Uid* uid, int32_t flags,
               int32_t size = -1) {
    std::vector<uint8_t> buffer(static_cast<size_t>(size >= 0 ? size : count * 33));
    Outcome o;
    o.result =
        VESMOR_ReadBlocks(handle, first, count, buffer.data(), static_cast<int32_t>(buffer.size()),
                          uid ? uid->data() : nullptr, uid ? 8 : 0, flags);
    if (o.result < 0) {
        o.error = VESMOR_GetLastError(handle);
    } else {
        o.bytes.assign(buffer.begin(), buffer.begin() + o.result);
    }
    return o;
}

void ExpectSame(const Outcome& single, const Outcome& runs) {
    EXPECT_EQ(runs.result, single.result);
    EXPECT_EQ(runs.error, single.error);
    EXPECT_EQ(runs.bytes, single.bytes);
}

// Reads block after block, then in runs, and expects the same; the field's request log holds
// only the runs' requests afterwards. Returns the block-by-block outcome.
Outcome ExpectRunsReadAsSingles(ReaderWithField& reader, int32_t first, int32_t count,
                                const sim::Uid& uid, int32_t flags) {
    const Outcome single = BlockByBlock(reader.handle, first, count, &uid, flags);
    reader.Field().ClearIsoRequests();
    ExpectSame(single, InRuns(reader.handle, first, count, &uid, flags));
    return single;
}

size_t CountCommand(const std::vector<std::vector<uint8_t>>& requests, uint8_t command) {
    return static_cast<size_t>(std::count_if(requests.begin(), requests.end(), [&](const auto& r) {
        return r.size() >= 2 && r[1] == command;
    }));
}

class EveryKindAndType : public ::testing::TestWithParam<std::tuple<int, std::string>> {};

TEST_P(EveryKindAndType, TheWholeTagReadsAsBlockAfterBlock) {
    const auto& [type, name] = GetParam();
    const ChipKind kind = *sim::ChipKindByName(name);
    ReaderWithField reader(type);
    const sim::Uid uid = reader.Field().Insert(kind);
    FillTag(reader.Field(), uid, kind);
    const int32_t count = sim::GeometryOf(kind).blockCount;
    // STMicroelectronics chips are addressed with 16-bit block numbers throughout.
    const int32_t flags = uid[6] == 0x02 ? 0x09 : 0x01;
    const Outcome single = ExpectRunsReadAsSingles(reader, 0, count, uid, flags);
    if (kind == ChipKind::kEm) {
        EXPECT_EQ(single.error, 36);  // its last block cannot be read
    } else {
        EXPECT_EQ(single.result, count * sim::GeometryOf(kind).blockSize);
    }
    // Chips that serve runs need far fewer exchanges than blocks.
    if (kind == ChipKind::kStLarge) {
        EXPECT_EQ(reader.Iso().size(), 34u);  // a run of 7, then runs of 63
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, EveryKindAndType,
                         ::testing::Combine(::testing::Values(0, 1, 2, 3),
                                            ::testing::ValuesIn(sim::ChipKindNames())),
                         [](const auto& info) {
                             std::string name = std::get<1>(info.param);
                             std::replace(name.begin(), name.end(), '-', '_');
                             return "type" + std::to_string(std::get<0>(info.param)) + "_" + name;
                         });

TEST(ReadBlocksRuns, AnswerFramesCarryAsManyBlocksAsFitInEveryProtocolType) {
    for (int type = 0; type <= 3; ++type) {
        SCOPED_TRACE(type);
        ReaderWithField reader(type);
        const sim::Uid uid = reader.Field().Insert(ChipKind::kStLarge);
        unsigned char buffer[200 * 5];
        ASSERT_EQ(VESMOR_ReadBlocks(reader.handle, 0, 200, buffer, sizeof buffer, uid.data(), 8, 1),
                  800);
        // 7 to learn the block size, then 63 four-byte blocks (252 bytes) per answer.
        std::vector<int> counts;
        for (const auto& r : reader.Iso())
            counts.push_back(r.back() + 1);
        EXPECT_EQ(counts, (std::vector<int>{7, 63, 63, 63, 4}));
        // The block size is remembered for the UID: with the option flag 50 blocks of 4 + 1.
        reader.Field().ClearIsoRequests();
        ASSERT_EQ(
            VESMOR_ReadBlocks(reader.handle, 0, 120, buffer, sizeof buffer, uid.data(), 8, 0x41),
            600);
        counts.clear();
        for (const auto& r : reader.Iso())
            counts.push_back(r.back() + 1);
        EXPECT_EQ(counts, (std::vector<int>{50, 50, 20}));
    }
}

TEST(ReadBlocksRuns, OptionFlagGivesEachBlockItsSecurityStatusAsSingleReadsDo) {
    ReaderWithField reader(0);
    const sim::Uid uid = reader.Field().Insert(ChipKind::kLocked);
    FillTag(reader.Field(), uid, ChipKind::kLocked);
    const Outcome single = BlockByBlock(reader.handle, 0, 28, &uid, 0x41);
    ASSERT_EQ(single.result, 28 * 5);
    EXPECT_EQ(single.bytes[0], 0x01);   // block 0 is locked
    EXPECT_EQ(single.bytes[20], 0x00);  // block 4 is not
    ExpectSame(single, InRuns(reader.handle, 0, 28, &uid, 0x41));
}

TEST(ReadBlocksRuns, SixteenBitBlockNumbersAboveBlock255) {
    ReaderWithField reader(1);
    const sim::Uid uid = reader.Field().Insert(ChipKind::kStLarge);
    FillTag(reader.Field(), uid, ChipKind::kStLarge);
    EXPECT_EQ(ExpectRunsReadAsSingles(reader, 250, 100, uid, 0x09).result, 400);
    // flags, 0x23, UID, block 250 low and high byte, count - 1.
    const auto iso = reader.Iso();
    ASSERT_FALSE(iso.empty());
    EXPECT_EQ(std::vector<uint8_t>(iso[0].begin() + 10, iso[0].end()), Bytes({0xFA, 0x00, 6}));
    // Without the protocol extension flag block 256 has no number: refused before sending.
    reader.Field().ClearIsoRequests();
    unsigned char buffer[64];
    EXPECT_EQ(VESMOR_ReadBlocks(reader.handle, 250, 10, buffer, sizeof buffer, uid.data(), 8, 1),
              -1);
    EXPECT_EQ(reader.LastError(), VESMOR_ERR_BLOCK_NUMBER);
    EXPECT_TRUE(reader.Iso().empty());
}

TEST(ReadBlocksFallback, ChipThatRefusesRunsIsReadBlockByBlockAndRemembered) {
    ReaderWithField reader(0);
    const sim::Uid ti = reader.Field().Insert(ChipKind::kTi);
    const sim::Uid nxp = reader.Field().Insert(ChipKind::kNxp);
    FillTag(reader.Field(), ti, ChipKind::kTi);
    const Outcome single = ExpectRunsReadAsSingles(reader, 0, 8, ti, 1);
    EXPECT_EQ(CountCommand(reader.Iso(), kReadMultiple), 1u);
    EXPECT_EQ(CountCommand(reader.Iso(), kReadSingle), 8u);
    // The next call goes straight to single reads; another transponder still gets runs.
    reader.Field().ClearIsoRequests();
    ExpectSame(single, InRuns(reader.handle, 0, 8, &ti, 1));
    EXPECT_EQ(CountCommand(reader.Iso(), kReadMultiple), 0u);
    reader.Field().ClearIsoRequests();
    EXPECT_EQ(InRuns(reader.handle, 0, 28, &nxp, 1).result, 112);
    EXPECT_EQ(CountCommand(reader.Iso(), kReadSingle), 0u);
}

TEST(ReadBlocksFallback, ChipThatRefusesLongRunsInTheMiddleStillReadsAsBlockAfterBlock) {
    ReaderWithField reader(2);
    const sim::Uid uid = reader.Field().Insert(ChipKind::kNxpRuns8);
    FillTag(reader.Field(), uid, ChipKind::kNxpRuns8);
    EXPECT_EQ(ExpectRunsReadAsSingles(reader, 0, 112, uid, 1).result, 448);
    // A run of 7 served, the run of 63 refused, the remaining 105 blocks one by one.
    EXPECT_EQ(CountCommand(reader.Iso(), kReadMultiple), 2u);
    EXPECT_EQ(CountCommand(reader.Iso(), kReadSingle), 105u);
}

TEST(ReadBlocksFallback, ReaderThatCutsLongAnswersGivesTheSameBytes) {
    sim::ReaderConfig config = Reader(0);
    config.maxAnswerData = 40;
    sim::PtyLink link(config);
    const sim::Uid uid = link.Field().Insert(ChipKind::kStSmall);
    FillTag(link.Field(), uid, ChipKind::kStSmall);
    const int32_t handle = VESMOR_OpenPort(link.Path().c_str(), 19200, 300);
    ASSERT_GT(handle, 0);
    const Outcome single = BlockByBlock(handle, 0, 64, &uid, 1);
    ASSERT_EQ(single.result, 256);
    ExpectSame(single, InRuns(handle, 0, 64, &uid, 1));
    ExpectSame(single, InRuns(handle, 0, 64, &uid, 1));
    VESMOR_ClosePort(handle);
}

TEST(ReadBlocksErrors, UnreadableBlockGivesTheErrorOfItsSingleRead) {
    ReaderWithField reader(0);
    const sim::Uid uid = reader.Field().Insert(ChipKind::kNxp);
    // Blocks 20 to 29 of a 28-block tag: block 28 is not there.
    const Outcome single = BlockByBlock(reader.handle, 20, 10, &uid, 1);
    EXPECT_EQ(single.error, 36);
    ExpectSame(single, InRuns(reader.handle, 20, 10, &uid, 1));
    // The failure belongs to the block, not to the chip: whole runs are still used.
    reader.Field().ClearIsoRequests();
    EXPECT_EQ(InRuns(reader.handle, 0, 28, &uid, 1).result, 112);
    EXPECT_EQ(CountCommand(reader.Iso(), kReadSingle), 0u);
}

TEST(ReadBlocksErrors, BadArgumentsAreRefusedWithTheirErrorAndNothingSent) {
    ReaderWithField reader(0);
    const sim::Uid uid = reader.Field().Insert(ChipKind::kNxp);
    unsigned char buffer[16];
    EXPECT_EQ(VESMOR_ReadBlocks(reader.handle, 0, 0, buffer, sizeof buffer, uid.data(), 8, 1), -1);
    EXPECT_EQ(reader.LastError(), VESMOR_ERR_BLOCK_COUNT);
    EXPECT_EQ(VESMOR_ReadBlocks(reader.handle, 0, 2, nullptr, 8, uid.data(), 8, 1), -1);
    EXPECT_EQ(reader.LastError(), VESMOR_ERR_BLOCK_COUNT);
    EXPECT_EQ(VESMOR_ReadBlocks(reader.handle, -1, 2, buffer, sizeof buffer, uid.data(), 8, 1), -1);
    EXPECT_EQ(reader.LastError(), VESMOR_ERR_BLOCK_NUMBER);
    EXPECT_EQ(VESMOR_ReadBlocks(reader.handle, 200, 100, buffer, sizeof buffer, uid.data(), 8, 1),
              -1);
    EXPECT_EQ(reader.LastError(), VESMOR_ERR_BLOCK_NUMBER);
    EXPECT_TRUE(reader.Iso().empty());
    EXPECT_EQ(VESMOR_ReadBlocks(9999, 0, 1, buffer, sizeof buffer, uid.data(), 8, 1), -1);
    EXPECT_EQ(VESMOR_GetLastError(9999), VESMOR_ERR_UNKNOWN_HANDLE);
}

TEST(ReadBlocksErrors, BufferTooSmallIsError5AndNothingIsWrittenPastIt) {
    ReaderWithField reader(0);
    const sim::Uid uid = reader.Field().Insert(ChipKind::kNxp);
    // Exactly the caller's size on the heap, so that ASan sees every byte written past it.
    for (const int32_t count : {1, 5, 28}) {
        const int32_t size = count * 4 - 1;
        auto buffer = std::make_unique<unsigned char[]>(static_cast<size_t>(size));
        EXPECT_EQ(VESMOR_ReadBlocks(reader.handle, 0, count, buffer.get(), size, uid.data(), 8, 1),
                  -1);
        EXPECT_EQ(reader.LastError(), VESMOR_ERR_BUFFER_TOO_SMALL);
    }
    unsigned char exact[112];
    EXPECT_EQ(VESMOR_ReadBlocks(reader.handle, 0, 28, exact, sizeof exact, uid.data(), 8, 1), 112);
}

TEST(ReadBlocksErrors, NullUidIsNoUidAndReadsTheSingleTransponderUnaddressed) {
    ReaderWithField reader(0);
    const sim::Uid uid = reader.Field().Insert(ChipKind::kNxp);
    FillTag(reader.Field(), uid, ChipKind::kNxp);
    const Outcome addressed = BlockByBlock(reader.handle, 0, 28, &uid, 1);
    reader.Field().ClearIsoRequests();
    unsigned char buffer[112];
    ASSERT_EQ(VESMOR_ReadBlocks(reader.handle, 0, 28, buffer, sizeof buffer, nullptr, 8, 1), 112);
    EXPECT_TRUE(std::equal(addressed.bytes.begin(), addressed.bytes.end(), buffer));
    for (const auto& r : reader.Iso())
        EXPECT_EQ(r[0] & 0x20, 0) << "addressed without a UID";
    // Two transponders answering an unaddressed run: the collision single reads report too.
    reader.Field().Insert(ChipKind::kNxp);
    const Outcome single = BlockByBlock(reader.handle, 0, 28, nullptr, 1);
    EXPECT_EQ(single.error, VESMOR_ERR_COLLISION);
    ExpectSame(single, InRuns(reader.handle, 0, 28, nullptr, 1));
}

}  // namespace
}  // namespace vesmor::test
