// The command-line tool against simulated readers: output, messages and exit codes.

#include <gtest/gtest.h>

#include <pty.h>

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
    EXPECT_EQ(r.err.rfind("Im Feld sind mehrere Transponder\n", 0), 0u) << r.err;
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

// Runs and single blocks, dump output and the checks before a write.
class DumpReadWrite : public Cli {
  protected:
    // Every block of the tag gets bytes that tell it apart.
    void Fill(const sim::Uid& uid, ChipKind kind) {
        const sim::TagGeometry g = sim::GeometryOf(kind);
        for (int block = 0; block < g.blockCount; ++block) {
            std::vector<uint8_t> bytes(static_cast<size_t>(g.blockSize));
            for (size_t i = 0; i < bytes.size(); ++i)
                bytes[i] = static_cast<uint8_t>(block + 3 * static_cast<int>(i) + (block >> 8));
            link.Field().SetBlock(uid, block, bytes);
        }
    }
    size_t IsoCommands(uint8_t command) {
        size_t n = 0;
        for (const auto& r : link.Field().IsoRequests())
            n += r.size() >= 2 && r[1] == command;
        return n;
    }
    // As Run, with standard error on a pseudo-terminal; what it printed there is in err.
    ProgramResult RunOnTerminal(std::vector<std::string> args) {
        args.insert(args.begin() + 1, {"-p", link.Path()});
        int master = -1, slave = -1;
        EXPECT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
        char outPath[] = "/tmp/vesmor-test-out-XXXXXX";
        const int outFd = ::mkstemp(outPath);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, outFd, 1);
        posix_spawn_file_actions_adddup2(&actions, slave, 2);
        posix_spawn_file_actions_addclose(&actions, master);
        std::vector<char*> argv{const_cast<char*>(VESMOR_CLI)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ProgramResult result;
        pid_t pid;
        const bool started =
            ::posix_spawn(&pid, VESMOR_CLI, &actions, nullptr, argv.data(), environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        ::close(slave);
        // Read until the child's end of the terminal is gone (EIO).
        char chunk[256];
        ssize_t n;
        while ((n = ::read(master, chunk, sizeof chunk)) > 0)
            result.err.append(chunk, static_cast<size_t>(n));
        if (started) {
            int status = 0;
            ::waitpid(pid, &status, 0);
            result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        ::close(master);
        ::close(outFd);
        result.out = ReadFileText(outPath);
        ::unlink(outPath);
        return result;
    }
};

TEST_F(DumpReadWrite, DumpInRunsPrintsWhatSingleBlockReadsPrintWithFarFewerRequests) {
    const sim::Uid uid = link.Field().Insert(ChipKind::kStLarge);
    Fill(uid, ChipKind::kStLarge);
    const ProgramResult runs = Run({"dump"});
    ASSERT_EQ(runs.exitCode, 0) << runs.err;
    EXPECT_EQ(IsoCommands(0x20), 0u);
    EXPECT_LE(IsoCommands(0x23), 40u);
    link.Field().ClearIsoRequests();
    const ProgramResult single = Run({"dump", "--single"});
    ASSERT_EQ(single.exitCode, 0) << single.err;
    EXPECT_EQ(IsoCommands(0x20), 2048u);
    EXPECT_EQ(IsoCommands(0x23), 0u);
    EXPECT_EQ(runs.out, single.out);
    EXPECT_NE(runs.out.find("\n2044 - 2047  03 06 09 0C  04 07 0A 0D  05 08 0B 0E  06 09 0C 0F\n"),
              std::string::npos);
}

TEST_F(DumpReadWrite, ReadCountAcrossBlock255MatchesSingleReads) {
    const sim::Uid uid = link.Field().Insert(ChipKind::kStLarge);
    Fill(uid, ChipKind::kStLarge);
    const std::string uidText = sim::UidText(uid);
    const ProgramResult runs = Run({"read", "--uid", uidText, "--block", "250", "--count", "10"});
    ASSERT_EQ(runs.exitCode, 0) << runs.err;
    const ProgramResult single =
        Run({"read", "--uid", uidText, "--block", "250", "--count", "10", "--single"});
    EXPECT_EQ(runs.out, single.out);
    EXPECT_NE(runs.out.find(" 256: 01 04 07 0A\n 257: 02 05 08 0B\n"), std::string::npos)
        << runs.out;
}

TEST_F(DumpReadWrite, JsonNamesTheChipAndItsNumbers) {
    const sim::Uid uid = *sim::ParseUid("E004010000000011");
    link.Field().Insert(ChipKind::kNxp, uid);
    Fill(uid, ChipKind::kNxp);
    const ProgramResult r = Run({"dump", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const nlohmann::json dump = nlohmann::json::parse(r.out);
    EXPECT_EQ(dump["uid"], "E004010000000011");
    EXPECT_EQ(dump["manufacturerCode"], 4);
    EXPECT_EQ(dump["chip"], "ICode2");
    EXPECT_EQ(dump["serialNumber"], 1099511627793LL);
    EXPECT_EQ(dump["blockCount"], 28);
    EXPECT_EQ(dump["blockSize"], 4);
    EXPECT_EQ(dump["blocks"][27], "1B 1E 21 24");
    EXPECT_EQ(dump["typeText"], "Transpondertyp: Philips  ICode2   Seriennummer: 1099511627793");
}

TEST_F(DumpReadWrite, ProgressIsShownOnATerminalOnlyAndQuietTurnsItOff) {
    link.Field().Insert(ChipKind::kNxp);
    ProgramResult r = RunOnTerminal({"dump"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("\rBlock 28 von 28 gelesen"), std::string::npos) << r.err;
    const std::string table = r.out;
    r = RunOnTerminal({"dump", "--quiet"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, table);
    r = Run({"dump"});  // standard error into a file
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
}

TEST_F(DumpReadWrite, WritePastTheTagsEndWritesNothingAndSaysHowManyBlocksItHas) {
    const sim::Uid uid = link.Field().Insert(ChipKind::kNxp);
    Fill(uid, ChipKind::kNxp);
    const auto before26 = link.Field().Block(uid, 26);
    const auto before27 = link.Field().Block(uid, 27);
    const ProgramResult r = Run({"write", "--block", "26", "--data", "010203040506070809101112"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err,
              "Block 26 bis 28 liegen nicht auf dem Transponder: er hat 28 Blöcke (0 bis 27). "
              "Nichts geschrieben.\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(IsoCommands(0x21), 0u);
    EXPECT_EQ(link.Field().Block(uid, 26), before26);
    EXPECT_EQ(link.Field().Block(uid, 27), before27);
    // The last blocks themselves can be written.
    EXPECT_EQ(Run({"write", "--block", "26", "--data", "0102030405060708"}).exitCode, 0);
}

TEST_F(DumpReadWrite, SeveralTranspondersWithoutUidAreListedMostSignificantByteFirst) {
    link.Field().Insert(ChipKind::kNxp, sim::ParseUid("E004010000000011"));
    link.Field().Insert(ChipKind::kStLarge, sim::ParseUid("E0022C0000000001"));
    const ProgramResult r = Run({"dump"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err,
              "Im Feld sind mehrere Transponder\n  E0022C0000000001\n  E004010000000011\n"
              "Wählen Sie einen davon mit --uid.\n");
}

}  // namespace
}  // namespace vesmor::test
