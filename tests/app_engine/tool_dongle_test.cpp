// "vesmor program" with a Bluetooth reader: through a dongle on a pseudo-terminal and through a
// dongle of the fake USBXpress library, the whole write cycle as on a serial line.

#include <gtest/gtest.h>

#include "sim/conveyor.h"
#include "tests/app_engine/tool_fixture.h"
#include "tests/fakes/fake_siusbxp_control.h"

namespace tagforge::test {
namespace {

using vesmor::sim::ChipKind;
using vesmor::test::ReadFileText;

// The cycle's status lines for the values 7, 8 and 9.
constexpr const char* kThreeWritten =
    "Wert <7> erfolgreich geschrieben\n"
    "Wert <8> erfolgreich geschrieben\n"
    "Wert <9> erfolgreich geschrieben\n";

// The three-tag cycle of the values 7, 8, 9 on the given connection.
std::vector<std::string> ThreeTagCycle(const std::string& port) {
    return {"program",     "-p",      port,      "--format", "2",        "--value", "7",
            "--increment", "--cycle", "--count", "3",        "--period", "20"};
}

vesmor::sim::PtyLink::Options Dongle() {
    vesmor::sim::PtyLink::Options options;
    options.dongle = true;
    return options;
}

class DongleToolTest : public ::testing::Test {
  protected:
    DongleToolTest() : link(Programmer(), Dongle()) {}

    vesmor::sim::PtyLink link;
    TempDir scratch;
    std::filesystem::path dir = scratch.Path();
};

TEST_F(DongleToolTest, ProgramCycleOverADongleOnAPseudoTerminal) {
    const std::string log = (dir / "Protokoll_S.txt").string();
    const vesmor::sim::Conveyor conveyor(link.Field(), ChipKind::kNxp, SlowBuildMs(150),
                                         SlowBuildMs(100));
    std::vector<std::string> args = ThreeTagCycle(link.Path() + " BT:1");
    args.insert(args.end(), {"--write-log", log});
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find(kThreeWritten), std::string::npos) << run.out;
    const std::string lines = ReadFileText(log);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 3) << lines;
    const vesmor::sim::DongleLog dongle = link.GetDongleLog();
    EXPECT_EQ(dongle.connects, 1);
    EXPECT_EQ(dongle.disconnects, 1) << "the tool closes the port at its end";
}

TEST_F(DongleToolTest, ProgramOnceWritesTheTagBehindTheDongle) {
    const auto uid = link.Field().Insert(ChipKind::kNxp);
    const ToolRun run = RunTool({"program", "-p", link.Path() + " BT:1", "--value", "1a2b"});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("\nWert <1A2B> erfolgreich geschrieben\n"), std::string::npos);
    EXPECT_EQ(link.Field().Block(uid, 0), (std::vector<uint8_t>{0x2B, 0x1A, 0, 0}));
}

TEST(DongleToolUsbXpress, ProgramCycleThroughTheFakeUsbXpressLibrary) {
    ::setenv("VESMOR_FAKE_SIUSBXP_CONVEYOR", "150:100", 1);
    const vesmor::test::FakeSiUsbXp fake("VEK-PN4207#00042");
    const ToolRun run = RunTool(ThreeTagCycle("VEK-PN4207#00042 BT:1"));
    ::unsetenv("VESMOR_FAKE_SIUSBXP_CONVEYOR");
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find(kThreeWritten), std::string::npos) << run.out;
}

TEST(DongleToolUsbXpress, PortsListsTheDongles) {
    const vesmor::test::FakeSiUsbXp fake("VEK-PN4207#00042;VEK-PN4207#00043");
    const ToolRun run = RunTool({"ports"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("VEK-PN4207#00042 BT"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("VEK-PN4207#00043 BT"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace tagforge::test
