// The status box: its 1000-line reset and the repetition filter of cycle ticks.

#include <gtest/gtest.h>

#include "app/core/status_box.h"
#include "tests/app_engine/engine_fixture.h"

namespace tagforge::test {
namespace {

TEST(StatusBox, LinesEndInCrLfAndAreCountedAsAnEditBoxDoes) {
    RecordingView view;
    StatusBox box(view);
    EXPECT_EQ(box.LineCount(), 1);
    box.Add("eins");
    box.Add("zwei\r\ndrei");
    EXPECT_EQ(view.lines, (std::vector<std::string>{"eins\r\n", "zwei\r\ndrei\r\n"}));
    EXPECT_EQ(box.LineCount(), 4);
}

TEST(StatusBox, IsEmptiedBeforeALineWhenItHoldsMoreThan1000Lines) {
    RecordingView view;
    StatusBox box(view);
    for (int i = 0; i < 1000; ++i) {
        box.Add("Zeile " + std::to_string(i));
    }
    EXPECT_EQ(box.LineCount(), 1001);
    EXPECT_EQ(view.lines.size(), 1000u);
    EXPECT_EQ(view.clears, 0);
    box.Add("neu");
    EXPECT_EQ(view.clears, 1);
    EXPECT_EQ(view.lines, std::vector<std::string>{"neu\r\n"});
    EXPECT_EQ(box.LineCount(), 2);
}

TEST(StatusBox, ExactlyAThousandLinesAreKept) {
    RecordingView view;
    StatusBox box(view);
    for (int i = 0; i < 999; ++i) {
        box.Add("x");
    }
    EXPECT_EQ(box.LineCount(), 1000);
    box.Add("x");
    EXPECT_EQ(view.clears, 0);
    EXPECT_EQ(view.lines.size(), 1000u);
}

TEST(StatusBox, ResetEmptiesTheBox) {
    RecordingView view;
    StatusBox box(view);
    box.Add("x");
    box.Clear();
    EXPECT_TRUE(view.lines.empty());
    EXPECT_EQ(box.LineCount(), 1);
}

TEST(StatusBox, TickDropsTheMessageShownLastUntilAnotherComesBetween) {
    RecordingView view;
    StatusBox box(view);
    box.ShowMessage(32856, "a", true);
    box.ShowMessage(32856, "a", true);
    EXPECT_EQ(view.lines.size(), 1u);
    box.ShowMessage(118, "b", true);
    box.ShowMessage(32856, "a", true);
    EXPECT_EQ(view.lines.size(), 3u);
    box.ForgetLastMessage();
    box.ShowMessage(32856, "a", true);
    EXPECT_EQ(view.lines.size(), 4u);
}

TEST(StatusBox, OutsideTicksEveryMessageIsShown) {
    RecordingView view;
    StatusBox box(view);
    box.ShowMessage(32856, "a", false);
    box.ShowMessage(32856, "a", false);
    EXPECT_EQ(view.lines.size(), 2u);
}

}  // namespace
}  // namespace tagforge::test
