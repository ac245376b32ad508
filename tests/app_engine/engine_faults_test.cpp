// The engine when its reader vanishes or its log cannot store an entry: both are told in the
// status box, neither goes unnoticed.

#include <gtest/gtest.h>

#include "common/messages.h"
#include "tests/app_engine/engine_fixture.h"

namespace tagforge::test {
namespace {

using vesmor::sim::ChipKind;

const std::string kReaderLost =
    "Die Verbindung zum Leser ist unterbrochen! Bitte die Schnittstelle neu wählen.\r\n";

class EngineFaults : public EngineTest {
  protected:
    void SetUp() override {
        Connect();
        SetJob(kFormatDecimalAscii, 4, "1");
        Engine().Job().AutoIncrement = true;
        Engine().Settings().BeepTime = 0;
    }
};

TEST_F(EngineFaults, VanishedReaderIsReportedOnceAndEveryStepAfterItIsLost) {
    Field().Insert(ChipKind::kNxp);
    Engine().StartWriteCycle();
    ASSERT_EQ(Engine().WriteTick(), StepResult::kDone);
    link.Unplug();
    for (int tick = 0; tick < 3; ++tick) {
        EXPECT_EQ(Engine().WriteTick(), StepResult::kReaderLost);
    }
    EXPECT_EQ(view.lines, (std::vector<std::string>{"Wert <1> erfolgreich geschrieben\r\n",
                                                    "Timeout\r\n", kReaderLost}));
    // Outside a cycle every message is shown.
    EXPECT_EQ(Engine().ReadOnce(), StepResult::kReaderLost);
    EXPECT_EQ(view.lines.back(), kReaderLost);
}

TEST_F(EngineFaults, SilentReaderIsNotALostOne) {
    Field().Insert(ChipKind::kNxp);
    vesmor::sim::Faults silent;
    silent.silent = true;
    link.SetFaults(silent);
    EXPECT_EQ(Engine().WriteOnce(), StepResult::kFailed);
    EXPECT_EQ(view.lines, std::vector<std::string>{"Timeout\r\n"});
}

TEST_F(EngineFaults, WriteLogEntryThatCannotBeStoredIsShownAndKept) {
    Field().Insert(ChipKind::kNxp);
    const std::string file = (logDir / "missing" / "Protokoll_S.txt").string();
    Engine().Logs().writeEnabled = true;
    Engine().Logs().writeFile = file;
    ASSERT_EQ(Engine().WriteOnce(), StepResult::kDone) << "the tag was written";
    EXPECT_EQ(view.lines, (std::vector<std::string>{"Protokolleintrag nicht gespeichert: " + file +
                                                        " (Verzeichnis nicht vorhanden)\r\n",
                                                    "Wert <1> erfolgreich geschrieben\r\n"}));
    const std::optional<LostLogEntry> lost = Engine().TakeLostLogEntry();
    ASSERT_TRUE(lost);
    EXPECT_EQ(lost->file, file);
    EXPECT_EQ(lost->failure.line, "08.12.2026 14:05:09\tDEZ ASCII\t   0\t   4\t1\r\n");
    EXPECT_FALSE(Engine().TakeLostLogEntry());
}

TEST_F(EngineFaults, ReadLogEntryThatCannotBeStoredIsShownAndKept) {
    Field().Insert(ChipKind::kNxp);
    Engine().Logs().readEnabled = true;
    Engine().Logs().readFile = (logDir / "missing" / "L.txt").string();
    ASSERT_EQ(Engine().ReadOnce(), StepResult::kDone);
    ASSERT_EQ(view.lines.size(), 1u);
    EXPECT_EQ(view.lines[0].rfind("Protokolleintrag nicht gespeichert: ", 0), 0u);
    ASSERT_TRUE(Engine().TakeLostLogEntry());
}

TEST_F(EngineFaults, IncrementThatOutgrowsTheBytesIsRefusedBeforeAnyBlockIsWritten) {
    const auto uid = Field().Insert(ChipKind::kNxp);
    SetJob(kFormatDecimalAscii, 4, "9999");
    Engine().Job().AutoIncrement = true;
    ASSERT_EQ(Engine().WriteOnce(), StepResult::kDone);
    EXPECT_EQ(Engine().Job().LastData, "10000");
    Field().Remove(uid);
    const auto next = Field().Insert(ChipKind::kNxp);
    const size_t writes = IsoCount(kIsoWriteBlock);
    EXPECT_EQ(Engine().WriteOnce(), StepResult::kFailed);
    EXPECT_EQ(view.lines.back(), "Geben Sie höchstens 4 Zeichen ein.\r\n");
    EXPECT_EQ(IsoCount(kIsoWriteBlock), writes);
    EXPECT_EQ(TagBytes(next, 0), (std::vector<uint8_t>{0, 0, 0, 0}));
}

}  // namespace
}  // namespace tagforge::test
