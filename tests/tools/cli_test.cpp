// The command-line tool against simulated readers: output, messages and exit codes.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "sim/pty_link.h"
#include "tests/tools/run_program.h"

namespace vesmor::test {
namespace {

using sim::ChipKind;

class Cli : public ::testing::Test {
  protected:
    Cli() : link(Config()) {}
    static sim::ReaderConfig Config() {
        sim::ReaderConfig config;
        config.deviceCode = 0x131;
        config.firmware = 'C';
        return config;
    }
    ProgramResult Run(std::vector<std::string> args) {
        args.insert(args.begin() + 1, {"-p", link.Path()});
        return RunProgram(VESMOR_CLI, args);
    }

    sim::PtyLink link;
};

TEST_F(Cli, InfoShowsModelFirmwareAndProtocolType) {
    const ProgramResult r = Run({"info"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("VMR-30 P"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("FW V1.12"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Protokolltyp:  0"), std::string::npos) << r.out;
}

TEST(CliErrors, MissingDeviceAndBadArguments) {
    ProgramResult r = RunProgram(VESMOR_CLI, {"info", "-p", "/dev/no-such-reader"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.rfind("VESMOR_OpenPort = -1: Fehler 3: Fehler beim Port öffnen\n", 0), 0u);
    EXPECT_EQ(RunProgram(VESMOR_CLI, {"info"}).exitCode, 2);
    EXPECT_EQ(RunProgram(VESMOR_CLI, {"read", "-p", "x", "--block", "1", "--uid", "12"}).exitCode,
              2);
    EXPECT_EQ(RunProgram(VESMOR_CLI, {"bogus"}).exitCode, 2);
}

TEST_F(Cli, InventoryListsEveryTransponderOrSaysThereIsNone) {
    ProgramResult r = Run({"inventory"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "Kein Transponder vorhanden\n");
    link.Field().Insert(ChipKind::kNxp, sim::ParseUid("E004010000000011"));
    link.Field().Insert(ChipKind::kEm, sim::ParseUid("E016040000000022"));
    r = Run({"inventory"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out,
              "E004010000000011  DSFID 00  Transpondertyp: Philips  ICode2   Seriennummer: "
              "1099511627793\n"
              "E016040000000022  DSFID 00  Transpondertyp: Electro-Marin  EM4135  Seriennummer: "
              "4398046511138\n");
}

TEST_F(Cli, TagNeedsASingleTransponderUnlessTheUidIsGiven) {
    link.Field().Insert(ChipKind::kNxp);
    link.Field().Insert(ChipKind::kStLarge, sim::ParseUid("E0022C0000000001"));
    ProgramResult r = Run({"tag"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Im Feld sind mehrere Transponder\n");
    r = Run({"tag", "--uid", "E0022C0000000001"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Blöcke:         2048\nBlockgröße:     4 Bytes\nIC-Hersteller:  0x02"),
              std::string::npos)
        << r.out;
}

TEST_F(Cli, WriteSplitsIntoBlocksAndReadShowsThem) {
    const sim::Uid uid = link.Field().Insert(ChipKind::kNxp);
    ProgramResult r = Run({"write", "--block", "4", "--data", "01 02 03 04 A0B0C0D0"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(link.Field().Block(uid, 5), (std::vector<uint8_t>{0xA0, 0xB0, 0xC0, 0xD0}));
    r = Run({"read", "--block", "4", "--count", "2"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "   4: 01 02 03 04\n   5: A0 B0 C0 D0\n");
    r = Run({"write", "--block", "4", "--data", "0102"});
    EXPECT_EQ(r.exitCode, 2);
}

TEST_F(Cli, LibraryErrorsAreShownWithTheWindowsMessage) {
    link.Field().Insert(ChipKind::kLocked);
    const ProgramResult r = Run({"write", "--block", "1", "--data", "01020304"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err,
              "Block 1: Fehler 38: ISO Fehler 0x12: Block ist gesperrt und kann nicht geändert "
              "werden\n");
}

TEST_F(Cli, DumpAsJsonHasEveryBlock) {
    const sim::Uid uid = link.Field().Insert(ChipKind::kEm);
    const ProgramResult r = Run({"dump", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const nlohmann::json dump = nlohmann::json::parse(r.out);
    EXPECT_EQ(dump["uid"], sim::UidText(uid));
    EXPECT_EQ(dump["blockCount"], 16);
    EXPECT_EQ(dump["blockSize"], 4);
    ASSERT_EQ(dump["blocks"].size(), 16u);
    EXPECT_EQ(dump["blocks"][0], "00 00 00 00");
    EXPECT_TRUE(dump["blocks"][15].is_null());  // the chip's last block cannot be read
}

TEST_F(Cli, DumpAsTableHasRowsOfFourBlocks) {
    link.Field().Insert(ChipKind::kNxp);
    const ProgramResult r = Run({"dump"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\n24 - 27  00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00\n"),
              std::string::npos)
        << r.out;
}

}  // namespace
}  // namespace vesmor::test
