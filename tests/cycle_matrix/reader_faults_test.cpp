// Whole write cycles of `vesmor program --cycle` on every transport while the reader fails them:
// pulled away mid-cycle, silent for a while, tags leaving before their write is done. Whatever
// happens, every value on a tag is logged once, none is logged that is on no tag, the values
// follow each other, and the tool keeps no descriptor or thread per tag.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <optional>

#include "tests/cycle_matrix/reader_bench.h"
#include "tests/tools/cycle_check.h"

namespace tagforge::test {
namespace {

class CycleReaderFaults : public MatrixTest {
  protected:
    // A cycle of count tags, each given `bytes` decimal ASCII digits from 0..01 on.
    CycleRun Cycle(int count, int bytes, int periodMs, const Watch& watch, long limitMs = 30000) {
        return RunCycle(
            VESMOR_TOOL,
            {"program", "-p", bench->Port(), "--format", "3", "--bytes", std::to_string(bytes),
             "--zeros", "--value", std::string(size_t(bytes) - 1, '0') + "1", "--increment",
             "--cycle", "--count", std::to_string(count), "--period", std::to_string(periodMs),
             "--write-log", log},
            bench->Env(), dir, log, watch, limitMs);
    }
    void Report(const char* row, const CycleRun& run, size_t written, int partial) const {
        PrintRow(std::string(row) + " " + TransportName(GetParam()), run, written, LineCount(log),
                 partial);
    }
};

TEST_P(CycleReaderFaults, ReaderPulledAwayEndsTheCycleSoonWithItsSummaryAndNothingLost) {
    bench->StartConveyor(150, 100, 4);
    const std::string port = bench->Port();  // a LAN reader's port is gone with the reader
    const CycleRun run = Cycle(
        20, 4, 20,
        [&](const ProcessSample& now) {
            if (now.logLines < 3) {
                return false;
            }
            bench->Unplug();
            return true;
        },
        6000);  // a cycle that runs on is stopped there, and fails below
    int partial = 0;
    const std::vector<std::string> written = bench->Written(&partial);
    Report("unplugged", run, written.size(), partial);
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_GE(run.msAfterFault, 0);
    EXPECT_LT(run.msAfterFault, 3000) << "the cycle must end by itself";
    EXPECT_NE(run.err.find("Die Verbindung zum Leser " + port + " ist unterbrochen.\n"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("Zyklus beendet: " + std::to_string(written.size()) +
                           " Transponder geschrieben, "),
              std::string::npos)
        << run.err;
    EXPECT_GE(written.size(), 3u);
    EXPECT_EQ(partial, 0);
    ExpectNothingLost(written, ReadFileText(log), 0, run);
    ExpectNoLeaks(run);
}

TEST_P(CycleReaderFaults, SilentReaderThatAnswersAgainResumesWithTheNextValue) {
    bench->StartConveyor(150, 100, 4);
    std::chrono::steady_clock::time_point silencedAt{};
    bool silenced = false, answering = false;
    const CycleRun run = Cycle(6, 4, 20, [&](const ProcessSample& now) {
        if (!silenced && now.logLines >= 2) {
            silenced = true;
            silencedAt = std::chrono::steady_clock::now();
            bench->Silence(true);
            return false;
        }
        if (silenced && !answering &&
            std::chrono::steady_clock::now() - silencedAt > std::chrono::milliseconds(600)) {
            answering = true;
            bench->Silence(false);
        }
        return false;
    });
    int partial = 0;
    const std::vector<std::string> written = bench->Written(&partial);
    Report("silent", run, written.size(), partial);
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    ASSERT_TRUE(answering);
    EXPECT_NE(run.out.find("\nTimeout\n"), std::string::npos) << "the reader never fell silent";
    EXPECT_EQ(written.size(), 6u) << run.out;
    EXPECT_EQ(partial, 0);
    ExpectNothingLost(written, ReadFileText(log), 0, run);
    ExpectNoLeaks(run);
}

// Tags pass fast and briefly, so some leave after their inventory, between the blocks of their
// value or before its last block's answer: a tag that does not hold its whole value is no
// written tag, and the next one gets that value.
TEST_P(CycleReaderFaults, TagsLeavingMidWriteNeitherSkipNorRepeatAValue) {
    const bool twoBlocks = GetParam() != Transport::kHid && GetParam() != Transport::kD2xx;
    const int bytes = twoBlocks ? 8 : 4;
    bench->StartConveyor(70, 30, bytes);
    const CycleRun run = Cycle(12, bytes, 3, {});
    int partial = 0;
    const std::vector<std::string> written = bench->Written(&partial);
    Report("leaving", run, written.size(), partial);
    // A tool slowed by a sanitizer or a busy machine may lose a tag after its write began and
    // before it holds its value: the tool then counts it failed in its summary and ends with 1.
    // The values below hold either way.
    const std::optional<int> failed = vesmor::test::FailedInSummary(run.err);
    if (run.exitCode == 1 && failed) {
        EXPECT_LE(*failed, 2) << run.err;
    } else {
        EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    }
    EXPECT_EQ(written.size(), 12u) << run.out;
    ExpectNothingLost(written, ReadFileText(log), 0, run);
    ExpectNoLeaks(run);
}

INSTANTIATE_TEST_SUITE_P(Transports, CycleReaderFaults,
                         ::testing::Values(Transport::kPty, Transport::kTcp, Transport::kHid,
                                           Transport::kD2xx, Transport::kBluetooth),
                         [](const auto& info) { return TransportName(info.param); });

}  // namespace
}  // namespace tagforge::test
