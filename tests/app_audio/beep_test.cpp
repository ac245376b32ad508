// The success beep: the tone it plays, silence for 0 ms, the terminal bell without a device.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "app/audio/alsa_beeper.h"

namespace tagforge {
namespace {

TEST(SineTone, HasTheLengthOfItsDurationAndStartsAndEndsSilent) {
    const std::vector<int16_t> tone = SineTone(440, 300, 48000);
    ASSERT_EQ(tone.size(), 14400u);
    EXPECT_EQ(tone.front(), 0);
    EXPECT_LT(std::abs(tone.back()), 200);
    const auto [low, high] = std::minmax_element(tone.begin(), tone.end());
    EXPECT_GT(*high, 15000);
    EXPECT_LT(*low, -15000);
}

TEST(SineTone, CrossesZeroTwicePerPeriod) {
    const std::vector<int16_t> tone = SineTone(440, 1000, 48000);
    int crossings = 0;
    for (size_t i = 1; i < tone.size(); ++i) {
        crossings += (tone[i - 1] < 0) != (tone[i] < 0);
    }
    EXPECT_NEAR(crossings, 880, 2);
}

TEST(SineTone, NoDurationGivesNoSamples) {
    EXPECT_TRUE(SineTone(440, 0, 48000).empty());
    EXPECT_TRUE(SineTone(440, -5, 48000).empty());
}

// What the beeper writes to stderr while `f` runs.
template <class F>
std::string StderrOf(F f) {
    int pipeFds[2];
    EXPECT_EQ(pipe(pipeFds), 0);
    const int saved = dup(STDERR_FILENO);
    dup2(pipeFds[1], STDERR_FILENO);
    f();
    dup2(saved, STDERR_FILENO);
    close(saved);
    close(pipeFds[1]);
    char buffer[64];
    const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
    close(pipeFds[0]);
    return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

TEST(AlsaBeeper, WithoutAnAudioDeviceRingsTheTerminalBell) {
    int pumps = 0;
    AlsaBeeper beeper([&pumps] { ++pumps; }, "tagforge_no_such_device");
    EXPECT_EQ(StderrOf([&] { beeper.Beep(440, 50); }), "\a");
}

TEST(AlsaBeeper, ZeroDurationIsSilent) {
    AlsaBeeper beeper({}, "tagforge_no_such_device");
    EXPECT_EQ(StderrOf([&] { beeper.Beep(440, 0); }), "");
}

}  // namespace
}  // namespace tagforge
