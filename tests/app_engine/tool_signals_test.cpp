// `vesmor program --cycle` ended by SIGTERM and SIGHUP (as timeout(1), systemd and a closed ssh
// session send them) while tags pass on the simulator's conveyor: the tag in hand is finished
// and logged, the summary printed, and the exit code is Ctrl-C's. A --count run in which a
// transponder failed exits 1 with a summary that counts it.

#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "sim/conveyor.h"
#include "tests/app_engine/tool_fixture.h"

namespace tagforge::test {
namespace {

using vesmor::sim::ChipKind;

// The tool under timeout(1), which sends `signal` after `seconds`.
ToolRun RunToolSignalled(const std::vector<std::string>& args, const char* signal,
                         const char* seconds) {
    std::vector<std::string> wrapped{"--preserve-status", "-s", signal, seconds, VESMOR_TOOL};
    wrapped.insert(wrapped.end(), args.begin(), args.end());
    return vesmor::test::RunProgram("/usr/bin/timeout", wrapped);
}

// The values (format 3, 4 ASCII bytes) in the log's entries, numbered 1, 2, 3, ...
std::vector<std::string> LoggedValues(const std::string& path) {
    std::vector<std::string> values;
    std::istringstream log(vesmor::test::ReadFileText(path));
    int number = 0;
    for (std::string line; std::getline(log, line);) {
        EXPECT_EQ(std::atoi(line.c_str()), ++number) << line;
        values.push_back(line.substr(line.rfind('\t') + 1, line.size() - line.rfind('\t') - 2));
    }
    return values;
}

std::string AsciiValue(const std::optional<std::vector<uint8_t>>& block) {
    std::string text;
    for (const uint8_t byte : block.value_or(std::vector<uint8_t>{})) {
        if (byte != 0) {
            text += static_cast<char>(byte);
        }
    }
    return text;
}

class ToolSignals : public ToolTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ToolSignals, CycleFinishesTheTagInHandLogsItAndPrintsTheSummary) {
    const std::string log = File("Protokoll_S.txt");
    std::mutex mutex;
    std::map<std::string, std::string> left;
    std::vector<std::string> order;
    std::optional<vesmor::sim::Conveyor> conveyor;
    // Tags stay long enough that a slow (sanitizer) build on a busy machine still writes each
    // one whole: a tag that leaves mid-write is a failed transponder, which this test is not about.
    conveyor.emplace(link.Field(), ChipKind::kNxp, 220, 160, [&](const std::string& event) {
        std::lock_guard lock(mutex);
        const auto uid = vesmor::sim::ParseUid(event.substr(1));
        if (event[0] == '+') {
            order.push_back(event.substr(1));
        } else {
            left[event.substr(1)] = AsciiValue(link.Field().Block(*uid, 0));
        }
    });
    const ToolRun run =
        RunToolSignalled(Args("program", {"--format", "3", "--value", "1", "--increment", "--cycle",
                                          "--period", "5", "--write-log", log}),
                         GetParam(), "2");
    std::vector<std::string> onTags;
    {
        std::lock_guard lock(mutex);
        for (const std::string& uid : order) {
            std::string value = left.count(uid) ? left[uid] : "";
            if (!left.count(uid)) {
                value = AsciiValue(link.Field().Block(*vesmor::sim::ParseUid(uid), 0));
            }
            if (!value.empty()) {
                onTags.push_back(value);
            }
        }
    }
    conveyor.reset();
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    ASSERT_GE(onTags.size(), 3u) << run.out << run.err;
    // What the tags hold is what the log says, in turn, and the summary names the last one.
    EXPECT_EQ(LoggedValues(log), onTags);
    for (size_t i = 0; i < onTags.size(); ++i) {
        EXPECT_EQ(onTags[i], std::to_string(i + 1));
    }
    EXPECT_NE(run.err.find("Zyklus beendet: " + std::to_string(onTags.size()) +
                           " Transponder geschrieben, 0 fehlgeschlagen, letzter Wert <" +
                           onTags.back() + ">\n"),
              std::string::npos)
        << run.err;
}

INSTANTIATE_TEST_SUITE_P(Signals, ToolSignals, ::testing::Values("TERM", "HUP"),
                         [](const auto& info) { return std::string(info.param); });

TEST_F(ToolTest, CountRunWithAFailedTransponderExitsOneAndCountsIt) {
    // A locked tag (blocks 0-3 refuse writes) comes first, then good ones.
    std::optional<vesmor::sim::Conveyor> locked;
    link.Field().Insert(ChipKind::kLocked);
    std::thread remover([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        for (const auto& uid : link.Field().Uids()) {
            link.Field().Remove(uid);
        }
        locked.emplace(link.Field(), ChipKind::kNxp, 150, 100);
    });
    const ToolRun run = RunTool(Args("program", {"--format", "3", "--value", "1", "--increment",
                                                 "--cycle", "--count", "2", "--period", "20"}));
    remover.join();
    locked.reset();
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_NE(run.err.find("Zyklus beendet: 2 Transponder geschrieben, 1 fehlgeschlagen, "
                           "letzter Wert <2>\n"),
              std::string::npos)
        << run.err;
}

}  // namespace
}  // namespace tagforge::test
