// The command-line write cycle against vesmor-sim as a LAN reader, as a user runs it.

#include <gtest/gtest.h>

#include "tests/integration/lan_fixture.h"
#include "tests/tools/run_program.h"

namespace vesmor::test {
namespace {

TEST(LanCycle, ProgramCycleWritesEveryTransponderOfTheConveyorOverTcp) {
    SimProcess reader(
        {"--lan", LoopbackAddress(20) + "-0", "--lan-no-config", "--conveyor", "150:100"});
    ASSERT_FALSE(reader.Name().empty());
    const ProgramResult run =
        RunProgram(VESMOR_CLI, {"program", "-p", reader.Name(), "--format", "2", "--value", "7",
                                "--increment", "--cycle", "--count", "3", "--period", "20"});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("Wert <7> erfolgreich geschrieben\n"
                           "Wert <8> erfolgreich geschrieben\n"
                           "Wert <9> erfolgreich geschrieben\n"),
              std::string::npos)
        << run.out << run.err;
}

TEST(LanCycle, InfoFailsToOpenALanReaderThatIsGone) {
    SimProcess reader({"--lan", LoopbackAddress(21) + "-0", "--lan-no-config", "--tag", "nxp"});
    const ProgramResult info = RunProgram(VESMOR_CLI, {"info", "-p", reader.Name()});
    EXPECT_EQ(info.exitCode, 0) << info.err;
    EXPECT_NE(info.out.find("Verbindung:    " + reader.Name()), std::string::npos) << info.out;
    reader.Kill();
    const ProgramResult gone = RunProgram(VESMOR_CLI, {"info", "-p", reader.Name()});
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_EQ(gone.err.rfind("VESMOR_OpenPort = -1", 0), 0u) << gone.err;
}

}  // namespace
}  // namespace vesmor::test
