// The update check's rules without a network: the version file, version numbers, the
// comparison, the own version text, the installer's name and the allowed addresses.

#include "app/update/version_check.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <ctime>

namespace tagforge::update {
namespace {

constexpr const char* kFile =
    "[Other_Program]\r\nVersion=9.99\r\nBuild=2030-01-01\r\n"
    "[vesmor_tagforge]\r\nversion=1.18\r\nBUILD=2026-01-02\r\n"
    "Installer=https://update.example/rfid/software/Tagforge_Setup.run\r\n";

TEST(VersionFile, NoTextMeansNoVersionFile) {
    EXPECT_FALSE(ParseVersionFile("").has_value());
}

TEST(VersionFile, ReadsTheProgramSectionWhateverTheCaseOfItsNames) {
    const auto published = ParseVersionFile(kFile);
    ASSERT_TRUE(published.has_value());
    EXPECT_EQ(published->version, "1.18");
    EXPECT_EQ(published->build, "2026-01-02");
    EXPECT_EQ(published->installer, "https://update.example/rfid/software/Tagforge_Setup.run");
}

TEST(VersionFile, AnErrorPageIsATextWithoutVersionAndBuild) {
    const auto published = ParseVersionFile("<html><body>404 Not Found</body></html>");
    ASSERT_TRUE(published.has_value());
    EXPECT_EQ(published->version, "");
    EXPECT_EQ(published->build, "");
}

TEST(VersionFile, MalformedValuesCountAsMissing) {
    for (const char* version : {"abc", "1.", ".5", "1.2.3", "-1.5", "1.18x", "12345678.1"}) {
        const auto published = ParseVersionFile(std::string("[VESMOR_Tagforge]\nVersion=") +
                                                version + "\nBuild=2026-01-02\n");
        ASSERT_TRUE(published.has_value());
        EXPECT_EQ(published->version, "") << version;
        EXPECT_EQ(published->build, "2026-01-02");
    }
    for (const char* build : {"zzzz", "2026-13-01", "2026-01-00", "2026-1-02", "2026-01-02x"}) {
        const auto published =
            ParseVersionFile(std::string("[VESMOR_Tagforge]\nVersion=1.2\nBuild=") + build + "\n");
        ASSERT_TRUE(published.has_value());
        EXPECT_EQ(published->build, "") << build;
        EXPECT_EQ(published->version, "1.2");
    }
}

TEST(VersionFile, AnOversizedTextGivesNoInformation) {
    std::string text = "[VESMOR_Tagforge]\nVersion=9.9\nBuild=2030-01-01\n";
    text.append(kMaxVersionFileBytes, ';');
    const auto published = ParseVersionFile(text);
    ASSERT_TRUE(published.has_value());
    EXPECT_EQ(published->version, "");
    EXPECT_EQ(published->build, "");
}

TEST(VersionFile, BinaryGarbageNeverCrashes) {
    std::string garbage;
    for (int i = 0; i < 5000; ++i) {
        garbage += static_cast<char>((i * 7919) % 256);
    }
    EXPECT_TRUE(ParseVersionFile(garbage).has_value());
}

TEST(VersionNumber, IsMajorTimesThousandPlusMinor) {
    EXPECT_EQ(VersionNumber("1.18"), 1018U);
    EXPECT_EQ(VersionNumber("1.2"), 1002U);
    EXPECT_EQ(VersionNumber("-.--"), 0U);
    EXPECT_EQ(VersionNumber("3"), 3000U);
    EXPECT_EQ(VersionNumber(" 2.05beta"), 2005U);
    EXPECT_EQ(VersionNumber(""), 0U);
    EXPECT_EQ(VersionNumber("1.0.0"), 1000U);
}

TEST(VersionNumber, SplitsAtTheFirstDotAfterTheFirstCharacter) {
    // ".5": the dot at the start is part of the major text, which reads as 0.
    EXPECT_EQ(VersionNumber(".5"), 0U);
    EXPECT_EQ(VersionNumber("..5"), 5U);
}

TEST(UpdateAvailable, SameVersionAndBuildIsNoUpdate) {
    EXPECT_FALSE(IsUpdateAvailable("1.18", "2026-01-01", "1.18", "2026-01-01"));
}

TEST(UpdateAvailable, ALaterBuildIsAnUpdate) {
    EXPECT_TRUE(IsUpdateAvailable("1.18", "2026-01-01", "1.18", "2026-01-02"));
}

TEST(UpdateAvailable, OneTwoIsOlderThanOneEighteenButTheBuildStillCounts) {
    EXPECT_FALSE(IsUpdateAvailable("1.18", "2026-01-01", "1.2", "2025-12-31"));
    EXPECT_FALSE(IsUpdateAvailable("1.18", "2026-01-01", "1.2", ""));
    EXPECT_TRUE(IsUpdateAvailable("1.18", "2026-01-01", "1.2", "2026-02-01"));
}

TEST(UpdateAvailable, WithoutAnOwnVersionAnyPublishedVersionIsNewer) {
    EXPECT_TRUE(IsUpdateAvailable(OwnVersionText(std::nullopt), "2026-01-01", "0.1", ""));
    EXPECT_TRUE(IsUpdateAvailable(kNoVersion, "2099-01-01", "1.0", "2000-01-01"));
}

TEST(OwnVersion, MissingEmptyOrTooLongGivesDashes) {
    EXPECT_EQ(OwnVersionText(std::nullopt), "-.--");
    EXPECT_EQ(OwnVersionText(""), "-.--");
    EXPECT_EQ(OwnVersionText("12345678901234567890"), "-.--");
    EXPECT_EQ(OwnVersionText("1234567890123456789"), "1234567890123456789");
}

TEST(OwnVersion, ShortVersionsGetOneBlank) {
    EXPECT_EQ(OwnVersionText("1.1"), "1.1 ");
    EXPECT_EQ(OwnVersionText("1.18"), "1.18");
    EXPECT_EQ(OwnVersionText("2"), "2 ");
}

TEST(InstallerName, IsThePartAfterTheLastSlash) {
    EXPECT_EQ(InstallerFileName("https://update.example/rfid/software/Setup.run"), "Setup.run");
    EXPECT_EQ(InstallerFileName("Setup.run"), "Setup.run");
    // No '/' after the first character: the whole address.
    EXPECT_EQ(InstallerFileName("/Setup.run"), "Setup.run");
}

TEST(InstallerName, NamesThatAreNoFileAreRefused) {
    EXPECT_EQ(InstallerFileName(""), "");
    EXPECT_EQ(InstallerFileName("https://update.example/rfid/"), "");
    EXPECT_EQ(InstallerFileName("https://update.example/.."), "");
    EXPECT_EQ(InstallerFileName("/"), "");
}

TEST(Addresses, HttpsIsAllowedAndPlainHttpOnlyOnLoopback) {
    EXPECT_TRUE(AddressAllowed("https", "update.example"));
    EXPECT_FALSE(AddressAllowed("http", "update.example"));
    EXPECT_FALSE(AddressAllowed("http", "10.0.0.1"));
    EXPECT_FALSE(AddressAllowed("http", "127.0.0.1.example"));
    EXPECT_FALSE(AddressAllowed("http", "127.0.0.256"));
    EXPECT_TRUE(AddressAllowed("http", "127.0.0.1"));
    EXPECT_TRUE(AddressAllowed("http", "127.1.2.3"));
    EXPECT_TRUE(AddressAllowed("http", "localhost"));
    EXPECT_TRUE(AddressAllowed("http", "::1"));
    EXPECT_FALSE(AddressAllowed("ftp", "127.0.0.1"));
    EXPECT_FALSE(AddressAllowed("file", ""));
}

TEST(Addresses, TheReservedInvalidDomainIsNeverLookedUp) {
    EXPECT_FALSE(AddressAllowed("https", "update.vek-applikationen.invalid"));
    EXPECT_FALSE(AddressAllowed("https", "UPDATE.INVALID"));
    EXPECT_FALSE(AddressAllowed("https", "invalid"));
    EXPECT_FALSE(AddressAllowed("https", "INVALID"));
    EXPECT_FALSE(AddressAllowed("https", "invaliD"));
    EXPECT_FALSE(AddressAllowed("http", "Invalid"));
    EXPECT_TRUE(AddressAllowed("https", "invalid.example"));
    EXPECT_TRUE(AddressAllowed("https", "notinvalid"));
}

TEST(FileDate, IsTheLocalModificationDate) {
    char path[] = "/tmp/vesmor_file_date_XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    std::tm day{};
    day.tm_year = 2026 - 1900;
    day.tm_mon = 0;
    day.tm_mday = 2;
    day.tm_hour = 12;
    day.tm_isdst = -1;
    const std::time_t noon = std::mktime(&day);
    const struct timespec times[2] = {{noon, 0}, {noon, 0}};
    ASSERT_EQ(futimens(fd, times), 0);
    EXPECT_EQ(FileDate(path), "2026-01-02");
    std::remove(path);
    EXPECT_EQ(FileDate(path), "");
}

}  // namespace
}  // namespace tagforge::update
