#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "app/core/tag_layout.h"
#include "app/core/transponder_text.h"

namespace tagforge {
namespace {

TEST(TagLayout, OnlyBlockSizesOfFourEightSixteenAndThirtyTwoGetFourBlocksToARow) {
    for (int size : {4, 8, 16, 32}) {
        EXPECT_EQ(BlocksPerRow(size), 4) << size;
    }
    for (int size : {0, 1, 2, 3, 5, 12, 28, 64}) {
        EXPECT_EQ(BlocksPerRow(size), 1) << size;
    }
}

TEST(TagLayout, RowsEndAtTheLastBlockAndAreLabelledWithTheirFirstAndLastBlock) {
    const std::vector<BlockRow> rows = BlockRows(30, 4);
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows.front(), (BlockRow{0, 3}));
    EXPECT_EQ(rows.back(), (BlockRow{28, 29}));
    EXPECT_EQ(RowLabel(rows.front()), "00 - 03");
    EXPECT_EQ(RowLabel(rows.back()), "28 - 29");
    EXPECT_EQ(RowLabel(BlockRows(2048, 4).back()), "2044 - 2047");
    EXPECT_EQ(BlockRows(3, 1).back(), (BlockRow{2, 2}));
    EXPECT_TRUE(BlockRows(0, 4).empty());
    EXPECT_TRUE(BlockRows(-5, 4).empty());
    EXPECT_EQ(BlockRows(4, 0).size(), 4u);  // no endless loop for a row width of 0
}

TEST(TagLayout, AnEm4135sLastBlockIsNotReadAndNoBlockBeyondTheCount) {
    EXPECT_TRUE(BlockIsRead(14, 16, kMakerEm4135));
    EXPECT_FALSE(BlockIsRead(15, 16, kMakerEm4135));
    EXPECT_TRUE(BlockIsRead(15, 16, 4));
    EXPECT_FALSE(BlockIsRead(16, 16, 4));
    EXPECT_FALSE(BlockIsRead(-1, 16, 4));
}

TEST(TagLayout, StBlocksAbove255AreReadWithTheProtocolExtensionFlag) {
    EXPECT_EQ(BlockRequestFlags(1, kMakerStMicroelectronics, 255), 1);
    EXPECT_EQ(BlockRequestFlags(1, kMakerStMicroelectronics, 256), 9);
    EXPECT_EQ(BlockRequestFlags(1, 4, 256), 1);
}

TEST(TagLayout, TheTypeLineTakesATranslatedTextWithTheSameFields) {
    const std::array<uint8_t, 8> uid{0x23, 0x01, 0, 0, 0, 0x01, 0x09, 0xE0};
    EXPECT_EQ(TransponderTypeMessageId(9), 229);
    EXPECT_EQ(TransponderTypeMessageId(22), 226);
    EXPECT_EQ(TransponderTypeText(uid),
              "Unknown Type: IC Mfg code 9     Seriennummer: 1099511628067");
    EXPECT_EQ(TransponderTypeText(uid, "code %d serial %lld"), "code 9 serial 1099511628067");
}

}  // namespace
}  // namespace tagforge
