#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>

#include "periphery/private_profile.h"

namespace {

std::string Rewritten(const std::string& text) {
    CPrivateProfile ini;
    ini.Parse(text);
    return ini.Format();
}

TEST(IniParse, FiveLineExampleKeepsOrderAndLaterKeyWins) {
    CPrivateProfile ini;
    ini.Parse("a=1\r\n[S]\r\nk = v\r\n;c\r\nk=w\r\n");
    const auto& sections = ini.GetSections();
    ASSERT_EQ(sections.size(), 2u);
    EXPECT_EQ(sections[0].name, "");
    EXPECT_EQ(sections[0].keys, (std::vector<std::string>{"a"}));
    EXPECT_EQ(sections[0].values, (std::vector<std::string>{"1"}));
    EXPECT_EQ(sections[1].name, "S");
    EXPECT_EQ(sections[1].keys, (std::vector<std::string>{"k", ";c", "k"}));
    EXPECT_EQ(sections[1].values, (std::vector<std::string>{"v", "", "w"}));
    EXPECT_EQ(ini.GetString("S", "k", "-"), "w");
    EXPECT_EQ(ini.GetString("s", "K", "-"), "w");
    EXPECT_EQ(ini.GetString("S", "missing", "-"), "-");
    EXPECT_EQ(ini.Format(), "a=1\r\n[S]\r\nk=v\r\n;c\r\nk=w\r\n");
}

TEST(IniParse, LeadingByteOrderMarkIsSkipped) {
    CPrivateProfile ini;
    ini.Parse("\xEF\xBB\xBF[Settings]\r\nLastData=42\r\n");
    EXPECT_EQ(ini.GetString("Settings", "LastData", "-"), "42");
    EXPECT_EQ(ini.Format(), "[Settings]\r\nLastData=42\r\n");
}

TEST(IniParse, RewriteAddsEqualsDropsBlankLinesAndSpacesAroundEquals) {
    EXPECT_EQ(Rewritten("\n\nplain  \r\n\r\n[S]\n  key  =  value \t\n \t\n;note = x\n=\n"),
              "plain=\r\n[S]\r\n  key=value \r\n;note = x\r\n");
}

// Written without its "[]" header, y would join section A when the file is read again.
TEST(IniParse, EmptyHeaderMakesUnnamedSectionThatKeepsItsHeader) {
    CPrivateProfile ini;
    ini.Parse("[A]\nx=1\n[]\ny=2\n");
    ASSERT_EQ(ini.GetSections().size(), 3u);
    EXPECT_EQ(ini.GetSections()[2].name, "");
    EXPECT_EQ(ini.Format(), "[A]\r\nx=1\r\n[]\r\ny=2\r\n");
    EXPECT_EQ(Rewritten(ini.Format()), ini.Format());
}

TEST(IniParse, HeaderFollowedBySpaceIsAKeyButFollowedByTabIsAHeader) {
    EXPECT_EQ(Rewritten("[S] \r\nk=v\r\n"), "[S]=\r\nk=v\r\n");
    EXPECT_EQ(Rewritten("[S]\t\r\nk=v\r\n"), "[S]\r\nk=v\r\n");
}

TEST(IniParse, HeadersWithoutLinesVanishAndDuplicatesStaySeparate) {
    CPrivateProfile ini;
    ini.Parse("[Empty]\n[A]\nx=1\n[A]\nx=2\n");
    EXPECT_EQ(ini.Format(), "[A]\r\nx=1\r\n[A]\r\nx=2\r\n");
    EXPECT_EQ(ini.GetString("A", "x", ""), "1");
    EXPECT_EQ(ini.FindSection("Empty"), -1);
}

TEST(IniParse, GetIntReadsLeadingNumberOrDefault) {
    CPrivateProfile ini;
    ini.Parse("[S]\na=12abc\nb=abc\nc=\nd=  -7\ne=99999999999\n");
    EXPECT_EQ(ini.GetInt("S", "a", 5), 12);
    EXPECT_EQ(ini.GetInt("S", "b", 5), 0);
    EXPECT_EQ(ini.GetInt("S", "c", 5), 5);
    EXPECT_EQ(ini.GetInt("S", "d", 5), -7);
    EXPECT_EQ(ini.GetInt("S", "e", 5), INT_MAX);
    EXPECT_EQ(ini.GetInt("S", "missing", 5), 5);
}

TEST(IniParse, SetStringAppendsToSectionAndNewSectionsAtTheEnd) {
    CPrivateProfile ini;
    ini.Parse("[A]\nx=1\n[B]\ny=2\n");
    ini.SetString("a", "z", "3");
    ini.SetInt("C", "n", -4);
    EXPECT_TRUE(ini.IsModified());
    EXPECT_EQ(ini.Format(), "[A]\r\nx=1\r\nz=3\r\n[B]\r\ny=2\r\n[C]\r\nn=-4\r\n");
}

TEST(IniParse, ChangeOfLetterCaseAloneIsNoModification) {
    CPrivateProfile ini;
    ini.Parse("[S]\nk=Value\n");
    ini.SetString("S", "K", "VALUE");
    EXPECT_FALSE(ini.IsModified());
    EXPECT_EQ(ini.GetString("S", "k", ""), "VALUE");
    ini.SetString("S", "k", "other");
    EXPECT_TRUE(ini.IsModified());
}

// Found by fuzzing: "=[Empty]" was written back as "[Empty]", a header, and the data file's
// keys after it were lost to their section when it was read again.
TEST(IniParse, AValueWithoutKeyKeepsItsEqualsSignAndTheLinesAfterItInTheirSection) {
    CPrivateProfile ini;
    ini.Parse("[Settings]\n=[Empty]\n[]\nk=1\n");
    ini.SetString("Settings", "LastData", "x");
    EXPECT_EQ(ini.Format(), "[Settings]\r\n=[Empty]\r\nLastData=x\r\n[]\r\nk=1\r\n");
    CPrivateProfile reread;
    reread.Parse(ini.Format());
    EXPECT_EQ(reread.GetString("Settings", "LastData", ""), "x");
    EXPECT_EQ(reread.Format(), ini.Format());
}

// Random files made of the characters the parser reacts to: once written back, a file reads as
// the same sections, keys and values, and writing it back again changes nothing. That includes
// a line with nothing before its "=" and the lines after a "[]" header, which once moved into
// another section when written back.
TEST(IniParse, RandomFilesSurviveBeingWrittenBack) {
    static const std::string kAlphabet = "[]=;# \t\r\n\r\nabK1";
    std::mt19937 rng(1508);
    int checked = 0;
    for (int run = 0; run < 5000; ++run) {
        std::string text;
        const int length = std::uniform_int_distribution<int>(0, 80)(rng);
        for (int i = 0; i < length; ++i) {
            const int pick = std::uniform_int_distribution<int>(0, int(kAlphabet.size()))(rng);
            text += pick < int(kAlphabet.size())
                        ? kAlphabet[size_t(pick)]
                        : static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng));
        }
        SCOPED_TRACE(::testing::Message() << "run " << run);
        CPrivateProfile original;
        original.Parse(text);
        ++checked;
        const std::string once = original.Format();
        CPrivateProfile reread;
        reread.Parse(once);
        ASSERT_EQ(reread.Format(), once);
        for (const auto& section : original.GetSections()) {
            for (const auto& key : section.keys) {
                if (key.empty() || key[0] == ';')
                    continue;
                ASSERT_EQ(reread.GetString(section.name, key, "\x01"),
                          original.GetString(section.name, key, "\x01"))
                    << "[" << section.name << "] " << key;
            }
        }
    }
    EXPECT_GT(checked, 2000);
}

}  // namespace
