#include <gtest/gtest.h>

#include "app/core/increment.h"
#include "app/core/value_format.h"
#include "common/messages.h"
#include "tests/app_core/make_job.h"

namespace tagforge {
namespace {

struct IncrementCase {
    const char* name;
    WriteJob job;
    const char* next;
};

void PrintTo(const IncrementCase& c, std::ostream* os) {
    *os << c.name;
}

class IncrementTest : public testing::TestWithParam<IncrementCase> {};

TEST_P(IncrementTest, GivesNextText) {
    EXPECT_EQ(IncrementText(GetParam().job), GetParam().next);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, IncrementTest,
    testing::Values(
        IncrementCase{"HexCarries", MakeJob(1, 4, "09FF"), "0A00"},
        IncrementCase{"HexDropsCarryAndUpperCases", MakeJob(1, 4, "ffff"), "0000"},
        IncrementCase{"HexNumberFormat", MakeJob(0, 4, "1a"), "1B"},
        IncrementCase{"HexPrefixHasNoHexDigit", MakeJob(1, 8, "X-0F", {.prefix = true}), "X-10"},
        IncrementCase{"HexCarryStepsOverOtherChars", MakeJob(1, 8, "12-FF", {.prefix = true}),
                      "13-00"},
        IncrementCase{"HexWithoutNumberStays", MakeJob(1, 8, "X-", {.prefix = true}), "X-"},
        IncrementCase{"DecimalPaddedToByteCount", MakeJob(3, 6, "000042", {.autoNull = true}),
                      "000043"},
        IncrementCase{"DecimalPrefixPadded",
                      MakeJob(3, 7, "AB-0099", {.autoNull = true, .prefix = true}), "AB-0100"},
        IncrementCase{"DecimalPrefixUnpadded", MakeJob(3, 7, "AB-0099", {.prefix = true}),
                      "AB-100"},
        IncrementCase{"DecimalSuffixKept", MakeJob(3, 8, "A9B", {.prefix = true}), "A10B"},
        IncrementCase{"DecimalWithoutNumberStays", MakeJob(3, 8, "ABC", {.prefix = true}), "ABC"},
        IncrementCase{"DecimalBinaryLosesZeros", MakeJob(2, 2, "0099", {.autoNull = true}), "100"},
        IncrementCase{"DecimalPast64Bit", MakeJob(2, 8, "9223372036854775807"),
                      "9223372036854775808"},
        IncrementCase{"DataUnchanged", MakeJob(4, 4, "01 FF"), "01 FF"},
        IncrementCase{"DataAsciiUnchanged", MakeJob(5, 4, "ab12", {.prefix = true}), "ab12"}),
    [](const testing::TestParamInfo<IncrementCase>& info) { return info.param.name; });

TEST(AfterWrite, HexIsLoggedAsTypedAndShownUpperCase) {
    WriteJob job = MakeJob(0, 4, "1a2b", {.autoIncrement = true});
    const WrittenValue written = AfterWrite(job);
    EXPECT_EQ(written.logValue, "1a2b");
    EXPECT_EQ(written.shownText, "1A2B");
    EXPECT_EQ(written.nextText, "1A2C");
}

TEST(AfterWrite, DecimalLosesLeadingZerosWithoutIncrement) {
    WriteJob job = MakeJob(2, 2, "007", {.autoIncrement = true});
    job.AutoIncrement = false;
    const WrittenValue written = AfterWrite(job);
    EXPECT_EQ(written.logValue, "7");
    EXPECT_EQ(written.nextText, "7");
}

TEST(AfterWrite, IncrementBeyondByteCountMakesNextWriteFail) {
    WriteJob job = MakeJob(2, 1, "255", {.autoIncrement = true});
    const TagGeometry tag{8, 4, 0};
    ASSERT_TRUE(ConvertForWrite(job, tag).Ok());
    job.LastData = AfterWrite(job).nextText;
    EXPECT_EQ(job.LastData, "256");
    EXPECT_EQ(ConvertForWrite(job, tag).messageId, kMsgByteCountTooSmall);
}

TEST(LeadingZeroToggle, PadsOrStripsOnlyInCharacterNumberFormats) {
    WriteJob job = MakeJob(3, 6, "42", {.autoIncrement = true});
    job.AutoNull = true;
    EXPECT_EQ(LeadingZeroToggleText(job), "000042");
    job.AutoNull = false;
    job.LastData = "0000420";
    EXPECT_EQ(LeadingZeroToggleText(job), "42");
    job.LastData = "000";
    EXPECT_EQ(LeadingZeroToggleText(job), "0");
    job.Datenformat = 0;
    EXPECT_EQ(LeadingZeroToggleText(job), std::nullopt);
}

}  // namespace
}  // namespace tagforge
