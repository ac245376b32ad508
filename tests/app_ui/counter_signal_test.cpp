// The window's write cycle with "Auto increment" while tags pass the reader on a conveyor, ended
// by a real signal: SIGTERM, SIGHUP and SIGINT close it as "Schliessen" does; after SIGKILL the
// profile's counter is still ahead of every value a tag holds, so the next start gives no
// number twice. Each tag's content is checked against the write log.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QSettings>
#include <chrono>
#include <csignal>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "sim/conveyor.h"
#include "sim/pty_link.h"
#include "tests/app_settings/temporary_profile.h"
#include "tests/tools/cycle_check.h"
#include "tests/tools/run_program.h"

namespace tagforge::test {
namespace {

using vesmor::test::BlockValue;
using vesmor::test::LineCount;

using vesmor::sim::ChipKind;
using Clock = std::chrono::steady_clock;

constexpr int kFirstValue = 100;

// The values of the log's entries, checking that the lines are numbered 1, 2, 3, ...
std::vector<uint32_t> LoggedValues(const std::string& path) {
    std::vector<uint32_t> values;
    std::ifstream log(path);
    int number = 0;
    for (std::string line; std::getline(log, line);) {
        ++number;
        EXPECT_EQ(std::atoi(line.c_str()), number) << line;
        values.push_back(static_cast<uint32_t>(std::stoul(line.substr(line.rfind('\t') + 1))));
    }
    return values;
}

// "Settings"/`LastData` as the file on disk holds it now.
std::string StoredLastData(const QString& profileFile) {
    QSettings stored(profileFile, QSettings::IniFormat);
    return stored.value("Settings/LastData").toString().toStdString();
}

class CounterSignalTest : public ::testing::Test {
  protected:
    CounterSignalTest() : link(Programmer()) {
        log = logs.path().toStdString() + "/Protokoll_S.txt";
        QSettings profile(home.ProfileFile(), QSettings::IniFormat);
        profile.setValue("Port/Name", QString::fromStdString(link.Path()));
        profile.setValue("Port/Adresse", 1);
        profile.setValue("Settings/LastData", QString::number(kFirstValue));
        profile.setValue("Settings/AutoIncrement", 1);
        profile.setValue("Settings/Datenformat", 2);
        profile.setValue("Settings/Byteanzahl", 4);
        profile.setValue("Settings/Startblock", 0);
        profile.setValue("Settings/ZyklusZeit", 20);
        profile.setValue("Settings/BeepTime", 0);
        profile.setValue("Protokoll/LogFileEnableSchreiben", 1);
        profile.setValue("Protokoll/LogFileNameSchreiben", QString::fromStdString(log));
        profile.sync();
    }

    static vesmor::sim::ReaderConfig Programmer() {
        vesmor::sim::ReaderConfig config;
        config.deviceCode = 0x125;
        return config;
    }

    // Starts the window; it connects and starts its write cycle, and tags come every 150 ms.
    void Start() {
        conveyor.emplace(link.Field(), ChipKind::kNxp, 150, 100, [this](const std::string& event) {
            if (event[0] == '-') {
                std::lock_guard lock(mutex);
                left[event.substr(1)] =
                    BlockValue(link.Field().Block(*vesmor::sim::ParseUid(event.substr(1)), 0));
            }
        });
        const std::string program = CYCLE_WINDOW_CHILD;
        char* const argv[] = {const_cast<char*>(program.c_str()), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        ASSERT_EQ(::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
    }

    // Waits (bounded) until the log holds `entries` lines.
    void WaitForEntries(int entries) {
        const Clock::time_point until = Clock::now() + std::chrono::seconds(30);
        while (LineCount(log) < entries && Clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ASSERT_GE(LineCount(log), entries) << vesmor::test::ReadFileText(out);
    }

    // Waits (bounded) for the window to end; its wait status.
    int WaitForEnd() {
        const Clock::time_point until = Clock::now() + std::chrono::seconds(20);
        int status = 0;
        while (::waitpid(pid, &status, WNOHANG) == 0) {
            if (Clock::now() > until) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                ADD_FAILURE() << "the window did not end";
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        pid = 0;
        return status;
    }

    // Values of every tag the window wrote (0 = unwritten tags left out), in no order.
    std::vector<uint32_t> TagValues() {
        std::vector<uint32_t> values;
        std::lock_guard lock(mutex);
        for (const auto& uid : link.Field().Uids()) {
            left[vesmor::sim::UidText(uid)] = BlockValue(link.Field().Block(uid, 0));
        }
        for (const auto& [uid, value] : left) {
            if (value != 0) {
                values.push_back(value);
            }
        }
        std::sort(values.begin(), values.end());
        return values;
    }

    ~CounterSignalTest() override {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }

    TemporaryProfileHome home;
    QTemporaryDir logs;
    vesmor::sim::PtyLink link;
    std::string log;
    std::string out = logs.path().toStdString() + "/out.txt";
    std::mutex mutex;
    std::map<std::string, uint32_t> left;  // UID -> value in block 0 when it left
    std::optional<vesmor::sim::Conveyor> conveyor;
    pid_t pid = 0;
};

class CloseSignalTest : public CounterSignalTest, public ::testing::WithParamInterface<int> {};

TEST_P(CloseSignalTest, ClosesLikeSchliessenWithEveryWrittenTagLoggedAndTheNextValueStored) {
    Start();
    WaitForEntries(4);
    ASSERT_EQ(::kill(pid, GetParam()), 0);
    const int status = WaitForEnd();
    const std::vector<uint32_t> tags = TagValues();
    conveyor.reset();
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(vesmor::test::ReadFileText(out), "cycle\nclosed\n");

    // Every tag holds the value its log entry names, each value once, in turn from 100 on.
    std::vector<uint32_t> logged = LoggedValues(log);
    std::sort(logged.begin(), logged.end());
    EXPECT_EQ(tags, logged);
    ASSERT_FALSE(tags.empty());
    for (size_t i = 0; i < tags.size(); ++i) {
        EXPECT_EQ(tags[i], kFirstValue + i);
    }
    // The window saved its settings: the next start proposes the value after the last one.
    EXPECT_EQ(StoredLastData(home.ProfileFile()), std::to_string(tags.back() + 1));
}

INSTANTIATE_TEST_SUITE_P(QuitSignals, CloseSignalTest, ::testing::Values(SIGTERM, SIGHUP, SIGINT),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(sigabbrev_np(info.param));
                         });

TEST_F(CounterSignalTest, AfterKillTheStoredCounterIsAheadOfEveryWrittenTag) {
    Start();
    WaitForEntries(4);
    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    const int status = WaitForEnd();
    const std::vector<uint32_t> tags = TagValues();
    conveyor.reset();
    ASSERT_TRUE(WIFSIGNALED(status));

    const std::vector<uint32_t> logged = LoggedValues(log);
    ASSERT_GE(logged.size(), 4u);
    // No value twice; every logged value is on a tag; at most the tag in hand when the window
    // was killed lacks its entry.
    EXPECT_EQ(std::set<uint32_t>(tags.begin(), tags.end()).size(), tags.size());
    for (const uint32_t value : logged) {
        EXPECT_TRUE(std::binary_search(tags.begin(), tags.end(), value)) << value;
    }
    EXPECT_LE(tags.size(), logged.size() + 1);
    // The next start begins above every number a tag already holds.
    const std::string stored = StoredLastData(home.ProfileFile());
    ASSERT_FALSE(stored.empty());
    EXPECT_GT(std::stoul(stored), tags.back()) << "stored " << stored;
    EXPECT_LE(std::stoul(stored), tags.back() + 2u) << "more than the one reserved number lost";
}

}  // namespace
}  // namespace tagforge::test
