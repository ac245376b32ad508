// The read step and the read cycle against simulated transponders.

#include <gtest/gtest.h>

#include "tests/app_engine/engine_fixture.h"

namespace tagforge::test {
namespace {

using vesmor::sim::ChipKind;

class ReadCycleTest : public EngineTest {
  protected:
    void SetUp() override {
        Connect();
        Engine().Settings().BeepTime = 0;
        uid = Field().Insert(ChipKind::kNxp);
        SetJob(kFormatDecimalBinary, 4, "4711");
        ASSERT_EQ(Engine().WriteOnce(), StepResult::kDone);
        view.lines.clear();
        Engine().Logs().readEnabled = true;
        Engine().Logs().readFile = (logDir / "Protokoll_L.txt").string();
    }

    vesmor::sim::Uid uid{};
};

TEST_F(ReadCycleTest, SameTagShowsTheSameValueWithoutReadingOrLoggingAgain) {
    Engine().StartReadCycle();
    ASSERT_EQ(Engine().ReadTick(), StepResult::kDone);
    EXPECT_EQ(view.readText, "4711");
    const size_t reads = IsoCount(kIsoReadBlock);
    EXPECT_EQ(reads, 1u);
    const int shown = view.readTextShown;
    for (int tick = 0; tick < 4; ++tick) {
        view.readText.clear();
        EXPECT_EQ(Engine().ReadTick(), StepResult::kRepeated);
        EXPECT_EQ(view.readText, "4711");
    }
    EXPECT_EQ(view.readTextShown, shown + 4);
    EXPECT_EQ(IsoCount(kIsoReadBlock), reads);
    EXPECT_EQ(ReadFile(logDir / "Protokoll_L.txt"),
              "     1\t08.12.2026 14:05:09\tDEZ ASCII\t   0\t   4\t4711\r\n");
    EXPECT_TRUE(view.lines.empty());
}

TEST_F(ReadCycleTest, NewTagIsReadAndLogged) {
    Engine().StartReadCycle();
    ASSERT_EQ(Engine().ReadTick(), StepResult::kDone);
    Field().Remove(uid);
    const auto other = Field().Insert(ChipKind::kNxp);
    ASSERT_EQ(Engine().ReadTick(), StepResult::kDone);
    EXPECT_EQ(view.readText, "0");
    EXPECT_EQ(Engine().LastUid(), std::optional<Uid>(other));
    EXPECT_EQ(ReadFile(logDir / "Protokoll_L.txt"),
              "     1\t08.12.2026 14:05:09\tDEZ ASCII\t   0\t   4\t4711\r\n"
              "     2\t08.12.2026 14:05:09\tDEZ ASCII\t   0\t   4\t0\r\n");
}

TEST_F(ReadCycleTest, EmptyFieldEmptiesTheReadFieldUnlessTheLastValueIsKept) {
    Engine().StartReadCycle();
    ASSERT_EQ(Engine().ReadTick(), StepResult::kDone);
    Field().Remove(uid);
    Engine().SetKeepLastValue(true);
    EXPECT_EQ(Engine().ReadTick(), StepResult::kNoTransponder);
    EXPECT_EQ(view.readText, "4711");
    Engine().SetKeepLastValue(false);
    EXPECT_EQ(Engine().ReadTick(), StepResult::kNoTransponder);
    EXPECT_EQ(view.readText, "");
}

TEST_F(ReadCycleTest, SingleReadEmptiesTheFieldEvenWhenTheLastValueIsKept) {
    ASSERT_EQ(Engine().ReadOnce(), StepResult::kDone);
    Field().Remove(uid);
    Engine().SetKeepLastValue(true);
    EXPECT_EQ(Engine().ReadOnce(), StepResult::kNoTransponder);
    EXPECT_EQ(view.readText, "");
}

TEST_F(ReadCycleTest, SingleReadOfTheSameTagReadsAgain) {
    ASSERT_EQ(Engine().ReadOnce(), StepResult::kDone);
    ASSERT_EQ(Engine().ReadOnce(), StepResult::kDone);
    EXPECT_EQ(IsoCount(kIsoReadBlock), 2u);
}

TEST_F(ReadCycleTest, BeyondTheLastBlockNothingIsRead) {
    SetJob(kFormatHexBinary, 8, "", 27);
    EXPECT_EQ(Engine().ReadOnce(), StepResult::kFailed);
    EXPECT_EQ(view.lines, std::vector<std::string>{"Maximale Blocknummer überschritten\r\n"});
    EXPECT_EQ(IsoCount(kIsoReadBlock), 0u);
    EXPECT_EQ(view.readText, "");
}

TEST_F(ReadCycleTest, FailedReadKeepsTheLastValueWhenAsked) {
    ASSERT_EQ(Engine().ReadOnce(), StepResult::kDone);
    Engine().SetKeepLastValue(true);
    SetJob(kFormatHexBinary, 8, "", 27);
    EXPECT_EQ(Engine().ReadOnce(), StepResult::kFailed);
    EXPECT_EQ(view.readText, "4711");
}

}  // namespace
}  // namespace tagforge::test
