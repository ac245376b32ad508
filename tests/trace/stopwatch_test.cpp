// The stopwatch lines of the application.

#include <gtest/gtest.h>

#include "app/core/reader_library.h"

namespace tagforge {
namespace {

TEST(StopwatchLine, ShowsTheClockTheLabelAndMinutesSecondsMillisecondsMicroseconds) {
    EXPECT_EQ(StopwatchLine(1234, "Nach Inventory", 0),
              "[00001234] Nach Inventory 0:00.000.000 min\n");
    EXPECT_EQ(StopwatchLine(4294967295u, "Inventory", 61'002'003),
              "[4294967295] Inventory 1:01.002.003 min\n");
    EXPECT_EQ(StopwatchLine(0, "Inventory", 125LL * 60'000'000 + 59'999'999),
              "[00000000] Inventory 125:59.999.999 min\n");
}

}  // namespace
}  // namespace tagforge
