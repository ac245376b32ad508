#include "library/posix/trace_socket.h"
#include "library/trace.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/fakes/other_user.h"
#include "tests/trace/trace_listener.h"

namespace vesmor {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::TraceChannelScope;
using test::TraceListener;

constexpr auto kSlack = test::kTimingSlack;

TEST(TracePieces, TextsGoInZeroPaddedPiecesOfFourBytesAndComeBackWithoutThePadding) {
    EXPECT_EQ(EncodeTracePieces("12345678"), "12345678");
    EXPECT_EQ(EncodeTracePieces("123456789"), std::string("123456789\0\0\0", 12));
    EXPECT_EQ(EncodeTracePieces(""), "");
    EXPECT_EQ(DecodeTracePieces(std::string("123456789\0\0\0", 12)), "123456789");
    EXPECT_EQ(DecodeTracePieces("12345678"), "12345678");
}

TEST(TracePieces, FrameDumpFormat) {
    const uint8_t bytes[] = {0x02, 0xAB};
    EXPECT_EQ(FormatFrameDump(">", 0x1F, bytes, 2), ">(0000001f) 02 ab \r\n");
    EXPECT_EQ(FormatFrameDump("<", 20001, nullptr, 0), "<(00004e21) \r\n");
}

TEST(TraceChannel, IsVekTracerUnlessTheEnvironmentNamesAnother) {
    {
        TraceChannelScope scope;
        EXPECT_EQ(TraceChannelName(), scope.Name());
        EXPECT_EQ(TraceLockPath(scope.Name()), scope.LockFile().string());
        ::setenv(kTraceChannelVariable, std::string(200, 'n').c_str(), 1);
        EXPECT_EQ(TraceChannelName(), std::string(107, 'n'));
        ::setenv(kTraceChannelVariable, "", 1);
        EXPECT_EQ(TraceChannelName(), "VekTracer");
    }
    if (std::getenv(kTraceChannelVariable) == nullptr) {
        EXPECT_EQ(TraceChannelName(), "VekTracer");
    }
}

TEST(TraceChannel, WithoutAViewerNothingIsSentAndTheLockIsNeverCreated) {
    TraceChannelScope scope;
    EXPECT_FALSE(TraceSend("nobody listens\r\n"));
    TraceFormat("VESMOR_ClosePort(%d)\r\n", 1);
    EXPECT_FALSE(std::filesystem::exists(scope.LockFile()));

    TraceListener viewer(scope.Name());
    ASSERT_TRUE(viewer.Bound());
    EXPECT_TRUE(TraceSend("now one listens\r\n"));
    EXPECT_TRUE(std::filesystem::exists(scope.LockFile()));
}

TEST(TraceChannel, EightCharactersGoAsTwoPiecesNineAsThreeWithTheLastPadded) {
    TraceChannelScope scope;
    TraceListener viewer(scope.Name());
    ASSERT_TRUE(viewer.Bound());
    TraceSend("12345678");
    TraceSend("123456789");
    ASSERT_TRUE(viewer.WaitForTexts(2, 5s));
    const std::vector<std::string> received = viewer.Received();
    EXPECT_EQ(received[0], "12345678");
    EXPECT_EQ(received[1], std::string("123456789\0\0\0", 12));
}

TEST(TraceChannel, AFormattedTextIsCutTo511Characters) {
    TraceChannelScope scope;
    TraceListener viewer(scope.Name());
    ASSERT_TRUE(viewer.Bound());
    TraceFormat("%s", std::string(600, 'a').c_str());
    ASSERT_TRUE(viewer.WaitForTexts(1, 5s));
    EXPECT_EQ(viewer.Received()[0], std::string(511, 'a') + '\0');
}

// A text that shows which sender wrote it and which one it is, in varying lengths.
std::string NumberedText(int sender, int index) {
    return "T" + std::to_string(sender) + "." + std::to_string(index) + ":" +
           std::string(static_cast<size_t>(index % 37), static_cast<char>('a' + sender)) + "\r\n";
}

void ExpectEveryTextWhole(const std::vector<std::string>& received, int senders, int texts) {
    std::set<std::string> expected;
    for (int sender = 0; sender < senders; ++sender) {
        for (int i = 0; i < texts; ++i) {
            expected.insert(NumberedText(sender, i));
        }
    }
    std::set<std::string> arrived;
    for (const std::string& pieces : received) {
        EXPECT_EQ(pieces.size() % 4, 0u);
        const std::string text = DecodeTracePieces(pieces);
        EXPECT_EQ(expected.count(text), 1u) << "not a whole text: " << text;
        arrived.insert(text);
    }
    EXPECT_EQ(arrived, expected);
}

TEST(TraceChannel, TextsOfSeveralThreadsTracingAtOnceArriveWhole) {
    TraceChannelScope scope;
    TraceListener viewer(scope.Name());
    ASSERT_TRUE(viewer.Bound());
    constexpr int kThreads = 4;
    constexpr int kTexts = 100;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kTexts; ++i) {
                TraceSend(NumberedText(t, i));
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    ASSERT_TRUE(viewer.WaitForTexts(kThreads * kTexts, 10s));
    ExpectEveryTextWhole(viewer.Received(), kThreads, kTexts);
}

TEST(TraceChannel, TextsOfTwoProcessesTracingAtOnceArriveWhole) {
    TraceChannelScope scope;
    constexpr int kTexts = 150;
    // The senders are forked before the viewer's thread exists and wait for a byte to start.
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    std::vector<pid_t> senders;
    for (int sender = 0; sender < 2; ++sender) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            char start;
            const bool started = ::read(go[0], &start, 1) == 1;
            int delivered = 0;
            for (int i = 0; started && i < kTexts; ++i) {
                delivered += TraceSend(NumberedText(sender, i)) ? 1 : 0;
            }
            ::_exit(delivered == kTexts ? 0 : 1);
        }
        senders.push_back(pid);
    }
    TraceListener viewer(scope.Name());
    ASSERT_TRUE(viewer.Bound());
    ASSERT_EQ(::write(go[1], "gg", 2), 2);
    for (const pid_t pid : senders) {
        int status = -1;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    ::close(go[0]);
    ::close(go[1]);
    ASSERT_TRUE(viewer.WaitForTexts(2 * kTexts, 10s));
    ExpectEveryTextWhole(viewer.Received(), 2, kTexts);
}

// Times each of `count` texts; returns the longest and the total.
std::pair<Clock::duration, Clock::duration> TimeTexts(int count, const std::string& text) {
    Clock::duration longest{};
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < count; ++i) {
        const Clock::time_point before = Clock::now();
        TraceSend(text);
        longest = std::max(longest, Clock::now() - before);
    }
    return {longest, Clock::now() - start};
}

TEST(TraceStall, AViewerThatNeverAcceptsCostsAtMostTheBoundPerTextAndInAllAboutOnce) {
    TraceChannelScope scope;
    TraceListener stopped(scope.Name(), TraceListener::Mode::kNeverAccept);
    ASSERT_TRUE(stopped.Bound());
    const auto [longest, total] = TimeTexts(20, "VESMOR_ClosePort(1)\r\n");
    EXPECT_LE(longest, kTraceBound + kSlack);
    EXPECT_GE(total, kTraceBound);  // the backlog did fill: one text waited out the bound
    EXPECT_LE(total, 2 * kTraceBound + kSlack);
}

TEST(TraceStall, AViewerThatAcceptsButNeverReadsCostsAtMostTheBoundEvenForAHugeText) {
    TraceChannelScope scope;
    TraceListener hung(scope.Name(), TraceListener::Mode::kAcceptNeverRead);
    ASSERT_TRUE(hung.Bound());
    ASSERT_TRUE(TraceSend("a small text still fits\n"));  // and ends a stall of an earlier test
    // More than the socket buffers hold, so that the send itself has to give up.
    const Clock::duration huge = TimeTexts(3, std::string(1 << 20, 'x')).first;
    EXPECT_LE(huge, kTraceBound + kSlack);
    EXPECT_GE(huge, kTraceBound);
    EXPECT_LE(TimeTexts(20, "Inventory\n").first, kTraceBound + kSlack);
}

TEST(TraceStall, ALockHeldByAnotherProgramCostsAtMostTheBound) {
    TraceChannelScope scope;
    TraceListener viewer(scope.Name());
    ASSERT_TRUE(viewer.Bound());
    ASSERT_TRUE(TraceSend("creates the lock\n"));
    const int other = ::open(scope.LockFile().c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    const Clock::time_point start = Clock::now();
    EXPECT_FALSE(TraceSend("waits for the lock\n"));
    EXPECT_GE(Clock::now() - start, kTraceBound - 2ms);
    EXPECT_LE(Clock::now() - start, kTraceBound + kSlack);
    // Once a text was lost, the later ones only try the lock: a lock that stays held costs the
    // bound once, not for every text.
    const auto [longest, total] = TimeTexts(30, "VESMOR_ClosePort(1)\r\n");
    EXPECT_LE(longest, kSlack);
    EXPECT_LE(total, kTraceBound / 2 + kSlack);
    ::flock(other, LOCK_UN);
    ::close(other);
    EXPECT_TRUE(TraceSend("gets through again\n"));
    EXPECT_TRUE(viewer.WaitForText("gets through again\n", 5s));
}

TEST(TraceLock, WithoutARuntimeDirectoryTheLockIsKeptWhereNoOtherUserCanOpenIt) {
    if (!test::CanActAsOtherUser()) {
        GTEST_SKIP() << "needs root to act as another user";
    }
    TraceChannelScope scope;
    TraceListener viewer(scope.Name());
    ASSERT_TRUE(viewer.Bound());
    const test::SharedTemporaryDirectory shared;  // no XDG_RUNTIME_DIR from here on
    const std::string lock = TraceLockPath(scope.Name());
    ASSERT_EQ(lock, (shared.UserFallback() / (scope.Name() + "Lock")).string());
    ASSERT_TRUE(TraceSend("makes the lock\n"));
    struct stat st {};
    ASSERT_EQ(::lstat(lock.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // The other user can neither open the lock nor put anything beside it.
    EXPECT_EQ(test::AsOtherUser([&] { return ::open(lock.c_str(), O_RDONLY) >= 0; }), 1);
    EXPECT_EQ(test::AsOtherUser([&] {
                  return ::open((shared.UserFallback() / "planted").c_str(), O_CREAT | O_WRONLY,
                                0644) >= 0;
              }),
              1);
}

TEST(TraceLock, AFallbackDirectoryOfAnotherUserIsNotUsedAndTextsStillGo) {
    if (!test::CanActAsOtherUser()) {
        GTEST_SKIP() << "needs root to plant another user's files";
    }
    TraceChannelScope scope;
    TraceListener viewer(scope.Name());
    ASSERT_TRUE(viewer.Bound());
    const test::SharedTemporaryDirectory shared;
    // The other user made the directory first and linked the lock's name to a file of ours.
    const std::filesystem::path mine = shared.Path() / "mine";
    { std::ofstream(mine) << "keep\n"; }
    std::filesystem::create_directory(shared.UserFallback());
    std::filesystem::permissions(shared.UserFallback(), std::filesystem::perms::all);
    const std::filesystem::path link = shared.UserFallback() / (scope.Name() + "Lock");
    std::filesystem::create_symlink(mine, link);
    ASSERT_TRUE(test::GiveToOtherUser(shared.UserFallback()));
    ASSERT_TRUE(test::GiveToOtherUser(link));
    EXPECT_EQ(TraceLockPath(scope.Name()), "");
    EXPECT_TRUE(TraceSend("goes without the lock\n"));
    EXPECT_TRUE(viewer.WaitForText("goes without the lock\n", 5s));
    EXPECT_EQ(std::filesystem::file_size(mine), 5u);
}

TEST(TraceStall, LaterTextsGetThroughAgainOnceAViewerTakesThem) {
    TraceChannelScope scope;
    {
        TraceListener stopped(scope.Name(), TraceListener::Mode::kNeverAccept);
        ASSERT_TRUE(stopped.Bound());
        TimeTexts(5, "lost\n");
    }
    TraceListener viewer(scope.Name());
    ASSERT_TRUE(viewer.Bound());
    EXPECT_TRUE(TraceSend("first again\n"));
    EXPECT_TRUE(TraceSend("second\n"));
    ASSERT_TRUE(viewer.WaitForTexts(2, 5s));
    EXPECT_EQ(DecodeTracePieces(viewer.Received()[0]), "first again\n");
}

TEST(TraceCost, ATextWithoutAViewerCostsOneFailedConnect) {
    TraceChannelScope scope;
    constexpr int kCalls = 5000;
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < kCalls; ++i) {
        TraceFormat("[%08u] %s %d:%02d.%03d.%03d min\n", 1234u, "Nach Inventory", 0, 0, 1, 234);
    }
    const double us =
        std::chrono::duration<double, std::micro>(Clock::now() - start).count() / kCalls;
    std::cout << "trace call without a viewer: " << us << " us per call\n";
    ::testing::Test::RecordProperty("us_per_call", std::to_string(us));
    EXPECT_LT(us, 200.0);
    EXPECT_FALSE(std::filesystem::exists(scope.LockFile()));
}

}  // namespace
}  // namespace vesmor
