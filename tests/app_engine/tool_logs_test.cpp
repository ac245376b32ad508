// `vesmor program` against hostile log paths and limits, and the window's rule for the options
// of formats 4 and 5.

#include <sys/stat.h>

#include <string>
#include <vector>

#include "tests/app_engine/tool_fixture.h"

namespace tagforge::test {
namespace {

using vesmor::sim::ChipKind;

using ToolLogs = ToolTest;

// A FIFO, a directory or a device as the log is refused before the transponder is touched.
TEST_F(ToolLogs, LogPathThatIsNoRegularFileIsRefusedBeforeAnyTagIsWritten) {
    const vesmor::sim::Uid uid = link.Field().Insert(ChipKind::kNxp);
    const std::string fifo = File("fifo.txt");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& log : {fifo, dir.string(), std::string("/dev/null")}) {
        const ToolRun run = RunTool(Args("program", {"--format", "3", "--value", "7", "--cycle",
                                                     "--count", "1", "--write-log", log}));
        EXPECT_EQ(run.exitCode, 2) << log << run.out << run.err;
        EXPECT_EQ(run.err, "Protokolldatei ist keine normale Datei: " + log + "\n");
        EXPECT_EQ(link.Field().Block(uid, 0), (std::vector<uint8_t>{0, 0, 0, 0})) << log;
    }
    const ToolRun read = RunTool(Args("readback", {"--format", "3", "--read-log", fifo}));
    EXPECT_EQ(read.exitCode, 2);
    EXPECT_EQ(read.err, "Protokolldatei ist keine normale Datei: " + fifo + "\n");
}

// Under a file-size limit the tool is not killed halfway through a line: the entry fails
// with "Datei zu groß", the file keeps its whole lines, and the tool exits 1.
TEST_F(ToolLogs, FileSizeLimitFailsTheEntryInsteadOfKillingTheTool) {
    link.Field().Insert(ChipKind::kNxp);
    const std::string log = File("Protokoll_S.txt");
    const std::string before(1000, 'x');
    { std::ofstream(log, std::ios::binary) << before.substr(0, 998) << "\r\n"; }
    const ToolRun run = vesmor::test::RunProgram(
        "/bin/sh", {"-c", "ulimit -f 1; exec \"$0\" \"$@\"", VESMOR_TOOL, "program", "-p", Port(),
                    "--format", "3", "--value", "7", "--write-log", log});
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_NE(run.out.find("Protokolleintrag nicht gespeichert: " + log + " (Datei zu groß)"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(vesmor::test::ReadFileText(log), before.substr(0, 998) + "\r\n");
}

// Formats 4 and 5 take neither increment, leading zeros nor affix, as in the window.
TEST_F(ToolLogs, OptionsTheDataFormatsDoNotTakeAreRefused) {
    const vesmor::sim::Uid uid = link.Field().Insert(ChipKind::kNxp);
    for (const char* option : {"--zeros", "--increment", "--affix"}) {
        for (const char* format : {"4", "5"}) {
            const ToolRun run = RunTool(
                Args("program", {"--format", format, "--bytes", "4", "--value", "AB", option}));
            EXPECT_EQ(run.exitCode, 2) << option << format << run.err;
            EXPECT_EQ(run.err,
                      std::string(option) + " ist in Format " + format + " nicht erlaubt\n");
        }
    }
    EXPECT_EQ(link.Field().Block(uid, 0), (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST_F(ToolLogs, DataFileOptionsTheFormatDoesNotTakeAreIgnoredWithALine) {
    const vesmor::sim::Uid uid = link.Field().Insert(ChipKind::kNxp);
    const std::string job = File("job.KTDat");
    std::ofstream(job) << "[Settings]\r\nLastData=AB\r\nAutoIncrement=1\r\nAutoNull=1\r\n"
                          "PrefixZulassen=0\r\nDatenformat=5\r\nStartblock=0\r\nByteanzahl=4\r\n";
    const std::string log = File("Protokoll_S.txt");
    const ToolRun run = RunTool(Args("program", {"--job", job, "--write-log", log}));
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(run.err, "AutoIncrement aus " + job +
                           " wird in Format 5 nicht verwendet\n"
                           "AutoNull aus " +
                           job + " wird in Format 5 nicht verwendet\n");
    EXPECT_EQ(link.Field().Block(uid, 0), (std::vector<uint8_t>{'A', 'B', 0, 0}));
    const std::string logged = vesmor::test::ReadFileText(log);
    EXPECT_EQ(logged.substr(logged.rfind('\t') + 1), "AB\r\n");
}

}  // namespace
}  // namespace tagforge::test
