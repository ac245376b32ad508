#include "library/list_buffer.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vesmor {
namespace {

TEST(ListBuffer, NamesWithNulsThenOneMoreNul) {
    char buffer[32];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(WriteListBuffer({"ab", "cde"}, buffer, sizeof buffer), 8);
    EXPECT_EQ(std::memcmp(buffer, "ab\0cde\0\0", 8), 0);
}

TEST(ListBuffer, FirstNameThatDoesNotFitEndsTheList) {
    char buffer[7];
    // "ab\0" fits with the final NUL (4 bytes), "cde\0" would need 8.
    EXPECT_EQ(WriteListBuffer({"ab", "cde", "f"}, buffer, sizeof buffer), 4);
    EXPECT_EQ(std::memcmp(buffer, "ab\0\0", 4), 0);
}

TEST(ListBuffer, SizeOneHoldsOnlyTheFinalNulAndZeroHoldsNothing) {
    char buffer[1] = {'x'};
    EXPECT_EQ(WriteListBuffer({"ab"}, buffer, 1), 1);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(WriteListBuffer({"ab"}, buffer, 0), 0);
}

}  // namespace
}  // namespace vesmor
