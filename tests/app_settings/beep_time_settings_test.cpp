// The settings window's rules: its defaults, the field checks and the order of its writes; the
// About window's check box key.

#include <gtest/gtest.h>

#include "tests/app_settings/recording_profile.h"

namespace tagforge::test {
namespace {

TEST(BeepTimeSettings, MissingKeysShow150And250AndWriteNothing) {
    RecordingProfile profile;
    const BeepTimeSettings s = LoadBeepTimeSettings(profile);
    EXPECT_EQ(s.BeepTime, 150);
    EXPECT_EQ(s.ZyklusZeit, 250);
    EXPECT_TRUE(profile.writes.empty());
}

TEST(BeepTimeSettings, OkWritesTheCyclePeriodFirst) {
    RecordingProfile profile;
    SaveBeepTimeSettings(profile, {0, 1000});
    EXPECT_EQ(profile.writes,
              (std::vector<std::string>{"Settings/ZyklusZeit", "Settings/BeepTime"}));
    EXPECT_EQ(profile.ints["Settings/BeepTime"], 0);
    EXPECT_EQ(profile.ints["Settings/ZyklusZeit"], 1000);
}

TEST(BeepTimeSettings, BoundsAreAcceptedAndValuesBeyondRefused) {
    BeepTimeSettings accepted;
    EXPECT_TRUE(CheckBeepTimeFields("0", "100", accepted).Ok());
    EXPECT_EQ(accepted.BeepTime, 0);
    EXPECT_EQ(accepted.ZyklusZeit, 100);
    EXPECT_TRUE(CheckBeepTimeFields(" 1000 ", "10000", accepted).Ok());
    EXPECT_EQ(accepted.BeepTime, 1000);

    int field = -1;
    const CheckResult beep = CheckBeepTimeFields("1001", "250", accepted, &field);
    EXPECT_EQ(beep.Text(), "Geben Sie eine ganze Zahl zwischen 0 und 1000 ein.");
    EXPECT_EQ(field, 0);
    const CheckResult cycle = CheckBeepTimeFields("300", "50", accepted, &field);
    EXPECT_EQ(cycle.Text(), "Geben Sie eine ganze Zahl zwischen 100 und 10000 ein.");
    EXPECT_EQ(field, 1);
    EXPECT_EQ(accepted.BeepTime, 1000);  // unchanged by a failed check
}

TEST(BeepTimeSettings, TextThatIsNoUnsignedNumberIsRefusedFirstFieldFirst) {
    BeepTimeSettings accepted;
    int field = -1;
    for (const char* text : {"", "-5", "abc", "1.5", "12ms"}) {
        const CheckResult check = CheckBeepTimeFields(text, "x", accepted, &field);
        EXPECT_EQ(check.Text(), "Geben Sie eine positive ganze Zahl ein.") << text;
        EXPECT_EQ(field, 0);
    }
    EXPECT_EQ(CheckBeepTimeFields("300", "99999999999", accepted, &field).Text(),
              "Geben Sie eine ganze Zahl zwischen 100 und 10000 ein.");
}

TEST(UpdateCheckBox, IsOnUntilStoredOff) {
    RecordingProfile profile;
    EXPECT_TRUE(LoadUpdateCheckBox(profile));
    SaveUpdateCheckBox(profile, false);
    EXPECT_EQ(profile.ints["Version/Update"], 0);
    EXPECT_FALSE(LoadUpdateCheckBox(profile));
}

}  // namespace
}  // namespace tagforge::test
