#include <gtest/gtest.h>

#include <filesystem>

#include "app/core/data_file.h"
#include "tests/periphery_ini/temp_dir.h"

namespace tagforge {
namespace {

WriteJob SampleJob() {
    WriteJob job;
    job.LastData = "AB-0099";
    job.AutoIncrement = true;
    job.PrefixZulassen = true;
    job.Datenformat = 3;
    job.Startblock = 5;
    job.Byteanzahl = 7;
    return job;
}

TEST(DataFile, SavesSevenKeysInOrderAndLoadsThemBack) {
    TempDir dir;
    const std::string path = dir.File("job.KTDat");
    ASSERT_TRUE(SaveDataFile(path, SampleJob()));
    EXPECT_EQ(ReadBytes(path),
              "[Settings]\r\nLastData=AB-0099\r\nAutoIncrement=1\r\nAutoNull=0\r\n"
              "PrefixZulassen=1\r\nDatenformat=3\r\nStartblock=5\r\nByteanzahl=7\r\n");
    EXPECT_EQ(LoadDataFile(path), SampleJob());
}

TEST(DataFile, FileWithAByteOrderMarkFromAnEditorLoads) {
    TempDir dir;
    const std::string path = dir.File("job.KTDat");
    WriteBytes(path,
               "\xEF\xBB\xBF[Settings]\r\nLastData=AB-0099\r\nAutoIncrement=1\r\n"
               "PrefixZulassen=1\r\nDatenformat=3\r\nStartblock=5\r\nByteanzahl=7\r\n");
    EXPECT_EQ(LoadDataFile(path), SampleJob());
}

TEST(DataFile, ResavingKeepsOtherContentAndChangesOfLetterCase) {
    TempDir dir;
    const std::string path = dir.File("job.KTDat");
    WriteBytes(path, ";comment\n[Settings]\nLastData=ab-0099\n");
    ASSERT_TRUE(SaveDataFile(path, SampleJob()));
    const std::string text = ReadBytes(path);
    EXPECT_EQ(text.rfind(";comment\r\n[Settings]\r\nLastData=AB-0099\r\n", 0), 0u);
    EXPECT_EQ(LoadDataFile(path).LastData, "AB-0099");
}

TEST(DataFile, MissingSectionOrKeysGiveDefaults) {
    TempDir dir;
    const std::string path = dir.File("other.KTDat");
    WriteBytes(path, "[Other]\nLastData=x\nByteanzahl=9\n");
    EXPECT_EQ(LoadDataFile(path), WriteJob{});
    WriteBytes(path, "[Settings]\nDatenformat=4\n");
    WriteJob expected;
    expected.Datenformat = 4;
    EXPECT_EQ(LoadDataFile(path), expected);
}

TEST(DataFile, MissingFileGivesDefaultsAndIsLeftEmpty) {
    TempDir dir;
    const std::string path = dir.File("new.KTDat");
    EXPECT_EQ(LoadDataFile(path), WriteJob{});
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(ReadBytes(path), "");
}

TEST(DataFile, SaveIntoMissingDirectoryFails) {
    TempDir dir;
    EXPECT_FALSE(SaveDataFile(dir.File("missing/job.KTDat"), SampleJob()));
}

}  // namespace
}  // namespace tagforge

namespace tagforge {
namespace {

// Values the INI text cannot carry as they are come back byte for byte; a value it can carry is
// saved as before, without the extra key.
TEST(DataFileValues, EveryFormatsEdgeValuesSurviveSaveAndLoad) {
    TempDir dir;
    const std::string path = dir.File("job.KTDat");
    const std::vector<std::pair<int, std::string>> values = {
        {5, "A\r\nB"},    {5, "  AB  "},
        {5, "\tTab\x01"}, {5, "\"quoted\""},
        {5, "x;y=z[1]"},  {4, "00 0D 0A"},
        {4, ""},          {0, "0"},
        {1, "00FF"},      {2, "18446744073709551615"},
        {3, "0000"},      {5, "äöü ß \\ "},
        {5, " "},
    };
    for (const auto& [format, value] : values) {
        WriteJob job = SampleJob();
        job.Datenformat = format;
        job.LastData = value;
        ASSERT_TRUE(SaveDataFile(path, job)) << value;
        EXPECT_EQ(LoadDataFile(path), job) << "[" << value << "]";
    }
}

TEST(DataFileValues, PlainValueIsSavedAsBeforeAndAStaleEncodingIsCleared) {
    TempDir dir;
    const std::string path = dir.File("job.KTDat");
    WriteJob job = SampleJob();
    ASSERT_TRUE(SaveDataFile(path, job));
    EXPECT_EQ(ReadBytes(path).find("LastDataHex"), std::string::npos) << ReadBytes(path);
    job.LastData = "A\r\nB";
    ASSERT_TRUE(SaveDataFile(path, job));
    EXPECT_NE(ReadBytes(path).find("LastDataHex=410D0A42"), std::string::npos) << ReadBytes(path);
    job.LastData = "plain";
    ASSERT_TRUE(SaveDataFile(path, job));
    EXPECT_EQ(LoadDataFile(path).LastData, "plain");
    // An older file without the key loads as before.
    WriteBytes(path, "[Settings]\r\nLastData=  AB\r\nDatenformat=5\r\n");
    EXPECT_EQ(LoadDataFile(path).LastData, "AB");
}

}  // namespace
}  // namespace tagforge
