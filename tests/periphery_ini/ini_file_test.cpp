#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include "periphery/private_profile.h"
#include "tests/periphery_ini/temp_dir.h"

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

TEST(IniFile, ProfileRewritesChangedFileWithCrLf) {
    TempDir dir;
    const std::string path = dir.File("job.KTDat");
    WriteBytes(path, "a = 1\n[S]\nk=v\n");
    {
        CPrivateProfile profile(path);
        EXPECT_EQ(profile.GetString("S", "k", ""), "v");
        profile.SetString("S", "n", "2");
    }
    EXPECT_EQ(ReadBytes(path), "a=1\r\n[S]\r\nk=v\r\nn=2\r\n");
}

TEST(IniFile, UnchangedFileIsNotWrittenBack) {
    TempDir dir;
    const std::string path = dir.File("job.KTDat");
    WriteBytes(path, "[S]\nk = v\n\n");
    {
        CPrivateProfile profile(path);
        profile.SetString("s", "K", "V");
    }
    EXPECT_EQ(ReadBytes(path), "[S]\nk = v\n\n");
}

TEST(IniFile, CaseSensitiveObjectTreatsCaseAsChange) {
    TempDir dir;
    const std::string path = dir.File("case.ini");
    WriteBytes(path, "[S]\nk=v\n");
    CIniEx ini;
    ASSERT_TRUE(ini.Open(path, true, false, false));
    EXPECT_EQ(ini.GetString("s", "k", "none"), "none");
    ini.SetString("S", "k", "V");
    EXPECT_TRUE(ini.IsModified());
}

TEST(IniFile, MissingFileIsCreatedEmptyOnlyWithCreateFlag) {
    TempDir dir;
    CIniEx ini;
    EXPECT_FALSE(ini.Open(dir.File("absent.ini"), true, false, true));
    EXPECT_FALSE(std::filesystem::exists(dir.File("absent.ini")));
    { CPrivateProfile profile(dir.File("new.KTDat")); }
    EXPECT_TRUE(std::filesystem::exists(dir.File("new.KTDat")));
    EXPECT_EQ(ReadBytes(dir.File("new.KTDat")), "");
}

TEST(IniFile, FailedSaveKeepsContentsModified) {
    TempDir dir;
    const std::string sub = dir.File("sub");
    std::filesystem::create_directory(sub);
    CIniEx ini;
    ASSERT_TRUE(ini.Open(sub + "/x.ini", false, true, true));
    std::filesystem::remove_all(sub);
    ini.SetString("S", "k", "v");
    EXPECT_FALSE(ini.Save());
    EXPECT_TRUE(ini.IsModified());
}

TEST(IniFile, UnreadableFileOpensEmptyWithErrorText) {
    TempDir dir;
    CIniEx ini;
    EXPECT_TRUE(ini.Open(dir.File(""), false, false, true));
    EXPECT_FALSE(ini.GetLastErrorText().empty());
    EXPECT_TRUE(ini.GetSections().empty());
}

// A child process that takes the file's lock, writes `text` while holding it, tells the parent,
// and lets go after `hold`.
class LockHolder {
  public:
    LockHolder(const std::string& path, const std::string& text, milliseconds hold) {
        int ready[2];
        EXPECT_EQ(pipe(ready), 0);
        m_child = fork();
        if (m_child == 0) {
            const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0666);
            flock(fd, LOCK_EX);
            ssize_t ignored = write(fd, text.data(), text.size());
            ignored = write(ready[1], "x", 1);
            (void)ignored;
            std::this_thread::sleep_for(hold);
            _exit(0);
        }
        char byte;
        EXPECT_EQ(read(ready[0], &byte, 1), 1);
        close(ready[0]);
        close(ready[1]);
    }
    ~LockHolder() {
        kill(m_child, SIGKILL);
        waitpid(m_child, nullptr, 0);
    }

  private:
    pid_t m_child;
};

TEST(IniFileLock, OpenWaitsWhileAnotherProcessHoldsTheFile) {
    TempDir dir;
    const std::string path = dir.File("locked.ini");
    LockHolder holder(path, "[S]\nk=written under lock\n", milliseconds(300));
    const auto start = Clock::now();
    CIniEx ini;
    ASSERT_TRUE(ini.Open(path, false, false, true));
    EXPECT_GE(Clock::now() - start, milliseconds(200));
    EXPECT_EQ(ini.GetString("S", "k", ""), "written under lock");
}

TEST(IniFileLock, OpenGivesUpWhenTheHolderDoesNotLetGo) {
    TempDir dir;
    const std::string path = dir.File("hung.ini");
    LockHolder holder(path, "[S]\nk=v\n", std::chrono::seconds(30));
    CIniEx ini;
    ini.SetLockWaitLimit(milliseconds(200));
    const auto start = Clock::now();
    EXPECT_FALSE(ini.Open(path, true, true, true));
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, milliseconds(200));
    EXPECT_LT(waited, milliseconds(2000));
    EXPECT_EQ(ini.GetFilePath(), "");
}

}  // namespace
