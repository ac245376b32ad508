// vesmor dump --out, restore and diff against the simulator's tag kinds: images written to a
// tag come back byte for byte where the blocks are writable, locked and read-only blocks are
// reported, a tag that leaves mid-restore is reported block by block, and bad images are
// refused before anything is written.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "sim/pty_link.h"
#include "sim/sim_tag.h"
#include "tests/tools/run_program.h"

namespace vesmor::test {
namespace {

using sim::ChipKind;

class CliImage : public ::testing::Test {
  protected:
    CliImage() : link(sim::ReaderConfig{}) {
        char pattern[] = "/tmp/vesmor-image-XXXXXX";
        dir = ::mkdtemp(pattern);
    }
    ~CliImage() override { std::filesystem::remove_all(dir); }

    ProgramResult Run(std::vector<std::string> args) {
        args.insert(args.begin() + 1, {"-p", link.Path()});
        return RunProgram(VESMOR_CLI, args);
    }
    std::string File(const std::string& name) const { return dir + "/" + name; }
    // A tag of the kind with every block filled with its own bytes (block, i, 0xA5, ...).
    sim::Uid FilledTag(ChipKind kind, uint8_t seed) {
        const sim::Uid uid = link.Field().Insert(kind);
        const sim::TagGeometry g = sim::GeometryOf(kind);
        for (int block = 0; block < g.blockCount; ++block) {
            std::vector<uint8_t> bytes(static_cast<size_t>(g.blockSize));
            for (size_t i = 0; i < bytes.size(); ++i) {
                bytes[i] = static_cast<uint8_t>(block * 7 + static_cast<int>(i) + seed);
            }
            link.Field().SetBlock(uid, block, bytes);
        }
        return uid;
    }
    size_t Writes() const {
        size_t writes = 0;
        for (const auto& bytes : link.Field().IsoRequests()) {
            const std::optional<sim::IsoRequest> request = sim::ParseIsoRequest(bytes);
            writes += request && (request->command == 0x21 ||
                                  (request->command == 0xA0 && !request->parameters.empty() &&
                                   request->parameters[0] == 0x30));
        }
        return writes;
    }
    static nlohmann::json Json(const std::string& path) {
        return nlohmann::json::parse(ReadFileText(path));
    }

    mutable sim::PtyLink link;
    std::string dir;
};

struct KindCase {
    ChipKind kind;
    std::vector<std::string> extra;  // restore options
    std::vector<int> locked;         // blocks that keep the target's contents
};

TEST_F(CliImage, RestoreThenDumpGivesTheImageBackWhereBlocksAreWritable) {
    const KindCase cases[] = {
        {ChipKind::kNxp, {}, {}},
        {ChipKind::kStLarge, {"--blocks", "250-262"}, {}},  // across the 16-bit block numbers
        {ChipKind::kInfineon, {}, {0, 1, 2}},               // read-only blocks
        {ChipKind::kLocked, {}, {0, 1, 2, 3}},
        {ChipKind::kEm, {}, {}},  // the last block cannot be read: null in the image, skipped
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(sim::ChipKindName(c.kind));
        link.Field().Clear();
        const sim::Uid source = FilledTag(c.kind, 0x30);
        const std::string image = File("source.json");
        ProgramResult r = Run({"dump", "--out", image});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        link.Field().Clear();
        const sim::Uid target = FilledTag(c.kind, 0x90);
        std::vector<std::string> args = {"restore", "--file", image};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        r = Run(args);
        EXPECT_EQ(r.exitCode, c.locked.empty() ? 0 : 1) << r.out << r.err;
        if (!c.locked.empty()) {
            EXPECT_NE(r.out.find("gesperrt: " + std::to_string(c.locked.size())), std::string::npos)
                << r.out;
            EXPECT_NE(r.out.find("Gesperrte Blöcke: 0-" + std::to_string(c.locked.back())),
                      std::string::npos)
                << r.out;
        }
        ASSERT_EQ(Run({"dump", "--out", File("target.json")}).exitCode, 0);
        const nlohmann::json before = Json(image), after = Json(File("target.json"));
        const int first = c.extra.empty() ? 0 : 250, last = c.extra.empty() ? 1 << 20 : 262;
        for (size_t b = 0; b < before["blocks"].size(); ++b) {
            const int block = static_cast<int>(b);
            const bool locked =
                std::find(c.locked.begin(), c.locked.end(), block) != c.locked.end();
            if (block >= first && block <= last && !locked) {
                EXPECT_EQ(after["blocks"][b], before["blocks"][b]) << "block " << b;
            } else {
                EXPECT_NE(after["blocks"][b], before["blocks"][b]) << "block " << b;
            }
        }
        // Written again, only the locked blocks still differ: they are tried and refused again.
        link.Field().ClearIsoRequests();
        r = Run(args);
        EXPECT_NE(r.out.find("Geschrieben: 0,"), std::string::npos) << r.out;
        EXPECT_EQ(Writes(), c.locked.size());
        (void)source;
        (void)target;
    }
}

TEST_F(CliImage, ATagThatLeavesMidRestoreReportsExactlyTheBlocksWritten) {
    FilledTag(ChipKind::kNxp, 0x10);
    ASSERT_EQ(Run({"dump", "--out", File("a.json")}).exitCode, 0);
    link.Field().Clear();
    const sim::Uid target = FilledTag(ChipKind::kNxp, 0x60);
    link.Field().LeaveAfterWrites(target, 5);
    const ProgramResult r = Run({"restore", "--file", File("a.json")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("Geschrieben: 5, unverändert: 0, fehlgeschlagen: 1, gesperrt: 0, "
                         "übersprungen: 0, nicht versucht: 22\n"
                         "Geschriebene Blöcke: 0-4\nFehlgeschlagene Blöcke: 5\n"
                         "Nicht versuchte Blöcke: 6-27\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.err.find("Block 5: Fehler 21"), std::string::npos) << r.err;
    // In English, and a UID that is none is refused as an argument.
    link.Field().Clear();
    FilledTag(ChipKind::kNxp, 0x60);
    const ProgramResult en = RunProgram(
        VESMOR_CLI, {"--lang", "en", "restore", "-p", link.Path(), "--file", File("a.json")});
    EXPECT_EQ(en.exitCode, 0) << en.err;
    EXPECT_NE(en.out.find("Written: 28, unchanged: 0, failed: 0, locked: 0, skipped: 0, not "
                          "tried: 0\nBlocks written: 0-27\n"),
              std::string::npos)
        << en.out;
    EXPECT_EQ(Run({"restore", "--file", File("a.json"), "--uid", "E0"}).exitCode, 2);
    EXPECT_EQ(Run({"diff", "--file", File("a.json"), "--uid", "E0"}).exitCode, 2);
}

TEST_F(CliImage, BadImagesAreRefusedWithAReasonAndNothingIsWritten) {
    const sim::Uid uid = FilledTag(ChipKind::kNxp, 0);
    std::ofstream(File("bad.json")) << "{\"blockCount\": 28, \"blockSize\": 4, \"blocks\": [\x1b";
    std::ofstream(File("short.bin")) << "ABCDE";
    std::ofstream(File("few.json"))
        << R"({"blockCount": 2, "blockSize": 4, "blocks": ["00 00 00 00"]})";
    link.Field().Clear();
    FilledTag(ChipKind::kInfineon, 1);
    ASSERT_EQ(Run({"dump", "--out", File("infineon.json")}).exitCode, 0);
    link.Field().Clear();
    link.Field().Insert(ChipKind::kNxp, uid);
    link.Field().ClearIsoRequests();
    const std::pair<std::string, std::string> cases[] = {
        {"bad.json", "bad.json: Die Datei ist kein gültiges JSON (Fehler bei Byte 47)\n"},
        {"short.bin",
         "short.bin: Die Datei hat 5 Bytes: das sind keine ganzen Blöcke zu 4 "
         "Bytes (höchstens 65536 Blöcke)\n"},
        {"few.json", "few.json: \"blocks\" muss 2 Einträge haben (blockCount)\n"},
        {"infineon.json", "Das Abbild hat Blöcke zu 8 Bytes, der Transponder zu 4 Bytes. "},
    };
    for (const auto& [name, message] : cases) {
        const ProgramResult r = Run({"restore", "--file", File(name)});
        EXPECT_EQ(r.exitCode, 2) << name;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("Nichts geschrieben."), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find('\x1b'), std::string::npos);
    }
    EXPECT_EQ(Writes(), 0u);
    // A dry run shows the blocks it would write and writes none.
    ASSERT_EQ(Run({"dump", "--out", File("zero.bin")}).exitCode, 0);
    link.Field().SetBlock(uid, 3, {1, 2, 3, 4});
    const ProgramResult r = Run({"restore", "--file", File("zero.bin"), "--dry-run"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("    3: 01 02 03 04 -> 00 00 00 00\n"), std::string::npos) << r.out;
    EXPECT_EQ(Writes(), 0u);
}

TEST_F(CliImage, DiffShowsDifferingBlocksSideBySideWithEscapedText) {
    const sim::Uid uid = FilledTag(ChipKind::kNxp, 0x41);
    ASSERT_EQ(Run({"dump", "--out", File("a.json")}).exitCode, 0);
    ASSERT_EQ(Run({"dump", "--out", File("a.csv")}).exitCode, 0);
    ASSERT_EQ(Run({"dump", "--out", File("a.bin")}).exitCode, 0);
    ProgramResult r = Run({"diff", "--file", File("a.json")});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("Gleich: 28 Blöcke"), std::string::npos) << r.out;
    link.Field().SetBlock(uid, 2, {'O', 'K', 0x1B, 0x07});
    r = Run({"diff", "--file", File("a.json")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("    2  4F 4B 1B 07  OK..  |  4F 50 51 52  OPQR\n"), std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find('\x1b'), std::string::npos);
    // Two files: the CSV and the binary form hold the same blocks as the JSON one.
    EXPECT_EQ(RunProgram(VESMOR_CLI, {"diff", File("a.json"), File("a.csv")}).exitCode, 0);
    EXPECT_EQ(RunProgram(VESMOR_CLI, {"diff", File("a.bin"), File("a.json")}).exitCode, 0);
    ASSERT_EQ(Run({"dump", "--out", File("b.csv")}).exitCode, 0);
    r = RunProgram(VESMOR_CLI, {"diff", File("a.csv"), File("b.csv")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("Verschieden: 1 von 28 Blöcken (2)"), std::string::npos) << r.out;
    EXPECT_EQ(RunProgram(VESMOR_CLI, {"diff", File("a.csv")}).exitCode, 2);
    EXPECT_EQ(RunProgram(VESMOR_CLI, {"diff", File("a.csv"), File("missing.json")}).exitCode, 2);
    // The CSV keeps a spreadsheet from taking a block's text as a formula.
    link.Field().SetBlock(uid, 0, {'=', '1', '+', '1'});
    ASSERT_EQ(Run({"dump", "--out", File("c.csv")}).exitCode, 0);
    EXPECT_NE(ReadFileText(File("c.csv")).find("0,3D 31 2B 31,\"'=1+1\",\r\n"), std::string::npos);
}

TEST_F(CliImage, DumpOutReplacesAFileAtOnceAndNeverWritesThroughALink) {
    FilledTag(ChipKind::kLocked, 0);
    std::ofstream(File("victim")) << "keep";
    ASSERT_EQ(::symlink(File("victim").c_str(), File("link.json").c_str()), 0);
    ProgramResult r = Run({"dump", "--out", File("link.json")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("nicht geschrieben: ist ein symbolischer Link"), std::string::npos);
    EXPECT_EQ(ReadFileText(File("victim")), "keep");
    std::ofstream(File("old.json")) << "old";
    r = Run({"dump", "--security", "--out", File("old.json")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const nlohmann::json image = Json(File("old.json"));
    EXPECT_EQ(image["lockedBlocks"], (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(image["chip"], "ICode2");
    EXPECT_EQ(image["time"].get<std::string>().size(), 20u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 3);  // no leftovers
}

}  // namespace
}  // namespace vesmor::test
