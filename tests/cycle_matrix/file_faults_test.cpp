// Whole write cycles of `vesmor program --cycle` when the disk or another process stands in the
// way of the log and the data file: a full disk mid-cycle, a log on a read-only file system, a
// log or data file another process holds locked, a settings file that cannot be written. The
// log writer and the data file do not depend on the transport; the cells run over a
// pseudo-terminal and TCP to show that no reader path changes that.

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tests/cycle_matrix/reader_bench.h"

namespace tagforge::test {
namespace {

// Another process holding a file's lock (flock) for holdMs, or until Release.
class LockHolder {
  public:
    LockHolder(const std::string& file, int holdMs) {
        int ready[2];
        if (::pipe(ready) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            const int fd = ::open(file.c_str(), O_RDWR | O_CREAT, 0644);
            if (fd < 0 || ::flock(fd, LOCK_EX) != 0) {
                ::_exit(1);
            }
            [[maybe_unused]] const auto n = ::write(ready[1], "x", 1);
            const timespec hold{holdMs / 1000, (holdMs % 1000) * 1000000L};
            ::nanosleep(&hold, nullptr);
            ::_exit(0);
        }
        ::close(ready[1]);
        char c = 0;
        locked_ = pid_ > 0 && ::read(ready[0], &c, 1) == 1;
        ::close(ready[0]);
    }
    ~LockHolder() { Release(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    bool Locked() const { return locked_; }
    void Release() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

  private:
    pid_t pid_ = -1;
    bool locked_ = false;
};

// A log line as the tool writes it for a 4-digit decimal ASCII value.
std::string LogLineText(int number, int value) {
    char line[96];
    std::snprintf(line, sizeof line, "%6d\t09.12.2026 10:00:00\tDEZ ASCII\t   0\t   4\t%04d\r\n",
                  number, value);
    return line;
}

class CycleFileFaults : public MatrixTest {
  protected:
    std::vector<std::string> ToolArgs(int count, const std::string& logPath) const {
        return {"program",     "-p",
                bench->Port(), "--format",
                "3",           "--bytes",
                "4",           "--zeros",
                "--value",     "0001",
                "--increment", "--cycle",
                "--count",     std::to_string(count),
                "--period",    "20",
                "--write-log", logPath};
    }
    // The tool in a mount namespace of its own with a tmpfs on dir/disk, prepared by setup (a
    // shell command); afterwards the log on it is copied to `log`.
    CycleRun InPrivateDisk(const std::string& setup, int count) {
        const std::string disk = dir + "/disk";
        std::filesystem::create_directories(disk);
        std::string command =
            "mount -t tmpfs -o size=8k tmpfs " + disk + " && " + setup + " && " + VESMOR_TOOL;
        for (const std::string& a : ToolArgs(count, disk + "/Protokoll_S.txt"))
            command += " '" + a + "'";
        command += "; rc=$?; cp " + disk + "/Protokoll_S.txt " + log + "; exit $rc";
        return RunCycle("/usr/bin/unshare", {"-m", "/bin/sh", "-c", command}, bench->Env(), dir,
                        disk + "/Protokoll_S.txt");
    }
    // The values on the tags; the row's figures are printed for the matrix table.
    std::vector<std::string> Written(const CycleRun& run, const char* row) {
        int partial = 0;
        std::vector<std::string> values = bench->Written(&partial);
        EXPECT_EQ(partial, 0);
        PrintRow(std::string(row) + " " + TransportName(GetParam()), run, values.size(),
                 LogLines(ReadFileText(log)).size(), partial);
        return values;
    }
    std::string LostEntryPrefix(const std::string& file, const char* reason) const {
        return "Protokolleintrag nicht gespeichert: " + file + " (" + reason + "). Eintrag: ";
    }
};

TEST_P(CycleFileFaults, FullDiskStopsTheCycleAfterTheTagWhoseEntryItPrintedWhole) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "a private tmpfs needs root (CI runs as root)";
    }
    // 74 lines of an earlier run fill the log's first 4 KiB page up to room for three entries
    // more; the rest of the 8 KiB disk is taken, so the fourth entry finds the disk full.
    const std::string earlier = dir + "/earlier.txt";
    {
        std::ofstream out(earlier, std::ios::binary);
        for (int i = 1; i <= 74; ++i)
            out << LogLineText(i, i);
    }
    bench->StartConveyor(150, 100, 4);
    const std::string disk = dir + "/disk";
    const CycleRun run = InPrivateDisk("cp " + earlier + " " + disk +
                                           "/Protokoll_S.txt && { head -c 8192 /dev/zero > " +
                                           disk + "/fill 2>/dev/null; true; }",
                                       10);
    const std::vector<std::string> written = Written(run, "disk full");
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_EQ(written.size(), 4u) << run.out << run.err;
    EXPECT_NE(run.out.find("Protokolleintrag nicht gespeichert: " + disk +
                           "/Protokoll_S.txt (Datenträger voll)\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.err.find(LostEntryPrefix(disk + "/Protokoll_S.txt", "Datenträger voll")),
              std::string::npos)
        << run.err;
    EXPECT_EQ(LineCount(log), 77u) << "no half line left behind";
    ExpectNothingLost(written, ReadFileText(log), 74, run);
    ExpectNoLeaks(run);
}

TEST_P(CycleFileFaults, LogOnAReadOnlyDiskStopsTheCycleAfterTheFirstTag) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "a private read-only mount needs root (CI runs as root)";
    }
    bench->StartConveyor(150, 100, 4);
    const std::string disk = dir + "/disk";
    const std::string earlier = dir + "/earlier.txt";
    std::ofstream(earlier, std::ios::binary) << LogLineText(1, 9);
    const CycleRun run = InPrivateDisk(
        "cp " + earlier + " " + disk + "/Protokoll_S.txt && mount -o remount,ro " + disk, 5);
    const std::vector<std::string> written = Written(run, "read-only log");
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_NE(run.err.find(LostEntryPrefix(disk + "/Protokoll_S.txt", "keine Schreibberechtigung")),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("Zyklus beendet: 1 Transponder geschrieben, 0 fehlgeschlagen, "
                           "letzter Wert <0001>\n"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(written, std::vector<std::string>{"0001"});
    ExpectNothingLost(written, ReadFileText(log), 1, run);
}

TEST_P(CycleFileFaults, LogLockedByAnotherProcessStopsTheCycleAfterItsWait) {
    std::ofstream(log, std::ios::binary) << LogLineText(1, 9);
    LockHolder holder(log, 30000);
    ASSERT_TRUE(holder.Locked());
    bench->StartConveyor(150, 100, 4);
    const CycleRun run = RunCycle(VESMOR_TOOL, ToolArgs(5, log), bench->Env(), dir, log);
    holder.Release();
    const std::vector<std::string> written = Written(run, "log locked");
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_NE(run.err.find(LostEntryPrefix(log, "von einem anderen Programm gesperrt")),
              std::string::npos)
        << run.err;
    EXPECT_EQ(written, std::vector<std::string>{"0001"});
    ExpectNothingLost(written, ReadFileText(log), 1, run);
}

TEST_P(CycleFileFaults, LogLockedForAMomentDelaysTheEntryAndLosesNothing) {
    bench->StartConveyor(150, 100, 4);
    std::unique_ptr<LockHolder> holder;
    const CycleRun run = RunCycle(VESMOR_TOOL, ToolArgs(5, log), bench->Env(), dir, log,
                                  [&](const ProcessSample& now) {
                                      if (now.logLines < 2) {
                                          return false;
                                      }
                                      holder = std::make_unique<LockHolder>(log, 400);
                                      return true;
                                  });
    holder.reset();
    const std::vector<std::string> written = Written(run, "log locked 0.4 s");
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(written.size(), 5u) << run.out;
    ExpectNothingLost(written, ReadFileText(log), 0, run);
    ExpectNoLeaks(run);
}

// The job of a data file: a 4-digit decimal ASCII number from 0001 on, incremented.
void WriteJobFile(const std::string& path) {
    std::ofstream(path, std::ios::binary)
        << "[Settings]\r\nLastData=0001\r\nAutoIncrement=1\r\nAutoNull=1\r\nPrefixZulassen=0\r\n"
           "Datenformat=3\r\nStartblock=0\r\nByteanzahl=4\r\n";
}

std::vector<std::string> JobArgs(const std::string& port, const std::string& job,
                                 const std::string& log) {
    return {"program", "-p", port,       "--job", job,           "--cycle",
            "--count", "3",  "--period", "20",    "--write-log", log};
}

TEST_P(CycleFileFaults, DataFileHeldForAMomentIsReadOnceItIsFree) {
    const std::string job = dir + "/Auftrag.KTDat";
    WriteJobFile(job);
    auto holder = std::make_unique<LockHolder>(job, 1000);
    ASSERT_TRUE(holder->Locked());
    bench->StartConveyor(150, 100, 4);
    const CycleRun run =
        RunCycle(VESMOR_TOOL, JobArgs(bench->Port(), job, log), bench->Env(), dir, log);
    holder.reset();
    const std::vector<std::string> written = Written(run, "data file locked 1 s");
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(Joined(written), "0001 0002 0003") << run.out << run.err;
    ExpectNothingLost(written, ReadFileText(log), 0, run);
}

TEST_P(CycleFileFaults, DataFileLockedByAnotherProcessIsRefusedAndNothingIsWritten) {
    const std::string job = dir + "/Auftrag.KTDat";
    WriteJobFile(job);
    LockHolder holder(job, 30000);
    ASSERT_TRUE(holder.Locked());
    bench->StartConveyor(150, 100, 4);
    const CycleRun run =
        RunCycle(VESMOR_TOOL, JobArgs(bench->Port(), job, log), bench->Env(), dir, log);
    holder.Release();
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_EQ(run.err, "--job: " + job + ": von einem anderen Programm gesperrt\n");
    EXPECT_TRUE(Written(run, "data file locked").empty());
    EXPECT_FALSE(std::filesystem::exists(log));
}

// The command line keeps no settings: a settings file it could not write changes nothing.
TEST_P(CycleFileFaults, UnwritableSettingsFileDoesNotTouchTheCycle) {
    const std::string config = dir + "/config";
    std::filesystem::create_directories(config + "/Vek Applikationen/VESMOR Tagforge.conf");
    bench->StartConveyor(150, 100, 4);
    std::vector<std::string> env = bench->Env();
    env.insert(env.end(), {"XDG_CONFIG_HOME=" + config, "HOME=" + config});
    const CycleRun run = RunCycle(VESMOR_TOOL, ToolArgs(3, log), env, dir, log);
    const std::vector<std::string> written = Written(run, "settings unwritable");
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(Joined(written), "0001 0002 0003");
    ExpectNothingLost(written, ReadFileText(log), 0, run);
    EXPECT_TRUE(std::filesystem::is_directory(config + "/Vek Applikationen/VESMOR Tagforge.conf"));
}

INSTANTIATE_TEST_SUITE_P(Transports, CycleFileFaults,
                         ::testing::Values(Transport::kPty, Transport::kTcp),
                         [](const auto& info) { return TransportName(info.param); });

}  // namespace
}  // namespace tagforge::test
