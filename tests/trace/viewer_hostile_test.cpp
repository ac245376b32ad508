// vesmor-trace as other local users meet it: texts from another user's programs, terminal
// escape sequences in a text, and a crowd of connections that never send anything.

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "library/trace.h"
#include "tests/fakes/other_user.h"
#include "tests/trace/trace_listener.h"
#include "tests/trace/viewer_process.h"

namespace vesmor::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(ViewerSenders, TextsOfAnotherUserArePrintedOnlyWithAllUsersAndThenEscaped) {
    if (!CanActAsOtherUser()) {
        GTEST_SKIP() << "needs root to send as another user";
    }
    TraceChannelScope channel;
    const std::string forged = "\x1b]0;owned\x07>(00000001) 02 01 00 \r\n";
    {
        ViewerProcess viewer({});
        ASSERT_TRUE(viewer.Running()) << viewer.Errors();
        // Whether the send itself went through depends on when the viewer hangs up.
        EXPECT_NE(AsOtherUser([&] { return TraceSend(forged); }), -1);
        ASSERT_TRUE(TraceSend("own text\n"));
        ASSERT_TRUE(viewer.WaitForOutput("own text\n"));
        EXPECT_EQ(viewer.Output().find("owned"), std::string::npos) << viewer.Output();
    }
    ViewerProcess viewer({"--all-users", "--raw"});
    ASSERT_TRUE(viewer.Running()) << viewer.Errors();
    EXPECT_EQ(AsOtherUser([&] { return TraceSend(forged); }), 0);
    ASSERT_TRUE(viewer.WaitForOutput("\\e]0;owned\\x07>(00000001) 02 01 00 \r\n"))
        << viewer.Output();
    EXPECT_EQ(viewer.Output().find('\x1b'), std::string::npos);
}

TEST(ViewerSenders, HelpSaysWhoCanSend) {
    const ProgramResult help = RunProgram(VESMOR_TRACE_VIEWER, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Who can send: every program on this machine"), std::string::npos)
        << help.out;
    EXPECT_NE(help.out.find("--all-users"), std::string::npos);
}

// A connection to the channel that sends nothing.
int SilentConnection(const std::string& channel) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    const socklen_t length = TraceChannelAddress(channel, address);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

TEST(ViewerFlood, SilentConnectionsAreDroppedAfterASecondAndDoNotHoldBackOthers) {
    TraceChannelScope channel;
    ViewerProcess viewer({"--raw"});
    ASSERT_TRUE(viewer.Running()) << viewer.Errors();
    // More silent connections than the viewer keeps open at once.
    std::vector<int> silent;
    for (int i = 0; i < 400; ++i) {
        const int fd = SilentConnection(channel.Name());
        ASSERT_GE(fd, 0) << i;
        silent.push_back(fd);
    }
    const Clock::time_point sent = Clock::now();
    ASSERT_TRUE(TraceSend("through the crowd\n"));
    ASSERT_TRUE(viewer.WaitForOutput("through the crowd\n"));
    EXPECT_LT(Clock::now() - sent, 900ms) << "printed before any silent one was dropped";
    // Each silent connection is closed by the viewer: a read sees its end.
    const Clock::time_point waited = Clock::now();
    int ended = 0;
    for (const int fd : silent) {
        timeval limit{3, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        char byte = 0;
        ended += ::read(fd, &byte, 1) == 0 ? 1 : 0;
        ::close(fd);
    }
    EXPECT_EQ(ended, 400);
    EXPECT_LT(Clock::now() - waited, 2500ms);
    ASSERT_TRUE(TraceSend("after the crowd\n"));
    EXPECT_TRUE(viewer.WaitForOutput("after the crowd\n"));
}

}  // namespace
}  // namespace vesmor::test
