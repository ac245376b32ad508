// The simulator's announcements without XDG_RUNTIME_DIR, as another local user would meet them:
// a fallback directory made first by someone else, or left open, links planted where the
// announcement goes.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/fakes/other_user.h"
#include "transports/private_dir.h"
#include "transports/sim_announcement.h"

namespace vesmor {
namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& file) {
    std::ifstream in(file);
    return {std::istreambuf_iterator<char>(in), {}};
}

class PrivateDirTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!test::CanActAsOtherUser()) {
            GTEST_SKIP() << "needs root to plant another user's files";
        }
        ASSERT_FALSE(shared.Path().empty());
        victim = shared.Path() / "victim";  // stands for a file of the user's own
        std::ofstream(victim) << "mine\n";
    }

    // The user's file is as it was.
    void ExpectVictimUntouched() {
        EXPECT_EQ(Contents(victim), "mine\n");
        EXPECT_FALSE(fs::is_symlink(victim));
    }

    test::SharedTemporaryDirectory shared;
    fs::path victim;
};

TEST_F(PrivateDirTest, AFallbackMadeByAnotherUserIsRefusedAndNothingIsWrittenThroughIt) {
    // The other user made the directory first, open for all, with links where the simulator's
    // announcement goes.
    const fs::path planted = shared.UserFallback();
    fs::create_directories(planted / "vesmor-sim");
    fs::permissions(planted, fs::perms::all);
    fs::permissions(planted / "vesmor-sim", fs::perms::all);
    const fs::path link = planted / "vesmor-sim" / (std::to_string(::getpid()) + ".pty");
    fs::create_symlink(victim, link);
    for (const fs::path& path : {planted, planted / "vesmor-sim", link}) {
        ASSERT_TRUE(test::GiveToOtherUser(path));
    }

    std::string problem;
    EXPECT_EQ(AnnounceSimulator("/dev/null", &problem), "");
    EXPECT_NE(problem.find("belongs to another user"), std::string::npos) << problem;
    ExpectVictimUntouched();
    // Its announcements are not believed either.
    std::ofstream(planted / "vesmor-sim" / "1.pty") << "/dev/null\n";
    EXPECT_TRUE(AnnouncedSimulators().empty());
    EXPECT_EQ(UserRuntimeDirectory(), std::nullopt);
}

TEST_F(PrivateDirTest, AnOwnFallbackThatOthersCanEnterIsRefused) {
    fs::create_directories(shared.UserFallback());
    fs::permissions(shared.UserFallback(), fs::perms::owner_all | fs::perms::others_all);
    std::string problem;
    EXPECT_EQ(AnnounceSimulator("/dev/null", &problem), "");
    EXPECT_NE(problem.find("mode 707"), std::string::npos) << problem;
    // A link in the directory's place is no directory of the user's.
    fs::remove(shared.UserFallback());
    fs::create_directory_symlink(shared.Path(), shared.UserFallback());
    EXPECT_FALSE(EnsurePrivateDirectory(shared.UserFallback(), &problem));
    EXPECT_EQ(UserRuntimeDirectory(), std::nullopt);
}

TEST_F(PrivateDirTest, AnAbsentFallbackIsMadePrivateAndALinkAtTheNameIsReplacedNotFollowed) {
    const std::string dir = SimulatorAnnouncementDirectory();
    ASSERT_EQ(dir, (shared.UserFallback() / "vesmor-sim").string());
    for (const fs::path& made : {shared.UserFallback(), fs::path(dir)}) {
        struct stat st {};
        ASSERT_EQ(::lstat(made.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u) << made;
        EXPECT_EQ(st.st_uid, ::geteuid());
    }
    const fs::path announcement = fs::path(dir) / (std::to_string(::getpid()) + ".pty");
    fs::create_symlink(victim, announcement);  // left over, say, from an earlier run
    EXPECT_EQ(AnnounceSimulator("/dev/null"), announcement.string());
    ExpectVictimUntouched();
    EXPECT_FALSE(fs::is_symlink(announcement));
    EXPECT_EQ(Contents(announcement), "/dev/null\n");
    EXPECT_EQ(fs::status(announcement).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(AnnouncedSimulators(), std::vector<std::string>{"/dev/null [VESMOR Simulator]"});
    // The other user cannot even look inside.
    EXPECT_EQ(test::AsOtherUser([&] { return ::access(dir.c_str(), F_OK) == 0; }), 1);
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(PrivateDirTest, OpeningAPrivateFileNeverFollowsALink) {
    const fs::path link = shared.Path() / "lock";
    fs::create_symlink(victim, link);
    EXPECT_LT(OpenPrivateFile(link), 0);
    ExpectVictimUntouched();
}

}  // namespace
}  // namespace vesmor
