// vesmor-trace and vesmor run as programs against a simulated reader, on a trace channel of the
// test's own.

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>

#include "library/trace.h"
#include "sim/pty_link.h"
#include "tests/tools/run_program.h"
#include "tests/trace/trace_lines.h"
#include "tests/trace/trace_listener.h"
#include "tests/trace/viewer_process.h"

namespace vesmor::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

sim::ReaderConfig Programmer() {
    sim::ReaderConfig config;
    config.deviceCode = 0x131;
    config.firmware = 'C';
    return config;
}

class ViewerTest : public ::testing::Test {
  protected:
    ViewerTest() : link(Programmer()) { link.Field().Insert(sim::ChipKind::kNxp); }
    ~ViewerTest() override { ::unsetenv("VESMOR_TRACE"); }

    ProgramResult Vesmor(std::vector<std::string> args) {
        args.insert(args.begin() + 1, {"-p", link.Path() + ":1"});
        return RunProgram(VESMOR_CLI, args);
    }

    TraceChannelScope channel;
    sim::PtyLink link;
};

TEST_F(ViewerTest, ShowsEveryFrameOfACommandRunWithTraceEachLineWithItsTime) {
    ViewerProcess viewer({});
    ASSERT_TRUE(viewer.Running()) << viewer.Errors();
    const ProgramResult run = Vesmor({"tag", "--trace"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_TRUE(viewer.WaitForOutput("VESMOR_ClosePort(1)\n"));
    const std::string out = viewer.Output();
    // The open call and its result are two texts that make one line with one time stamp.
    EXPECT_TRUE(HasStampedLine(out, "VESMOR_OpenPort(" + link.Path() + ":1,19200,500) = 1\n"))
        << out;
    EXPECT_TRUE(HasStampedLine(out, ">(00000001) 02 01 20 03 25 01 00 06 \n")) << out;
    EXPECT_TRUE(HasStampedLine(out, "<(00000001) 02 01 00 ff 0b 00 ")) << out;
    EXPECT_EQ(out.find('\r'), std::string::npos);
    EXPECT_EQ(viewer.Interrupt(), 0);
}

TEST_F(ViewerTest, TheEnvironmentVariableSendsTheFramesTooAndWithoutItOnlyTheCallsGo) {
    ViewerProcess viewer({"--raw"});
    ASSERT_TRUE(viewer.Running()) << viewer.Errors();
    ASSERT_EQ(Vesmor({"info"}).exitCode, 0);
    ASSERT_TRUE(viewer.WaitForOutput("VESMOR_ClosePort(1)\r\n"));
    EXPECT_EQ(viewer.Output(),
              "VESMOR_OpenPort(" + link.Path() + ":1,19200,500) = 1\r\nVESMOR_ClosePort(1)\r\n");
    ::setenv("VESMOR_TRACE", "1", 1);
    ASSERT_EQ(Vesmor({"info"}).exitCode, 0);
    ASSERT_TRUE(viewer.WaitForOutput("VESMOR_ClosePort(1)\r\nVESMOR_OpenPort("));
    ASSERT_TRUE(viewer.WaitForOutput(">(00000001) 02 01 f0 00 f1 \r\n<(00000001) 02 01 00 04 "))
        << viewer.Output();
    EXPECT_EQ(viewer.Interrupt(), 0);
}

TEST_F(ViewerTest, HandleKeepsOnlyTheFrameDumpsOfThatPortAndRawKeepsTheLineEnds) {
    ViewerProcess viewer({"--raw", "--handle", "1"});
    ASSERT_TRUE(viewer.Running()) << viewer.Errors();
    TraceSend(">(00000002) 02 01 f0 00 f1 \r\n");
    // --trace before the command works as well as after it.
    ASSERT_EQ(RunProgram(VESMOR_CLI, {"--trace", "info", "-p", link.Path()}).exitCode, 0);
    TraceSend(">(00004e21) 02 \r\n");
    TraceSend("end\n");
    ASSERT_TRUE(viewer.WaitForOutput("end\n"));
    const std::string out = viewer.Output();
    EXPECT_EQ(out.find("(00000002)"), std::string::npos) << out;
    EXPECT_EQ(out.find("(00004e21)"), std::string::npos) << out;
    EXPECT_NE(out.find(">(00000001) 02 01 f0 00 f1 \r\n"), std::string::npos) << out;
    EXPECT_EQ(out.rfind("VESMOR_OpenPort(", 0), 0u) << out;
    EXPECT_EQ(viewer.Interrupt(), 0);
}

TEST_F(ViewerTest, TheStopwatchLinesOfAProgramWriteArriveInTheirExactFormat) {
    ViewerProcess viewer({"--raw"});
    ASSERT_TRUE(viewer.Running()) << viewer.Errors();
    const ProgramResult run = Vesmor({"program", "--trace", "--value", "12"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_TRUE(viewer.WaitForOutput("VESMOR_ClosePort(1)\r\n"));
    const std::string out = viewer.Output();
    ExpectStopwatchAroundTheInventory(SplitLines(out));
    EXPECT_EQ(viewer.Interrupt(), 0);
}

TEST(ViewerHelp, ExplainsTheOptionsAndEndsWithSuccess) {
    const ProgramResult help = RunProgram(VESMOR_TRACE_VIEWER, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--handle"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("--raw"), std::string::npos);
    EXPECT_NE(RunProgram(VESMOR_TRACE_VIEWER, {"--handle", "x"}).exitCode, 0);
}

TEST(ViewerStart, ASecondViewerOnTheSameChannelRefusesToStart) {
    TraceChannelScope channel;
    TraceListener first(channel.Name());
    ASSERT_TRUE(first.Bound());
    const ProgramResult second = RunProgram(VESMOR_TRACE_VIEWER, {});
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_NE(second.err.find("cannot listen on \"" + channel.Name() + "\""), std::string::npos)
        << second.err;
}

TEST_F(ViewerTest, AStoppedViewerDelaysAProgramWriteByAtMostTheBound) {
    const auto timeRuns = [this](int runs) {
        Clock::duration longest{};
        for (int i = 0; i < runs; ++i) {
            const Clock::time_point start = Clock::now();
            EXPECT_EQ(Vesmor({"program", "--value", "1"}).exitCode, 0);
            longest = std::max(longest, Clock::now() - start);
        }
        return longest;
    };
    const Clock::duration free = timeRuns(3);
    TraceListener stopped(channel.Name(), TraceListener::Mode::kNeverAccept);
    ASSERT_TRUE(stopped.Bound());
    const Clock::duration stalled = timeRuns(3);
    const auto delayMs = std::chrono::duration<double, std::milli>(stalled - free).count();
    std::cout << "vesmor program: longest run "
              << std::chrono::duration<double, std::milli>(free).count() << " ms without a viewer, "
              << std::chrono::duration<double, std::milli>(stalled).count()
              << " ms with a stopped one (+" << delayMs << " ms)\n";
    ::testing::Test::RecordProperty("stalled_delay_ms", std::to_string(delayMs));
    // Five texts (open, its result, two stopwatch lines, close) could each cost the bound; after
    // the first has waited it out the others do not wait.
    EXPECT_LT(stalled, free + 2 * kTraceBound + kTimingSlack);
}

}  // namespace
}  // namespace vesmor::test
