// The write step and the write cycle against simulated transponders.

#include <gtest/gtest.h>

#include "common/messages.h"
#include "tests/app_engine/engine_fixture.h"

namespace tagforge::test {
namespace {

using vesmor::sim::ChipKind;

const std::string kCollision =
    "Transponder nicht eindeutig im Feld! Bitte einen Transponder auflegen.\r\n";

class WriteCycleTest : public EngineTest {
  protected:
    void SetUp() override {
        Connect();
        SetJob(kFormatDecimalBinary, 4, "1");
        Engine().Job().AutoIncrement = true;
        Engine().Settings().BeepTime = 0;
    }

    int CountLines(const std::string& line) const {
        return static_cast<int>(std::count(view.lines.begin(), view.lines.end(), line));
    }
};

TEST_F(WriteCycleTest, TwoTagsGiveTheCollisionMessageOncePerCycle) {
    Field().Insert(ChipKind::kNxp);
    Field().Insert(ChipKind::kNxp);
    Engine().StartWriteCycle();
    for (int tick = 0; tick < 4; ++tick) {
        EXPECT_EQ(Engine().WriteTick(), StepResult::kFailed);
    }
    EXPECT_EQ(view.lines, std::vector<std::string>{kCollision});
    EXPECT_EQ(IsoCount(kIsoWriteBlock), 0u);
}

TEST_F(WriteCycleTest, CollisionIsShownAgainAfterASuccessfulWrite) {
    Field().Insert(ChipKind::kNxp);
    const auto second = Field().Insert(ChipKind::kNxp);
    Engine().StartWriteCycle();
    Engine().WriteTick();
    Engine().WriteTick();
    Field().Remove(second);
    EXPECT_EQ(Engine().WriteTick(), StepResult::kDone);
    Field().Insert(ChipKind::kNxp, second);
    EXPECT_EQ(Engine().WriteTick(), StepResult::kFailed);
    EXPECT_EQ(CountLines(kCollision), 2);
    EXPECT_EQ(CountLines("Wert <1> erfolgreich geschrieben\r\n"), 1);
}

TEST_F(WriteCycleTest, CollisionIsShownAgainAfterAnotherMessage) {
    const auto first = Field().Insert(ChipKind::kNxp);
    Field().Insert(ChipKind::kNxp);
    Engine().StartWriteCycle();
    Engine().WriteTick();
    Field().Clear();
    Field().Insert(ChipKind::kLocked);
    EXPECT_EQ(Engine().WriteTick(), StepResult::kFailed);
    Field().Insert(ChipKind::kNxp, first);
    Engine().WriteTick();
    EXPECT_EQ(CountLines(kCollision), 2);
    EXPECT_EQ(view.lines.size(), 3u);
}

TEST_F(WriteCycleTest, TagLeftInTheFieldIsWrittenOnce) {
    const auto uid = Field().Insert(ChipKind::kNxp);
    Engine().StartWriteCycle();
    EXPECT_EQ(Engine().WriteTick(), StepResult::kDone);
    for (int tick = 0; tick < 5; ++tick) {
        clock.Advance(250);
        EXPECT_EQ(Engine().WriteTick(), StepResult::kRepeated);
    }
    EXPECT_EQ(IsoCount(kIsoWriteBlock), 1u);
    EXPECT_EQ(TagBytes(uid, 0), (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(view.lines, std::vector<std::string>{"Wert <1> erfolgreich geschrieben\r\n"});
    EXPECT_EQ(Engine().Job().LastData, "2");
    EXPECT_EQ(view.writeText, "2");
}

TEST_F(WriteCycleTest, TagAwayForMoreThanASecondIsWrittenAgainWithTheNextValue) {
    const auto uid = Field().Insert(ChipKind::kNxp);
    Engine().StartWriteCycle();
    ASSERT_EQ(Engine().WriteTick(), StepResult::kDone);
    Field().Remove(uid);
    clock.Advance(600);
    EXPECT_EQ(Engine().WriteTick(), StepResult::kNoTransponder);
    EXPECT_TRUE(Engine().LastUid().has_value());
    clock.Advance(401);
    EXPECT_EQ(Engine().WriteTick(), StepResult::kNoTransponder);
    EXPECT_FALSE(Engine().LastUid().has_value());
    Field().Insert(ChipKind::kNxp, uid);
    EXPECT_EQ(Engine().WriteTick(), StepResult::kDone);
    EXPECT_EQ(TagBytes(uid, 0), (std::vector<uint8_t>{2, 0, 0, 0}));
    EXPECT_EQ(IsoCount(kIsoWriteBlock), 2u);
}

TEST_F(WriteCycleTest, TagBackWithinASecondIsNotWrittenAgain) {
    const auto uid = Field().Insert(ChipKind::kNxp);
    Engine().StartWriteCycle();
    ASSERT_EQ(Engine().WriteTick(), StepResult::kDone);
    Field().Remove(uid);
    clock.Advance(1000);
    EXPECT_EQ(Engine().WriteTick(), StepResult::kNoTransponder);
    Field().Insert(ChipKind::kNxp, uid);
    EXPECT_EQ(Engine().WriteTick(), StepResult::kRepeated);
    EXPECT_EQ(IsoCount(kIsoWriteBlock), 1u);
}

TEST_F(WriteCycleTest, EmptyFieldGivesNoMessage) {
    Engine().StartWriteCycle();
    EXPECT_EQ(Engine().WriteTick(), StepResult::kNoTransponder);
    EXPECT_EQ(Engine().WriteOnce(), StepResult::kNoTransponder);
    EXPECT_TRUE(view.lines.empty());
}

TEST_F(WriteCycleTest, StartingACycleWritesTheTagOfASingleWriteAgain) {
    const auto uid = Field().Insert(ChipKind::kNxp);
    ASSERT_EQ(Engine().WriteOnce(), StepResult::kDone);
    EXPECT_EQ(Engine().WriteOnce(), StepResult::kDone);  // a single write always writes
    Engine().StartWriteCycle();
    EXPECT_EQ(Engine().WriteTick(), StepResult::kDone);
    EXPECT_EQ(TagBytes(uid, 0), (std::vector<uint8_t>{3, 0, 0, 0}));
}

TEST_F(WriteCycleTest, BeyondTheLastBlockNothingIsWritten) {
    const auto uid = Field().Insert(ChipKind::kNxp);  // 28 blocks of 4 bytes
    SetJob(kFormatHexBinary, 8, "1122334455667788", 27);
    const std::vector<uint8_t> before = TagBytes(uid, 27);
    EXPECT_EQ(Engine().WriteOnce(), StepResult::kFailed);
    EXPECT_EQ(view.lines, std::vector<std::string>{"Maximale Blocknummer überschritten\r\n"});
    EXPECT_EQ(IsoCount(kIsoWriteBlock), 0u);
    EXPECT_EQ(TagBytes(uid, 27), before);
    EXPECT_EQ(Engine().Job().LastData, "1122334455667788");
}

TEST_F(WriteCycleTest, LockedBlockFailsAndIsRetriedOnTheNextTickWithOneMessage) {
    Field().Insert(ChipKind::kLocked);
    Engine().StartWriteCycle();
    EXPECT_EQ(Engine().WriteTick(), StepResult::kFailed);
    EXPECT_EQ(Engine().WriteTick(), StepResult::kFailed);
    EXPECT_EQ(IsoCount(kIsoWriteBlock), 2u);
    EXPECT_FALSE(Engine().LastUid().has_value());
    EXPECT_EQ(view.lines, std::vector<std::string>{
                              "ISO Fehler 0x12: Block ist gesperrt und kann nicht geändert "
                              "werden\r\n"});
    EXPECT_EQ(Engine().Job().LastData, "1");
    EXPECT_FALSE(view.waitCursor);
}

TEST_F(WriteCycleTest, BeepTimeZeroIsSilent) {
    Field().Insert(ChipKind::kNxp);
    ASSERT_EQ(Engine().WriteOnce(), StepResult::kDone);
    EXPECT_TRUE(beeper.beeps.empty());
}

TEST_F(WriteCycleTest, SuccessBeepsAt440HzForBeepTime) {
    Field().Insert(ChipKind::kNxp);
    Engine().Settings().BeepTime = 300;
    ASSERT_EQ(Engine().WriteOnce(), StepResult::kDone);
    EXPECT_EQ(beeper.beeps, (std::vector<std::pair<int, int>>{{440, 300}}));
}

TEST_F(WriteCycleTest, DataFormatsNumberTheirSuccessMessages) {
    SetJob(kFormatDataBinary, 2, "ab cd");
    Engine().StartWriteCycle();
    for (int tag = 0; tag < 2; ++tag) {
        const auto uid = Field().Insert(ChipKind::kNxp);
        ASSERT_EQ(Engine().WriteTick(), StepResult::kDone);
        Field().Remove(uid);
    }
    EXPECT_EQ(view.lines, (std::vector<std::string>{"<0001> Daten erfolgreich geschrieben!\r\n",
                                                    "<0002> Daten erfolgreich geschrieben!\r\n"}));
    EXPECT_EQ(Engine().Job().LastData, "AB CD");
}

TEST_F(WriteCycleTest, WriteLogGetsOneNumberedLinePerTagWithTheValueWritten) {
    Engine().Logs().writeEnabled = true;
    Engine().Logs().writeFile = (logDir / "Protokoll_S.txt").string();
    Engine().StartWriteCycle();
    for (int tag = 0; tag < 3; ++tag) {
        const auto uid = Field().Insert(ChipKind::kNxp);
        ASSERT_EQ(Engine().WriteTick(), StepResult::kDone);
        EXPECT_EQ(Engine().WriteTick(), StepResult::kRepeated);
        Field().Remove(uid);
    }
    EXPECT_EQ(ReadFile(logDir / "Protokoll_S.txt"),
              "     1\t08.12.2026 14:05:09\tDEZ ASCII\t   0\t   4\t1\r\n"
              "     2\t08.12.2026 14:05:09\tDEZ ASCII\t   0\t   4\t2\r\n"
              "     3\t08.12.2026 14:05:09\tDEZ ASCII\t   0\t   4\t3\r\n");
}

TEST_F(WriteCycleTest, DisabledOrUnnamedLogIsNotWritten) {
    Engine().Logs().writeEnabled = false;
    Engine().Logs().writeFile = (logDir / "Protokoll_S.txt").string();
    Field().Insert(ChipKind::kNxp);
    ASSERT_EQ(Engine().WriteOnce(), StepResult::kDone);
    EXPECT_FALSE(std::filesystem::exists(logDir / "Protokoll_S.txt"));
    Engine().Logs() = {true, "", false, ""};
    EXPECT_EQ(Engine().WriteOnce(), StepResult::kDone);
}

TEST_F(WriteCycleTest, FullStatusBoxIsEmptiedBeforeTheNextMessage) {
    for (int i = 0; i < StatusBox::kMaxLines; ++i) {
        stack.status.Add("alt");
    }
    Field().Insert(ChipKind::kNxp);
    ASSERT_EQ(Engine().WriteOnce(), StepResult::kDone);
    EXPECT_EQ(view.clears, 1);
    EXPECT_EQ(view.lines, std::vector<std::string>{"Wert <1> erfolgreich geschrieben\r\n"});
}

// A reader wait pumps the window's events, so a tick can arrive inside a tick: this view ticks
// again when the write step shows its wait cursor.
class NestedTickView final : public EngineView {
  public:
    void ShowMessageBox(const std::string&) override {}
    void SetWaitCursor(bool waiting) override {
        if (waiting && !nested) {
            nested = engine->WriteTick();
        }
    }
    void SetTitle(const std::string&) override {}
    void ShowWriteText(const std::string&) override {}
    void ShowReadText(const std::string&) override {}

    CycleEngine* engine = nullptr;
    std::optional<std::optional<StepResult>> nested;
};

TEST_F(WriteCycleTest, TickArrivingDuringATickIsSkipped) {
    stack.connection.Close();
    Field().Insert(ChipKind::kNxp);
    NestedTickView nestedView;
    EngineStack nested({VesmorLibrary(), nestedView, view, beeper, clock}, "VESMOR Tagforge");
    nestedView.engine = &nested.engine;
    ASSERT_TRUE(nested.connection.Connect({ConnectionName(), 19200, 500}));
    nested.engine.Job() = Engine().Job();
    nested.engine.Settings().BeepTime = 0;
    nested.engine.StartWriteCycle();
    EXPECT_EQ(nested.engine.WriteTick(), StepResult::kDone);
    ASSERT_TRUE(nestedView.nested.has_value());
    EXPECT_FALSE(nestedView.nested->has_value());
    EXPECT_EQ(IsoCount(kIsoWriteBlock), 1u);
    nested.connection.Close();
}

}  // namespace
}  // namespace tagforge::test
