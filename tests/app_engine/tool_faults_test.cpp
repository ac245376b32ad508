// "vesmor program" and "vesmor readback" when the reader, the log or the value fails them: the
// command must say so, keep what it could not log, and never run on silently.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "sim/conveyor.h"
#include "tests/app_engine/tool_fixture.h"

namespace tagforge::test {
namespace {

using vesmor::sim::ChipKind;
using vesmor::test::ReadFileText;

size_t LineCount(const std::string& path) {
    const std::string text = ReadFileText(path);
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

using ToolFaults = ToolTest;

TEST_F(ToolFaults, CycleEndsSoonAfterTheReaderVanishesAndSaysHowManyTagsWereDone) {
    const std::string log = File("Protokoll_S.txt");
    const vesmor::sim::Conveyor conveyor(link.Field(), ChipKind::kNxp, SlowBuildMs(300),
                                         SlowBuildMs(150));
    ToolRun run;
    std::thread tool([&] {
        run = RunTool(Args("program", {"--format", "3", "--value", "1", "--increment", "--cycle",
                                       "--count", "10", "--period", "20", "--write-log", log}));
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (LineCount(log) < 3 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const auto unplugged = std::chrono::steady_clock::now();
    link.Unplug();
    tool.join();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - unplugged)
                        .count();
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_LT(ms, 500) << "within the port's timeout";
    EXPECT_NE(run.out.find("Die Verbindung zum Leser ist unterbrochen!"), std::string::npos)
        << run.out;
    EXPECT_NE(run.err.find("Die Verbindung zum Leser " + Port() + " ist unterbrochen.\n"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("Zyklus beendet: 3 Transponder geschrieben, 1 fehlgeschlagen, "
                           "letzter Wert <3>\n"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(LineCount(log), 3u);
}

TEST_F(ToolFaults, WriteWhoseLogLineCannotBeStoredFailsAndPrintsTheLine) {
    const vesmor::sim::Uid uid = link.Field().Insert(ChipKind::kNxp);
    const std::string log = File("missing/Protokoll_S.txt");
    const ToolRun run =
        RunTool(Args("program", {"--format", "3", "--value", "7", "--write-log", log}));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(link.Field().Block(uid, 0), (std::vector<uint8_t>{'7', 0, 0, 0}));
    EXPECT_NE(run.out.find("Protokolleintrag nicht gespeichert: " + log +
                           " (Verzeichnis nicht vorhanden)\n"
                           "Wert <7> erfolgreich geschrieben\n"),
              std::string::npos)
        << run.out;
    const std::string prefix =
        "Protokolleintrag nicht gespeichert: " + log + " (Verzeichnis nicht vorhanden). Eintrag: ";
    ASSERT_EQ(run.err.rfind(prefix, 0), 0u) << run.err;
    EXPECT_NE(run.err.find("\tDEZ ASCII\t   0\t   4\t7\n", prefix.size()), std::string::npos)
        << run.err;
}

TEST_F(ToolFaults, ReadWhoseLogLineCannotBeStoredFails) {
    link.Field().Insert(ChipKind::kNxp);
    const ToolRun run =
        RunTool(Args("readback", {"--format", "4", "--read-log", File("missing/L.txt")}));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("(Verzeichnis nicht vorhanden). Eintrag: "), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("\tDATEN BIN\t   0\t   4\t00 00 00 00\n"), std::string::npos);
}

TEST_F(ToolFaults, FullDiskLogStopsTheCycleAfterTheTagWhoseLineWasLost) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "a private tmpfs needs root";
    }
    const vesmor::sim::Conveyor conveyor(link.Field(), ChipKind::kNxp, SlowBuildMs(150),
                                         SlowBuildMs(100));
    const std::string disk = File("disk");
    std::filesystem::create_directories(disk);
    // A tmpfs of its own in a mount namespace of its own, filled up before the tool starts.
    const std::string script = "mount -t tmpfs -o size=8k tmpfs " + disk + " && head -c 8192 " +
                               "/dev/zero > " + disk + "/fill 2>/dev/null; exec " + VESMOR_TOOL +
                               " program -p " + Port() +
                               " --format 3 --value 5 --increment --cycle --count 3 --period 20 "
                               "--write-log " +
                               disk + "/Protokoll_S.txt";
    const ToolRun run =
        vesmor::test::RunProgram("/usr/bin/unshare", {"-m", "/bin/sh", "-c", script});
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_NE(run.err.find("Protokolleintrag nicht gespeichert: " + disk +
                           "/Protokoll_S.txt (Datenträger voll). Eintrag: "),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("\tDEZ ASCII\t   0\t   4\t5\nZyklus beendet: 1 Transponder geschrieben"),
              std::string::npos)
        << run.err;
}

TEST_F(ToolFaults, NumberThatOutgrowsItsBytesIsNeverCutOnATag) {
    link.Field().Insert(ChipKind::kNxp);
    ToolRun run = RunTool(Args("program", {"--format", "3", "--bytes", "4", "--value", "12345"}));
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("Geben Sie höchstens 4 Zeichen ein."), std::string::npos) << run.err;
}

TEST_F(ToolFaults, CycleStopsBeforeWritingAnIncrementThatDoesNotFit) {
    const std::string log = File("Protokoll_S.txt");
    const vesmor::sim::Conveyor conveyor(link.Field(), ChipKind::kNxp, SlowBuildMs(150),
                                         SlowBuildMs(100));
    const ToolRun run =
        RunTool(Args("program", {"--format", "3", "--bytes", "4", "--value", "9998", "--increment",
                                 "--cycle", "--count", "5", "--period", "20", "--write-log", log}));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("Wert <9999> erfolgreich geschrieben\nGeben Sie höchstens 4 Zeichen "
                           "ein.\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.err.find("Der Wert <10000> passt nicht in 4 Bytes.\n"), std::string::npos)
        << run.err;
    EXPECT_EQ(run.out.find("10000"), std::string::npos) << run.out;
    EXPECT_EQ(LineCount(log), 2u);
}

TEST_F(ToolFaults, SlowReaderIsNotThrownOutOfStepByItsLateAnswer) {
    link.Field().Insert(ChipKind::kNxp);
    vesmor::sim::Faults faults;
    faults.delayMs = 400;  // beyond the identification wait
    link.SetFaults(faults);
    const ToolRun run = RunTool(Args("program", {"-t", "2000", "--format", "3", "--value", "12"}));
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("Wert <12> erfolgreich geschrieben"), std::string::npos) << run.out;
}

TEST_F(ToolFaults, InterruptedCycleSummarisesOnStderr) {
    link.Field().Insert(ChipKind::kNxp);
    const ToolRun run = RunToolInterrupted(
        Args("program",
             {"--format", "3", "--value", "41", "--increment", "--cycle", "--period", "20"}),
        "0.5");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("Zyklus beendet: 1 Transponder geschrieben, 0 fehlgeschlagen, "
                           "letzter Wert <41>\n"),
              std::string::npos)
        << run.err;
}

}  // namespace
}  // namespace tagforge::test
