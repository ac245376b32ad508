// The stopwatch lines of the write and read engine, received by a test viewer in-process, and
// the engine going on with a stopped viewer.

#include "tests/app_engine/engine_fixture.h"
#include "tests/trace/trace_lines.h"
#include "tests/trace/trace_listener.h"
#include "vesmor.h"

namespace tagforge::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using vesmor::test::IsStopwatchLine;
using vesmor::test::TraceChannelScope;
using vesmor::test::TraceListener;

void SendFrameDump(intptr_t /*handle*/, const char* text) {
    VESMOR_Trace(text);
}

class EngineTraceTest : public EngineTest {
  protected:
    ~EngineTraceTest() override { VESMOR_SetTraceHook(nullptr); }

    static std::vector<std::string> Texts(TraceListener& viewer) {
        std::vector<std::string> texts;
        for (const std::string& pieces : viewer.Received()) {
            texts.push_back(vesmor::DecodeTracePieces(pieces));
        }
        return texts;
    }

    TraceChannelScope channel;
};

TEST_F(EngineTraceTest,
       TheTransponderStepTracesNachInventoryAfterTheInventoryAndInventoryAtItsEnd) {
    TraceListener viewer(channel.Name());
    ASSERT_TRUE(viewer.Bound());
    VESMOR_SetTraceHook(SendFrameDump);
    Field().Insert(vesmor::sim::ChipKind::kNxp);
    Connect();
    SetJob(1, 4, "1234");
    ASSERT_EQ(Engine().WriteOnce(), StepResult::kDone);
    VESMOR_Trace("end\n");
    ASSERT_TRUE(viewer.WaitForText("end\n", 5s));
    const std::vector<std::string> texts = Texts(viewer);
    vesmor::test::ExpectStopwatchAroundTheInventory(texts);
}

TEST_F(EngineTraceTest, AnEmptyFieldStillEndsTheStopwatchOnce) {
    Connect();
    TraceListener viewer(channel.Name());
    ASSERT_TRUE(viewer.Bound());
    SetJob(1, 4, "1234");
    EXPECT_EQ(Engine().WriteOnce(), StepResult::kNoTransponder);
    ASSERT_TRUE(viewer.WaitForTexts(2, 5s));
    std::this_thread::sleep_for(20ms);
    const std::vector<std::string> texts = Texts(viewer);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_TRUE(IsStopwatchLine(texts[0], "Nach Inventory")) << texts[0];
    EXPECT_TRUE(IsStopwatchLine(texts[1], "Inventory")) << texts[1];
}

TEST_F(EngineTraceTest, WritesGoOnWithAStoppedViewerLosingAtMostTheBoundOnce) {
    Field().Insert(vesmor::sim::ChipKind::kNxp);
    Connect();
    SetJob(1, 4, "1");
    Clock::duration free{};
    for (int i = 0; i < 3; ++i) {
        Engine().StartWriteCycle();
        const Clock::time_point start = Clock::now();
        ASSERT_EQ(Engine().WriteOnce(), StepResult::kDone);
        free = std::max(free, Clock::now() - start);
    }
    TraceListener stopped(channel.Name(), TraceListener::Mode::kNeverAccept);
    ASSERT_TRUE(stopped.Bound());
    Clock::duration total{};
    for (int i = 0; i < 5; ++i) {
        Engine().StartWriteCycle();
        const Clock::time_point start = Clock::now();
        ASSERT_EQ(Engine().WriteOnce(), StepResult::kDone);
        const Clock::duration took = Clock::now() - start;
        EXPECT_LE(took, free + vesmor::kTraceBound + vesmor::test::kTimingSlack);
        total += took;
    }
    EXPECT_LE(total, 5 * free + vesmor::kTraceBound + vesmor::test::kTimingSlack);
}

}  // namespace
}  // namespace tagforge::test
