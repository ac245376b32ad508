// VESMOR_GetTagInfo: asked, derived, corrected and repeated system information.

#include <gtest/gtest.h>

#include "tests/integration/tag_fixture.h"

namespace vesmor::test {
namespace {

using sim::ChipKind;

struct Info {
    int32_t result = 0, blocks = -1, size = -1, maker = -1;
};

Info TagInfo(ReaderWithField& reader, const sim::Uid* uid, int32_t flags = 1) {
    Info info;
    info.result = VESMOR_GetTagInfo(reader.handle, uid ? uid->data() : nullptr, uid ? 8 : 0,
                                    &info.blocks, &info.size, &info.maker, flags);
    return info;
}

TEST(TagInfo, InfineonGeometryComesFromTheUidWithoutRadioTraffic) {
    ReaderWithField reader(0);
    sim::Uid uid = sim::MakeUid(ChipKind::kInfineon, 1);
    ASSERT_EQ(uid[5], 0x25);
    reader.link.ClearLog();
    const Info info = TagInfo(reader, &uid);
    EXPECT_EQ(info.result, 0);
    EXPECT_EQ(info.blocks, 64);
    EXPECT_EQ(info.size, 8);
    EXPECT_EQ(info.maker, 0x05);
    EXPECT_TRUE(reader.link.ReceivedBytes().empty());
    // Other chip types of the same maker.
    for (auto [type, blocks] :
         {std::pair{0x05, 128}, {0x45, 32}, {0x65, 16}, {0x85, 256}, {0xA5, 1}}) {
        uid[5] = static_cast<uint8_t>(type);
        EXPECT_EQ(TagInfo(reader, &uid).blocks, blocks) << type;
    }
}

TEST(TagInfo, LargeStChipIsAskedAgainWithTheProtocolExtensionFlag) {
    ReaderWithField reader(1);
    const sim::Uid uid = reader.Field().Insert(ChipKind::kStLarge);
    const Info info = TagInfo(reader, &uid);
    EXPECT_EQ(info.result, 0);
    EXPECT_EQ(info.blocks, 2048);
    EXPECT_EQ(info.size, 4);
    ASSERT_EQ(reader.Iso().size(), 2u);
    EXPECT_EQ(reader.Iso()[0][0], 0x21);
    EXPECT_EQ(reader.Iso()[1][0], 0x29);  // 15-byte answer with a two-byte block count
}

TEST(TagInfo, StChipsAskedWithTheProtocolExtensionFlagGiveATwoByteCount) {
    ReaderWithField reader(0);
    const sim::Uid large = reader.Field().Insert(ChipKind::kStLarge);
    const sim::Uid small = reader.Field().Insert(ChipKind::kStSmall);
    Info info = TagInfo(reader, &large, 0x09);
    EXPECT_EQ(info.blocks, 2048);
    EXPECT_EQ(info.size, 4);
    EXPECT_EQ(reader.Iso().size(), 1u);  // no second request
    info = TagInfo(reader, &small, 0x09);
    EXPECT_EQ(info.blocks, 64);
    EXPECT_EQ(info.size, 4);
}

TEST(TagInfo, NxpChipReporting48BlocksIsTreatedAsHaving8) {
    ReaderWithField reader(0);
    const sim::Uid uid = reader.Field().Insert(ChipKind::kNxp48);
    EXPECT_EQ(TagInfo(reader, &uid).blocks, 8);
}

TEST(TagInfo, TagItWithoutSystemInformationGetsDerivedGeometry) {
    ReaderWithField reader(2);
    reader.Field().Insert(ChipKind::kTi);
    // No UID given: Get System Information fails, the UID is found by a one-slot inventory.
    const Info info = TagInfo(reader, nullptr);
    EXPECT_EQ(info.result, 0);
    EXPECT_EQ(info.blocks, 8);
    EXPECT_EQ(info.size, 4);
    EXPECT_EQ(info.maker, 0x07);
}

TEST(TagInfo, UnaddressedRequestNeedsExactlyOneTransponder) {
    ReaderWithField reader(0);
    reader.Field().Insert(ChipKind::kNxp);
    EXPECT_EQ(TagInfo(reader, nullptr).blocks, 28);
    reader.Field().Insert(ChipKind::kNxp);
    const Info info = TagInfo(reader, nullptr, 1 | VESMOR_FLAG_INFINEON);
    EXPECT_EQ(info.result, -1);
    EXPECT_EQ(reader.LastError(), VESMOR_ERR_NOT_SINGLE);
}

TEST(TagInfo, MissingTransponderFails) {
    ReaderWithField reader(0);
    const sim::Uid uid = sim::MakeUid(ChipKind::kNxp, 99);
    EXPECT_EQ(TagInfo(reader, &uid).result, -1);
    EXPECT_EQ(reader.LastError(), VESMOR_ERR_NO_TRANSPONDER);
}

}  // namespace
}  // namespace vesmor::test
