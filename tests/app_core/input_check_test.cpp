#include <gtest/gtest.h>

#include "common/input_check.h"
#include "tests/app_core/make_job.h"

namespace tagforge {
namespace {

struct CheckCase {
    const char* name;
    WriteJob job;
    const char* message;  // "" when the job passes
};

void PrintTo(const CheckCase& c, std::ostream* os) {
    *os << c.name;
}

class CheckJobTest : public testing::TestWithParam<CheckCase> {};

TEST_P(CheckJobTest, RefusesWithFirstFailedCheck) {
    EXPECT_EQ(CheckJob(GetParam().job).Text(), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CheckJobTest,
    testing::Values(
        CheckCase{"UnknownFormat", MakeJob(7, 4, "1"),
                  "Geben Sie eine ganze Zahl zwischen 0 und 5 ein."},
        CheckCase{"StartblockNotANumber", MakeJob(0, 4, "1", {.startblock = -1}),
                  "Geben Sie eine positive ganze Zahl ein."},
        CheckCase{"StartblockTooLarge", MakeJob(0, 4, "1", {.startblock = 1025}),
                  "Geben Sie eine ganze Zahl zwischen 0 und 1024 ein."},
        CheckCase{"ByteCountZero", MakeJob(0, 0, "1"),
                  "Geben Sie eine ganze Zahl zwischen 1 und 1023 ein."},
        CheckCase{"DecimalByteCountOver8", MakeJob(2, 9, "1"),
                  "Geben Sie eine ganze Zahl zwischen 1 und 8 ein."},
        CheckCase{"HexTooLong", MakeJob(0, 2, "12345"), "Geben Sie höchstens 4 Zeichen ein."},
        CheckCase{"HexBadDigit", MakeJob(0, 2, "1G"), "Keine Hex-Eingabe"},
        CheckCase{"HexAsciiWithoutPrefix", MakeJob(1, 5, "AB-01"), "Keine Hex-Eingabe"},
        CheckCase{"HexAsciiWithPrefix", MakeJob(1, 5, "AB-01", {.prefix = true}), ""},
        CheckCase{"DecimalBadDigit", MakeJob(2, 8, "12a"), "Keine Dezimal-Eingabe"},
        CheckCase{"DecimalTooLong", MakeJob(2, 8, "123456789012345678901"),
                  "Geben Sie höchstens 20 Zeichen ein."},
        CheckCase{"DecimalAsciiWithPrefixTakesAnyCharacters",
                  MakeJob(3, 20, "any text at all", {.prefix = true}), ""},
        CheckCase{"DecimalAsciiLongerThanItsBytes", MakeJob(3, 4, "12345"),
                  "Geben Sie höchstens 4 Zeichen ein."},
        CheckCase{"DecimalAsciiWithPrefixLongerThanItsBytes",
                  MakeJob(3, 4, "AB-123", {.prefix = true}), "Geben Sie höchstens 4 Zeichen ein."},
        CheckCase{"DataFits", MakeJob(4, 3, "01 02"), ""},
        CheckCase{"DataMorePairsThanBytes", MakeJob(4, 3, "01 02 03 04"),
                  "Datenfeld enthält mehr Daten als erlaubt sind."},
        CheckCase{"DataTooManyBlanks", MakeJob(4, 3, "01      02"),
                  "Geben Sie höchstens 9 Zeichen ein."},
        CheckCase{"DataBadDigit", MakeJob(4, 3, "01 0x"), "Keine Hex-Eingabe"},
        CheckCase{"AsciiTooLong", MakeJob(5, 3, "abcd"), "Geben Sie höchstens 3 Zeichen ein."}),
    [](const testing::TestParamInfo<CheckCase>& info) { return info.param.name; });

TEST(CheckJob, SkippedWriteTextStillChecksNumbers) {
    WriteJob job;
    job.LastData = "not hex";
    EXPECT_TRUE(CheckJob(job, false).Ok());
    job.Startblock = 2000;
    EXPECT_FALSE(CheckJob(job, false).Ok());
}

TEST(ParseUnsignedField, AcceptsDigitsBetweenBlanksOnly) {
    EXPECT_EQ(ParseUnsignedField(" 42 "), 42);
    EXPECT_EQ(ParseUnsignedField("-1"), -1);
    EXPECT_EQ(ParseUnsignedField("4 2"), -1);
    EXPECT_EQ(ParseUnsignedField(""), -1);
    EXPECT_EQ(ParseUnsignedField("99999999999"), INT_MAX);
}

TEST(ParseSignedField, AcceptsOneSignBeforeTheDigits) {
    EXPECT_EQ(ParseSignedField(" -42 "), -42);
    EXPECT_EQ(ParseSignedField("+7"), 7);
    EXPECT_EQ(ParseSignedField("0"), 0);
    EXPECT_EQ(ParseSignedField("-"), std::nullopt);
    EXPECT_EQ(ParseSignedField("--1"), std::nullopt);
    EXPECT_EQ(ParseSignedField("1-"), std::nullopt);
    EXPECT_EQ(ParseSignedField("  "), std::nullopt);
    EXPECT_EQ(ParseSignedField("12a"), std::nullopt);
    EXPECT_EQ(ParseSignedField("99999999999"), INT_MAX);
    EXPECT_EQ(ParseSignedField("-99999999999"), INT_MIN);
}

TEST(NumberFieldChecks, NameTheFailureAndTheBounds) {
    EXPECT_EQ(CheckUnsignedField(-1, 10, 300000).Text(), "Geben Sie eine positive ganze Zahl ein.");
    EXPECT_EQ(CheckUnsignedField(9, 10, 300000).Text(),
              "Geben Sie eine ganze Zahl zwischen 10 und 300000 ein.");
    EXPECT_TRUE(CheckUnsignedField(300000, 10, 300000).Ok());
    EXPECT_EQ(CheckSignedField(std::nullopt, 1, 255).Text(), "Geben Sie eine ganze Zahl ein.");
    EXPECT_EQ(CheckSignedField(-3, 1, 255).Text(),
              "Geben Sie eine ganze Zahl zwischen 1 und 255 ein.");
    EXPECT_TRUE(CheckSignedField(1, 1, 255).Ok());
    EXPECT_FALSE(CheckSignedField(256, 1, 255).Ok());
}

}  // namespace
}  // namespace tagforge
