// "vesmor program" and "vesmor readback": the engine of the window on the command line, run as
// a child process against the simulated reader.

#include <gtest/gtest.h>

#include "app/core/data_file.h"
#include "sim/conveyor.h"
#include "tests/app_engine/tool_fixture.h"

namespace tagforge::test {
namespace {

using vesmor::sim::ChipKind;
using vesmor::test::ReadFileText;

TEST_F(ToolTest, ProgramWritesOnceAndPrintsTheStatusLine) {
    const auto uid = link.Field().Insert(ChipKind::kNxp);
    const ToolRun run = RunTool(Args("program", {"--value", "1a2b"}));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.rfind(Title(), 0), 0u) << run.out;
    EXPECT_NE(run.out.find("\nWert <1A2B> erfolgreich geschrieben\n"), std::string::npos);
    EXPECT_EQ(link.Field().Block(uid, 0), (std::vector<uint8_t>{0x2B, 0x1A, 0, 0}));
}

// --zeros pads the value as checking "Führende Nullen" pads the write field: what the status
// line and the log say is what the transponder holds.
TEST_F(ToolTest, ProgramWithZerosReportsAndLogsThePaddedValue) {
    const auto uid = link.Field().Insert(ChipKind::kNxp);
    const std::string log = (dir / "Protokoll_S.txt").string();
    const ToolRun run = RunTool(Args("program", {"--format", "3", "--bytes", "4", "--value", "1",
                                                 "--zeros", "--write-log", log}));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(link.Field().Block(uid, 0), (std::vector<uint8_t>{'0', '0', '0', '1'}));
    EXPECT_NE(run.out.find("\nWert <0001> erfolgreich geschrieben\n"), std::string::npos)
        << run.out;
    const std::string logged = ReadFileText(log);
    EXPECT_EQ(logged.substr(logged.rfind('\t') + 1), "0001\r\n") << logged;
}

TEST_F(ToolTest, ProgramWithoutATransponderFails) {
    const ToolRun run = RunTool(Args("program", {"--value", "1"}));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("Kein gültiger Transponder vorhanden!"), std::string::npos);
}

TEST_F(ToolTest, ProgramRefusedByTheReaderFailsWithItsMessage) {
    link.Field().Insert(ChipKind::kLocked);
    const ToolRun run = RunTool(Args("program", {"--value", "1"}));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("ISO Fehler 0x12"), std::string::npos) << run.out;
}

TEST_F(ToolTest, BadArgumentsExitWithTwo) {
    const auto refused = [this](std::initializer_list<std::string> rest, const std::string& why) {
        const ToolRun run = RunTool(Args("program", rest));
        EXPECT_EQ(run.exitCode, 2) << why;
        EXPECT_NE(run.err.find(why), std::string::npos) << run.err;
    };
    refused({"--value", "XYZ"}, "Keine Hex-Eingabe");
    refused({"--value", "1", "--bytes", "0"}, "Geben Sie eine ganze Zahl zwischen 1 und 1023 ein.");
    refused({"--value", "1", "--format", "9"}, "zwischen 0 und 5");
    refused({"--value", "1", "--count", "3"}, "--count requires --cycle");
    refused({}, "--value or --job");
    refused({"--job", (dir / "missing.KTDat").string()}, "missing.KTDat");
    EXPECT_EQ(RunTool({"program", "--value", "1"}).exitCode, 2);
}

TEST_F(ToolTest, JobFileGivesTheParametersAndOptionsOverrideIt) {
    const auto uid = link.Field().Insert(ChipKind::kNxp);
    WriteJob job;
    job.Datenformat = kFormatDecimalAscii;
    job.Startblock = 2;
    job.Byteanzahl = 4;
    job.LastData = "0815";
    const std::string file = (dir / "job.KTDat").string();
    ASSERT_TRUE(SaveDataFile(file, job));
    ToolRun run = RunTool(Args("program", {"--job", file}));
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(link.Field().Block(uid, 2), (std::vector<uint8_t>{'0', '8', '1', '5'}));
    run = RunTool(Args("program", {"--job", file, "--value", "4711", "--start", "3"}));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(link.Field().Block(uid, 3), (std::vector<uint8_t>{'4', '7', '1', '1'}));
}

TEST_F(ToolTest, CycleWritesEachNewTagWithTheNextValueAndLogsIt) {
    const std::string log = (dir / "Protokoll_S.txt").string();
    const vesmor::sim::Conveyor conveyor(link.Field(), ChipKind::kNxp, SlowBuildMs(120),
                                         SlowBuildMs(80));
    const ToolRun run =
        RunTool(Args("program", {"--format", "2", "--value", "7", "--increment", "--cycle",
                                 "--count", "3", "--period", "20", "--write-log", log}));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("Wert <7> erfolgreich geschrieben\n"
                           "Wert <8> erfolgreich geschrieben\n"
                           "Wert <9> erfolgreich geschrieben\n"),
              std::string::npos)
        << run.out;
    const std::string lines = ReadFileText(log);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 3);
    EXPECT_NE(lines.find("     3\t"), std::string::npos);
    EXPECT_NE(lines.find("\tDEZ ASCII\t   0\t   4\t9\r\n"), std::string::npos) << lines;
}

TEST_F(ToolTest, ReadbackPrintsTheValueAndTheStatusGoesToStderr) {
    link.Field().Insert(ChipKind::kNxp);
    ASSERT_EQ(RunTool(Args("program", {"--format", "2", "--value", "4711"})).exitCode, 0);
    const std::string log = (dir / "Protokoll_L.txt").string();
    const ToolRun run = RunTool(Args("readback", {"--format", "2", "--read-log", log}));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "4711\n");
    EXPECT_EQ(run.err.rfind(Title(), 0), 0u) << run.err;
    EXPECT_NE(ReadFileText(log).find("\tDEZ ASCII\t   0\t   4\t4711\r\n"), std::string::npos);
}

// Text read from a transponder is printed with its control characters as escapes: a tag
// cannot clear the operator's screen or forge a line.
TEST_F(ToolTest, ReadbackPrintsControlCharactersOfATagAsEscapes) {
    const auto uid = link.Field().Insert(ChipKind::kNxp);
    ASSERT_TRUE(link.Field().SetBlock(uid, 0, {0x1B, '[', '2', 'J'}));
    ASSERT_TRUE(link.Field().SetBlock(uid, 1, {'\n', 'O', 'K', 0x07}));
    const ToolRun run = RunTool(Args("readback", {"--format", "3", "--bytes", "8"}));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "\\e[2J\\nOK\\x07\n");
    EXPECT_EQ(run.err.find('\x1b'), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find('\x07'), std::string::npos) << run.err;
}

TEST_F(ToolTest, ReadbackCycleReadsEachTagOnce) {
    const vesmor::sim::Conveyor conveyor(link.Field(), ChipKind::kNxp, SlowBuildMs(150),
                                         SlowBuildMs(100));
    const ToolRun run = RunTool(Args("readback", {"--format", "4", "--bytes", "2", "--cycle",
                                                  "--count", "2", "--period", "20"}));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "00 00\n00 00\n");
}

TEST_F(ToolTest, InterruptedCycleSucceedsUnlessATagWasLeftFailed) {
    const auto cycle = Args("program", {"--value", "1", "--cycle", "--period", "20"});
    ToolRun run = RunToolInterrupted(cycle, "0.4");
    EXPECT_EQ(run.exitCode, 0) << run.out;
    link.Field().Insert(ChipKind::kLocked);
    run = RunToolInterrupted(cycle, "0.4");
    EXPECT_EQ(run.exitCode, 1);
    const std::string locked = "ISO Fehler 0x12";
    EXPECT_EQ(run.out.find(locked), run.out.rfind(locked)) << "shown once per cycle";
}

TEST_F(ToolTest, UnreachableReaderFailsWithThePortMessage) {
    const ToolRun run = RunTool({"program", "-p", "/dev/tagforge-no-such-port", "--value", "1"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("Fehler beim Port öffnen"), std::string::npos);
}

}  // namespace
}  // namespace tagforge::test
