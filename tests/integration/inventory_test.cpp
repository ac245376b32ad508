// Inventory with anticollision through VESMOR_Inventory against simulated transponders.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "tests/integration/tag_fixture.h"

namespace vesmor::test {
namespace {

using sim::ChipKind;

TEST(Inventory, FlagsZeroSendsA16SlotInventoryWithoutMask) {
    ReaderWithField reader(0);
    reader.link.ClearLog();
    unsigned char buffer[176];
    EXPECT_EQ(VESMOR_Inventory(reader.handle, buffer, sizeof buffer, 0), -1);
    EXPECT_EQ(reader.LastError(), VESMOR_ERR_NO_TRANSPONDER);  // empty field
    ASSERT_EQ(reader.link.Requests().size(), 1u);
    EXPECT_EQ(reader.link.Requests()[0].command, 0x20);
    EXPECT_EQ(reader.link.Requests()[0].data, Bytes({0x04, 0x01, 0x00}));
}

TEST(Inventory, CollisionsAreResolvedWithNestedMasks) {
    ReaderWithField reader(0);
    // Both UIDs end in nibbles 3, 5: they collide in slot 3, then in slot 5 of the nested pass.
    const sim::Uid a =
        reader.Field().Insert(ChipKind::kNxp, UidWithLowBytes(ChipKind::kNxp, {0x53, 0x01}));
    const sim::Uid b =
        reader.Field().Insert(ChipKind::kNxp, UidWithLowBytes(ChipKind::kNxp, {0x53, 0x02}));
    unsigned char buffer[176];
    ASSERT_EQ(VESMOR_Inventory(reader.handle, buffer, sizeof buffer, 0), 22);
    EXPECT_EQ(reader.Iso(), (std::vector<std::vector<uint8_t>>{Bytes({0x04, 0x01, 0x00}),
                                                               Bytes({0x04, 0x01, 0x04, 0x03}),
                                                               Bytes({0x04, 0x01, 0x08, 0x53})}));
    EXPECT_TRUE(std::equal(a.begin(), a.end(), buffer + 3));
    EXPECT_TRUE(std::equal(b.begin(), b.end(), buffer + 14));
}

TEST(Inventory, TwoTagsWithOneUidStopNestingWhenTheMaskCoversTheUid) {
    ReaderWithField reader(0);
    const sim::Uid twin = sim::MakeUid(ChipKind::kNxp, 7);
    reader.Field().Insert(ChipKind::kNxp, twin);
    reader.Field().Insert(ChipKind::kNxp, twin);
    unsigned char buffer[176];
    EXPECT_EQ(VESMOR_Inventory(reader.handle, buffer, sizeof buffer, 0), 0);
    EXPECT_EQ(reader.Iso().size(), 16u);  // mask lengths 0, 4, ..., 60
}

TEST(Inventory, OneSlotWithTwoTagsIsACollision) {
    ReaderWithField reader(0);
    reader.Field().Insert(ChipKind::kNxp);
    reader.Field().Insert(ChipKind::kStSmall);
    unsigned char buffer[176];
    EXPECT_EQ(VESMOR_Inventory(reader.handle, buffer, sizeof buffer, 0x20), -1);
    EXPECT_EQ(reader.LastError(), VESMOR_ERR_COLLISION);
}

TEST(Inventory, SmallBufferGetsWholeRecordsOnly) {
    ReaderWithField reader(0);
    for (int i = 0; i < 3; ++i)
        reader.Field().Insert(ChipKind::kNxp);
    unsigned char buffer[20];
    EXPECT_EQ(VESMOR_Inventory(reader.handle, buffer, sizeof buffer, 0), 11);
    EXPECT_EQ(VESMOR_Inventory(reader.handle, nullptr, 20, 0), -1);
}

TEST(Inventory, OneTagInEachProtocolType) {
    for (int type = 0; type <= 3; ++type) {
        ReaderWithField reader(type);
        const sim::Uid uid = reader.Field().Insert(ChipKind::kNxp);
        for (int32_t flags : {0x00, 0x20, 0x01, 0x21}) {
            unsigned char buffer[176];
            ASSERT_EQ(VESMOR_Inventory(reader.handle, buffer, sizeof buffer, flags), 11)
                << "type " << type << " flags " << flags;
            EXPECT_EQ(buffer[0], 0);
            EXPECT_TRUE(std::equal(uid.begin(), uid.end(), buffer + 3));
        }
    }
}

TEST(Inventory, NoTransponderInTypes2And3IsError21) {
    for (int type : {2, 3}) {
        ReaderWithField reader(type);
        unsigned char buffer[176];
        EXPECT_EQ(VESMOR_Inventory(reader.handle, buffer, sizeof buffer, 0x20), -1);
        EXPECT_EQ(reader.LastError(), VESMOR_ERR_NO_TRANSPONDER);
    }
}

TEST(Inventory, ShortInventoryAnswerIsError6) {
    ReaderWithField reader(0);
    reader.Field().Insert(ChipKind::kNxp);
    sim::Faults faults;
    faults.statusFor[0x20] = 0;  // a bare "OK" without slot records
    reader.link.SetFaults(faults);
    unsigned char buffer[176];
    EXPECT_EQ(VESMOR_Inventory(reader.handle, buffer, sizeof buffer, 0), -1);
    EXPECT_EQ(reader.LastError(), VESMOR_ERR_INVENTORY_SHORT);
}

// The cap on passes leaves room for a crowded field: 200 transponders with random serial numbers
// are all found.
TEST(Inventory, TwoHundredTagsAreAllFoundWithinThePassLimit) {
    ReaderWithField reader(0);
    std::mt19937_64 rng(200);
    std::set<sim::Uid> placed;
    while (placed.size() < 200)
        placed.insert(reader.Field().Insert(ChipKind::kNxp, sim::MakeUid(ChipKind::kNxp, rng())));
    std::vector<unsigned char> buffer(200 * 11);
    ASSERT_EQ(VESMOR_Inventory(reader.handle, buffer.data(), int32_t(buffer.size()), 0), 2200);
    std::set<sim::Uid> found;
    for (size_t r = 0; r < 200; ++r) {
        sim::Uid uid;
        std::copy_n(buffer.begin() + long(r * 11 + 3), 8, uid.begin());
        found.insert(uid);
    }
    EXPECT_EQ(found, placed);
    EXPECT_LT(reader.Iso().size(), 256u);
    RecordProperty("passes", int(reader.Iso().size()));
}

}  // namespace
}  // namespace vesmor::test
