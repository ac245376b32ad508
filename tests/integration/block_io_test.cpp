// VESMOR_ReadBlock and VESMOR_WriteBlock: every chip family in every protocol type, and the
// chip makers' request forms.

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <numeric>

#include "sim/conveyor.h"

#include "tests/integration/tag_fixture.h"

namespace vesmor::test {
namespace {

using sim::ChipKind;

std::vector<uint8_t> Pattern(int size, uint8_t seed) {
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    std::iota(bytes.begin(), bytes.end(), seed);
    return bytes;
}

struct FamilyCase {
    ChipKind kind;
    int block;  // a writable, readable block
};

class EveryFamilyAndType : public ::testing::TestWithParam<std::tuple<int, FamilyCase>> {};

TEST_P(EveryFamilyAndType, WritesAndReadsBackOneBlock) {
    const auto [type, family] = GetParam();
    ReaderWithField reader(type);
    const sim::Uid uid = reader.Field().Insert(family.kind);
    int32_t blocks = 0, size = 0, maker = 0;
    ASSERT_EQ(VESMOR_GetTagInfo(reader.handle, uid.data(), 8, &blocks, &size, &maker, 1), 0);
    EXPECT_EQ(blocks, sim::GeometryOf(family.kind).blockCount);
    EXPECT_EQ(size, sim::GeometryOf(family.kind).blockSize);
    const std::vector<uint8_t> data = Pattern(size, static_cast<uint8_t>(type * 16 + 1));
    ASSERT_EQ(VESMOR_WriteBlock(reader.handle, family.block, data.data(), size, uid.data(), 8, 1),
              0)
        << "error " << reader.LastError();
    EXPECT_EQ(reader.Field().Block(uid, family.block), data);
    unsigned char back[32] = {};
    ASSERT_EQ(VESMOR_ReadBlock(reader.handle, family.block, back, sizeof back, uid.data(), 8, 1),
              size);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), back));
    EXPECT_EQ(reader.LastError(), 0);
}

INSTANTIATE_TEST_SUITE_P(Families, EveryFamilyAndType,
                         ::testing::Combine(::testing::Values(0, 1, 2, 3),
                                            ::testing::Values(FamilyCase{ChipKind::kStSmall, 10},
                                                              FamilyCase{ChipKind::kStLarge, 255},
                                                              FamilyCase{ChipKind::kNxp, 27},
                                                              FamilyCase{ChipKind::kNxp48, 7},
                                                              FamilyCase{ChipKind::kInfineon, 3},
                                                              FamilyCase{ChipKind::kTi, 5},
                                                              FamilyCase{ChipKind::kFujitsu, 31},
                                                              FamilyCase{ChipKind::kEm, 14},
                                                              FamilyCase{ChipKind::kUnknown, 0})));

TEST(BlockNumbers, SixteenBitNumbersOnlyWithTheProtocolExtensionFlag) {
    ReaderWithField reader(0);
    const sim::Uid uid = reader.Field().Insert(ChipKind::kStLarge);
    unsigned char block[8];
    EXPECT_EQ(VESMOR_ReadBlock(reader.handle, 300, block, sizeof block, uid.data(), 8, 0x01), -1);
    EXPECT_EQ(reader.LastError(), VESMOR_ERR_BLOCK_NUMBER);
    EXPECT_TRUE(reader.Iso().empty());
    EXPECT_EQ(VESMOR_ReadBlock(reader.handle, 300, block, sizeof block, uid.data(), 8, 0x09), 4);
    ASSERT_EQ(reader.Iso().size(), 1u);
    const std::vector<uint8_t> request = reader.Iso()[0];
    EXPECT_EQ(std::vector<uint8_t>(request.end() - 2, request.end()), Bytes({0x2C, 0x01}));
    EXPECT_EQ(VESMOR_ReadBlock(reader.handle, -1, block, sizeof block, uid.data(), 8, 0x09), -1);
    EXPECT_EQ(reader.LastError(), VESMOR_ERR_BLOCK_NUMBER);
}

TEST(ChipRules, TexasInstrumentsWriteUsesTheOptionFlagAndTheReadBackDoesNot) {
    ReaderWithField reader(0);
    // This chip writes but its answer is lost: the library reads the block back to verify.
    const sim::Uid uid = reader.Field().Insert(ChipKind::kFlakyWrite);
    const std::vector<uint8_t> data = Pattern(4, 0x40);
    EXPECT_EQ(
        VESMOR_WriteBlock(reader.handle, 6, data.data(), 4, uid.data(), 8, 1 | VESMOR_FLAG_TI), 0);
    EXPECT_EQ(reader.LastError(), 0);
    ASSERT_EQ(reader.Iso().size(), 2u);
    EXPECT_EQ(reader.Iso()[0][0], 0x61);  // write: addressed, option, sub-carrier
    EXPECT_EQ(reader.Iso()[0][1], 0x21);
    EXPECT_EQ(reader.Iso()[1][0], 0x21);  // read-back without the option flag
    EXPECT_EQ(reader.Iso()[1][1], 0x20);
}

TEST(ChipRules, InfineonUsesItsCustomCommandsAndProtectsBlocks0To2) {
    ReaderWithField reader(0);
    const sim::Uid uid = reader.Field().Insert(ChipKind::kInfineon);
    const std::vector<uint8_t> data = Pattern(8, 1);
    EXPECT_EQ(VESMOR_WriteBlock(reader.handle, 2, data.data(), 8, uid.data(), 8, 1), -1);
    EXPECT_EQ(reader.LastError(), 38);
    unsigned char block[8];
    EXPECT_EQ(VESMOR_ReadBlock(reader.handle, 2, block, 8, uid.data(), 8, 1), 8);
    std::vector<uint8_t> expected = Bytes({0x21, 0xA0, 0x05});
    expected.insert(expected.end(), uid.begin(), uid.end());
    expected.insert(expected.end(), {0x10, 0x02, 0x00});
    EXPECT_EQ(reader.Iso().back(), expected);
    EXPECT_EQ(VESMOR_ReadBlock(reader.handle, 256, block, 8, uid.data(), 8, 1), -1);
    EXPECT_EQ(reader.LastError(), VESMOR_ERR_BLOCK_NUMBER);
}

TEST(ChipRules, FujitsuGetsTheSubcarrierFlagCleared) {
    ReaderWithField reader(1);
    const sim::Uid uid = reader.Field().Insert(ChipKind::kFujitsu);
    unsigned char block[8];
    EXPECT_EQ(VESMOR_ReadBlock(reader.handle, 0, block, 8, uid.data(), 8, 0x03), 8);
    EXPECT_EQ(reader.Iso().back()[0], 0x22);
    // The raw option sends the flags as given: this chip then stays silent.
    EXPECT_EQ(VESMOR_ReadBlock(reader.handle, 0, block, 8, uid.data(), 8, 0x8023), -1);
    EXPECT_EQ(reader.Iso().back()[0], 0x23);
    // Option 0x2000 clears the flag for any maker.
    const sim::Uid nxp = reader.Field().Insert(ChipKind::kNxp);
    EXPECT_EQ(VESMOR_ReadBlock(reader.handle, 0, block, 8, nxp.data(), 8, 0x2001), 4);
    EXPECT_EQ(reader.Iso().back()[0], 0x20);
}

TEST(ChipRules, EmIsReadThroughReadMultipleBlocksAndItsLastBlockIsUnreadable) {
    ReaderWithField reader(0);
    const sim::Uid uid = reader.Field().Insert(ChipKind::kEm);
    unsigned char block[8];
    EXPECT_EQ(VESMOR_ReadBlock(reader.handle, 15, block, 8, uid.data(), 8, 1), -1);
    EXPECT_EQ(reader.LastError(), 36);
    EXPECT_EQ(reader.Iso().back()[1], 0x23);
    EXPECT_EQ(reader.Iso().back().back(), 0x00);
}

TEST(Failures, LockedBlockLeftTransponderAndSmallBuffer) {
    ReaderWithField reader(0);
    const sim::Uid locked = reader.Field().Insert(ChipKind::kLocked);
    const std::vector<uint8_t> data = Pattern(4, 9);
    EXPECT_EQ(VESMOR_WriteBlock(reader.handle, 1, data.data(), 4, locked.data(), 8, 1), -1);
    EXPECT_EQ(reader.LastError(), 38);

    unsigned char small[3];
    EXPECT_EQ(VESMOR_ReadBlock(reader.handle, 5, small, sizeof small, locked.data(), 8, 1), -1);
    EXPECT_EQ(reader.LastError(), VESMOR_ERR_BUFFER_TOO_SMALL);

    // The transponder leaves the field while it is written: the read-back finds nothing.
    const sim::Uid leaving = reader.Field().Insert(ChipKind::kLeaving);
    EXPECT_EQ(VESMOR_WriteBlock(reader.handle, 5, data.data(), 4, leaving.data(), 8, 1), -1);
    EXPECT_EQ(reader.LastError(), VESMOR_ERR_NO_TRANSPONDER);
    EXPECT_EQ(reader.Field().Uids().size(), 1u);

    // Two transponders answering one unaddressed read collide.
    reader.Field().Insert(ChipKind::kNxp);
    unsigned char block[8];
    EXPECT_EQ(VESMOR_ReadBlock(reader.handle, 0, block, 8, nullptr, 0, 1), -1);
    EXPECT_EQ(reader.LastError(), VESMOR_ERR_COLLISION);
}

TEST(Failures, RequestsTooLongToFrameAndBadArguments) {
    ReaderWithField reader(0);
    const sim::Uid uid = reader.Field().Insert(ChipKind::kNxp);
    const std::vector<uint8_t> tooLong(250, 0);
    EXPECT_EQ(VESMOR_WriteBlock(reader.handle, 0, tooLong.data(), 250, uid.data(), 8, 1), -1);
    EXPECT_EQ(reader.LastError(), VESMOR_ERR_BLOCK_COUNT);
    EXPECT_EQ(VESMOR_WriteBlock(reader.handle, 0, nullptr, 4, uid.data(), 8, 1), -1);
    EXPECT_EQ(VESMOR_ReadBlock(reader.handle, 0, nullptr, 4, uid.data(), 8, 1), -1);
    EXPECT_TRUE(reader.Iso().empty());
}

// A conveyor's tag, when its observer hears that it leaves, takes no write any more: what the
// observer sees then is what the tag leaves with. (A write the tag still took after the look
// would leave with it unseen, and a record of the line would miss a value that reached a tag.)
TEST(Conveyor, ALeavingTagTakesNoWriteAfterItsObserverLooked) {
    ReaderWithField reader(0);
    const std::vector<uint8_t> data = Pattern(4, 0x41);
    std::mutex mutex;
    std::condition_variable left;
    std::optional<std::vector<uint8_t>> seen;
    int32_t lateWrite = 0;
    int32_t lateError = 0;
    std::optional<std::vector<uint8_t>> after;
    {
        const sim::Conveyor conveyor(
            reader.Field(), ChipKind::kNxp, 10000, 50, [&](const std::string& event) {
                const std::optional<sim::Uid> uid = sim::ParseUid(event.substr(1));
                if (event[0] != '-' || !uid) {
                    return;
                }
                std::lock_guard lock(mutex);
                seen = reader.Field().Block(*uid, 0);
                // The reader tries a write in the moment after the look.
                lateWrite = VESMOR_WriteBlock(reader.handle, 0, data.data(), 4, uid->data(), 8, 1);
                lateError = reader.LastError();
                after = reader.Field().Block(*uid, 0);
                left.notify_all();
            });
        std::unique_lock lock(mutex);
        ASSERT_TRUE(left.wait_for(lock, std::chrono::seconds(10), [&] { return seen.has_value(); }));
    }
    EXPECT_EQ(lateWrite, -1);
    EXPECT_EQ(lateError, VESMOR_ERR_NO_TRANSPONDER);
    EXPECT_EQ(*seen, std::vector<uint8_t>(4, 0));
    EXPECT_EQ(after, seen) << "the tag took a write after its observer looked";
    EXPECT_TRUE(reader.Field().Uids().empty());
}

}  // namespace
}  // namespace vesmor::test
