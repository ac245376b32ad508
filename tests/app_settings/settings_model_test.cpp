// Which profile keys the main window reads and writes, in which order, with which defaults.

#include <gtest/gtest.h>

#include "tests/app_settings/recording_profile.h"

namespace tagforge::test {
namespace {

TEST(SettingsModel, ConstructionReadsTheKeysInTheirOrder) {
    RecordingProfile profile;
    LoadMainWindowSettings(profile, "/opt/tagforge/");
    EXPECT_EQ(
        profile.reads,
        (std::vector<std::string>{
            "Settings/RequestFlag", "Settings/BeepTime", "Settings/ZyklusZeit", "Settings/LastData",
            "Protokoll/LogFileNameSchreiben", "Protokoll/LogFileNameLesen",
            "Protokoll/LogFileEnableSchreiben", "Protokoll/LogFileEnableLesen",
            "Settings/AutoIncrement", "Settings/AutoNull", "Settings/PrefixZulassen",
            "Settings/Datenformat", "Settings/Startblock", "Settings/Byteanzahl"}));
}

TEST(SettingsModel, FirstStartWritesEveryDefaultButTheLogFlags) {
    RecordingProfile profile;
    const MainWindowSettings s = LoadMainWindowSettings(profile, "/opt/tagforge/");
    EXPECT_EQ(profile.ints, (std::map<std::string, int>{{"Settings/RequestFlag", 1},
                                                        {"Settings/BeepTime", 300},
                                                        {"Settings/ZyklusZeit", 250},
                                                        {"Settings/AutoIncrement", 1},
                                                        {"Settings/AutoNull", 0},
                                                        {"Settings/PrefixZulassen", 0},
                                                        {"Settings/Datenformat", 0},
                                                        {"Settings/Startblock", 0},
                                                        {"Settings/Byteanzahl", 4}}));
    EXPECT_EQ(profile.strings,
              (std::map<std::string, std::string>{
                  {"Settings/LastData", "0"},
                  {"Protokoll/LogFileNameSchreiben", "/opt/tagforge/Protokoll_S.txt"},
                  {"Protokoll/LogFileNameLesen", "/opt/tagforge/Protokoll_L.txt"}}));
    EXPECT_EQ(s.job.LastData, "0");
    EXPECT_TRUE(s.job.AutoIncrement);
    EXPECT_EQ(s.job.Byteanzahl, 4);
    EXPECT_FALSE(s.logs.writeEnabled);
    EXPECT_EQ(s.cycle.BeepTime, 300);
}

TEST(SettingsModel, StoredValuesAreUsedUncheckedAndNotWrittenAgain) {
    RecordingProfile profile;
    profile.ints = {{"Settings/RequestFlag", 9},        {"Settings/BeepTime", 0},
                    {"Settings/ZyklusZeit", 1000},      {"Settings/AutoIncrement", 0},
                    {"Settings/Datenformat", 7},        {"Settings/Byteanzahl", 5000},
                    {"Protokoll/LogFileEnableLesen", 1}};
    profile.strings = {{"Settings/LastData", "AB-0099"},
                       {"Protokoll/LogFileNameSchreiben", "/var/log/s.txt"}};
    const MainWindowSettings s = LoadMainWindowSettings(profile, "/opt/tagforge/");
    EXPECT_EQ(s.cycle.RequestFlag, 9);
    EXPECT_EQ(s.cycle.BeepTime, 0);
    EXPECT_EQ(s.cycle.ZyklusZeit, 1000);
    EXPECT_FALSE(s.job.AutoIncrement);
    EXPECT_EQ(s.job.Datenformat, 7);
    EXPECT_EQ(s.job.Byteanzahl, 5000);
    EXPECT_EQ(s.job.LastData, "AB-0099");
    EXPECT_EQ(s.logs.writeFile, "/var/log/s.txt");
    EXPECT_EQ(s.logs.readFile, "/opt/tagforge/Protokoll_L.txt");
    EXPECT_TRUE(s.logs.readEnabled);
    for (const char* key : {"Settings/RequestFlag", "Settings/BeepTime", "Settings/LastData",
                            "Protokoll/LogFileNameSchreiben"}) {
        EXPECT_EQ(std::count(profile.writes.begin(), profile.writes.end(), key), 0) << key;
    }
}

TEST(SettingsModel, SentinelValuesGetTheirDefaults) {
    RecordingProfile profile;
    profile.ints = {
        {"Settings/AutoIncrement", 255}, {"Settings/AutoNull", 255}, {"Settings/Startblock", -1}};
    profile.strings = {{"Settings/LastData", ""}};
    const MainWindowSettings s = LoadMainWindowSettings(profile, "/");
    EXPECT_TRUE(s.job.AutoIncrement);
    EXPECT_FALSE(s.job.AutoNull);
    EXPECT_EQ(s.job.Startblock, 0);
    EXPECT_EQ(s.job.LastData, "0");
    EXPECT_EQ(profile.ints["Settings/AutoIncrement"], 1);
    EXPECT_EQ(profile.strings["Settings/LastData"], "0");
}

TEST(SettingsModel, ReloadAfterTheSettingsWindowReadsBeepAndCycleTime) {
    RecordingProfile profile;
    CycleSettings cycle{1, 300, 250};
    profile.ints = {{"Settings/BeepTime", 0}, {"Settings/ZyklusZeit", 500}};
    ReloadCycleSettings(profile, cycle);
    EXPECT_EQ(cycle.BeepTime, 0);
    EXPECT_EQ(cycle.ZyklusZeit, 500);
    profile.ints.clear();
    ReloadCycleSettings(profile, cycle);
    EXPECT_EQ(cycle.BeepTime, 300);
    EXPECT_EQ(cycle.ZyklusZeit, 250);
    EXPECT_EQ(profile.ints["Settings/BeepTime"], 300);
}

TEST(SettingsModel, DestructionWritesItsKeysInTheirOrder) {
    RecordingProfile profile;
    MainWindowSettings s;
    s.job.LastData = "42";
    s.logs.readEnabled = true;
    SaveMainWindowSettings(profile, s, {10, 20, 410, 320});
    EXPECT_EQ(profile.writes,
              (std::vector<std::string>{
                  "Settings/ZyklusZeit", "Settings/LastData", "Settings/AutoIncrement",
                  "Settings/AutoNull", "Settings/PrefixZulassen", "Settings/Byteanzahl",
                  "Settings/Startblock", "Settings/Datenformat", "Protokoll/LogFileEnableSchreiben",
                  "Protokoll/LogFileEnableLesen", "MainWnd/left", "MainWnd/top", "MainWnd/right",
                  "MainWnd/bottom"}));
    EXPECT_EQ(profile.ints["Protokoll/LogFileEnableLesen"], 1);
    EXPECT_EQ(profile.ints["MainWnd/right"], 410);
    EXPECT_EQ(LoadWindowRect(profile), (WindowRect{10, 20, 410, 320}));
}

TEST(SettingsModel, WindowRectangleWithoutWidthIsIgnored) {
    RecordingProfile profile;
    EXPECT_FALSE(LoadWindowRect(profile).has_value());
    profile.ints = {{"MainWnd/left", 100}, {"MainWnd/right", 100}, {"MainWnd/bottom", 50}};
    EXPECT_FALSE(LoadWindowRect(profile).has_value());
}

TEST(SettingsModel, RectangleIsMovedOntoTheScreensKeepingItsSize) {
    const WindowRect screen{0, 0, 1920, 1080};
    EXPECT_EQ(MoveIntoScreens({1800, 100, 2400, 500}, screen), (WindowRect{1320, 100, 1920, 500}));
    EXPECT_EQ(MoveIntoScreens({-50, -20, 550, 380}, screen), (WindowRect{0, 0, 600, 400}));
    EXPECT_EQ(MoveIntoScreens({100, 900, 700, 1300}, screen), (WindowRect{100, 680, 700, 1080}));
    EXPECT_EQ(MoveIntoScreens({100, 100, 700, 500}, screen), (WindowRect{100, 100, 700, 500}));
    // Wider than the screens: the right edge is moved last, so it wins.
    EXPECT_EQ(MoveIntoScreens({-100, 0, 2000, 500}, screen), (WindowRect{-180, 0, 1920, 500}));
}

TEST(SettingsModel, ConnectionTakesLineSettingsFromThePortSectionWithoutWritingThem) {
    RecordingProfile profile;
    ConnectionRequest request = LoadConnection(profile, "COM1:1");
    EXPECT_EQ(request.name, "COM1:1");
    EXPECT_EQ(request.baud, 19200);
    EXPECT_EQ(request.timeoutMs, 500);
    EXPECT_TRUE(profile.writes.empty());
    profile.ints = {{"Port/Adresse", 3}, {"Port/Baudrate", 11501}, {"Port/Timeout", 800}};
    request = LoadConnection(profile, "/dev/ttyUSB0:3");
    EXPECT_EQ(request.name, "/dev/ttyUSB0:3");
    EXPECT_EQ(request.baud, 11501);
    EXPECT_EQ(request.timeoutMs, 800);
}

TEST(SettingsModel, ChosenLogFileIsStoredAtOnce) {
    RecordingProfile profile;
    SaveLogFileName(profile, false, "/tmp/l.txt");
    SaveLogFileName(profile, true, "/tmp/s.txt");
    EXPECT_EQ(profile.strings["Protokoll/LogFileNameLesen"], "/tmp/l.txt");
    EXPECT_EQ(profile.strings["Protokoll/LogFileNameSchreiben"], "/tmp/s.txt");
}

}  // namespace
}  // namespace tagforge::test
