// The profile in its file under a temporary XDG_CONFIG_HOME.

#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>

#include "app/ui/qt_profile.h"
#include "tests/app_settings/temporary_profile.h"

namespace tagforge::test {
namespace {

QSettings ProfileFile(const TemporaryProfileHome& home) {
    return QSettings(home.ProfileFile(), QSettings::IniFormat);
}

TEST(ProfileFile, FirstStartLeavesExactlyTheDefaults) {
    TemporaryProfileHome home;
    {
        ui::QtProfile profile;
        LoadMainWindowSettings(profile, "/opt/tagforge/");
    }
    ASSERT_TRUE(QFile::exists(home.ProfileFile()));
    QSettings file = ProfileFile(home);
    QStringList keys = file.allKeys();
    keys.sort();
    EXPECT_EQ(keys, (QStringList{"Protokoll/LogFileNameLesen", "Protokoll/LogFileNameSchreiben",
                                 "Settings/AutoIncrement", "Settings/AutoNull", "Settings/BeepTime",
                                 "Settings/Byteanzahl", "Settings/Datenformat", "Settings/LastData",
                                 "Settings/PrefixZulassen", "Settings/RequestFlag",
                                 "Settings/Startblock", "Settings/ZyklusZeit"}));
    EXPECT_EQ(file.value("Settings/RequestFlag").toInt(), 1);
    EXPECT_EQ(file.value("Settings/BeepTime").toInt(), 300);
    EXPECT_EQ(file.value("Settings/ZyklusZeit").toInt(), 250);
    EXPECT_EQ(file.value("Settings/LastData").toString(), "0");
    EXPECT_EQ(file.value("Settings/AutoIncrement").toInt(), 1);
    EXPECT_EQ(file.value("Settings/Byteanzahl").toInt(), 4);
    EXPECT_EQ(file.value("Protokoll/LogFileNameSchreiben").toString(),
              "/opt/tagforge/Protokoll_S.txt");
    EXPECT_EQ(file.value("Protokoll/LogFileNameLesen").toString(), "/opt/tagforge/Protokoll_L.txt");
}

TEST(ProfileFile, EmptyLastDataBecomesZeroAtTheNextStart) {
    TemporaryProfileHome home;
    {
        QSettings file = ProfileFile(home);
        file.setValue("Settings/LastData", "");
    }
    ui::QtProfile profile;
    EXPECT_EQ(LoadMainWindowSettings(profile, "/").job.LastData, "0");
    profile.Flush();
    EXPECT_EQ(ProfileFile(home).value("Settings/LastData").toString(), "0");
}

TEST(ProfileFile, TextsAndNumbersSurviveTheFile) {
    TemporaryProfileHome home;
    {
        ui::QtProfile profile;
        profile.WriteString("Settings", "LastData", "Müller, 100% = \"ok\"");
        profile.WriteInt("MainWnd", "left", -1200);
    }
    ui::QtProfile profile;
    EXPECT_EQ(profile.ReadString("Settings", "LastData", ""), "Müller, 100% = \"ok\"");
    EXPECT_EQ(profile.ReadInt("MainWnd", "left", 0), -1200);
    EXPECT_EQ(profile.ReadInt("MainWnd", "top", 77), 77);
}

TEST(ProfileFile, ANumberWrittenByHandAsTextGivesTheDefault) {
    TemporaryProfileHome home;
    {
        QSettings file = ProfileFile(home);
        file.setValue("Settings/Byteanzahl", "vier");
    }
    ui::QtProfile profile;
    EXPECT_EQ(profile.ReadInt("Settings", "Byteanzahl", -1), -1);
}

}  // namespace
}  // namespace tagforge::test
