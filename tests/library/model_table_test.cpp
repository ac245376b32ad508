#include "library/model_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace vesmor {
namespace {

TEST(ModelTable, KnownCodesFindTheirRowsAndOthersGetTheFallbackName) {
    EXPECT_EQ(ModelName(0x125), ModelTable()[5].displayName);
    EXPECT_EQ(ModelName(0x435), ModelTable()[32].displayName);
    EXPECT_EQ(ModelName(0x126), "QX-#126");
    EXPECT_EQ(ModelName(0x2A7), "QX-#2A7");
    EXPECT_EQ(ModelName(0), "QX-#000");
}

TEST(ModelTable, RowsAreUniqueCodesWithShortNamesAndOneSeriesUnderTwoRanges) {
    std::set<int32_t> codes;
    for (int i = 0; i < kModelTableRows; ++i) {
        const std::string name = ModelTable()[i].displayName;
        EXPECT_GE(name.size(), 6u) << name;
        EXPECT_LE(name.size(), 14u) << name;
        EXPECT_TRUE(codes.insert(ModelTable()[i].deviceTypeCode).second);
    }
    for (int i = 6; i <= 8; ++i) {
        EXPECT_STREQ(ModelTable()[i].displayName, ModelTable()[i + 13].displayName);
    }
    EXPECT_FALSE(IsProgrammerCode(0x454));
    EXPECT_TRUE(IsProgrammerCode(0x117));
}

}  // namespace
}  // namespace vesmor
