// The write cycle of "vesmor program --cycle" against the simulator in conveyor mode, with the
// line emulated at 19200 baud: for every programmed tag, the time from the tag entering the
// field to the end of its write, and the wire time of the frames that write exchanged
// (inventory, tag information, block writes) as the physical floor. The engine and the cycle
// loop are those of the command-line tool; the library's frame trace counts the bytes.
//
// VESMOR_TEST_SHORT=1 programs 3 tags instead of 20.

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/core/cycle_runner.h"
#include "app/core/engine_stack.h"
#include "sim/conveyor.h"
#include "sim/pty_link.h"
#include "vesmor.h"

namespace {

using Steady = std::chrono::steady_clock;

constexpr int kBaud = 19200;
constexpr double kBitsPerByte = 10.0;  // 8N1
constexpr int kPeriodMs = 250;         // `ZyklusZeit`
constexpr int kTagEveryMs = 900;
constexpr int kTagPresentMs = 600;

std::mutex g_mutex;
size_t g_wireBytes = 0;                               // request and answer bytes so far
std::map<std::string, Steady::time_point> g_entered;  // UID text -> time it entered

// "<(00000001) 02 01 00 \n": the bytes are the hexadecimal pairs after the handle.
void CountFrame(intptr_t, const char* text) {
    const std::string dump = text;
    const size_t start = dump.find(')');
    size_t digits = 0;
    for (size_t i = start == std::string::npos ? 0 : start + 1; i < dump.size(); ++i) {
        digits += std::isxdigit(static_cast<unsigned char>(dump[i])) != 0;
    }
    const size_t bytes = digits / 2;
    std::lock_guard lock(g_mutex);
    g_wireBytes += bytes;
}

class QuietView final : public tagforge::EngineView, public tagforge::StatusView {
  public:
    void ShowMessageBox(const std::string& text) override { std::printf("! %s\n", text.c_str()); }
    void SetWaitCursor(bool) override {}
    void SetTitle(const std::string&) override {}
    void ShowWriteText(const std::string&) override {}
    void ShowReadText(const std::string&) override {}
    void ClearLines() override {}
    void AppendLine(const std::string&) override {}
};

std::string UidText(const tagforge::Uid& uid) {
    char text[17];
    for (int i = 0; i < 8; ++i) {
        std::snprintf(text + 2 * i, 3, "%02X", uid[7 - i]);
    }
    return text;
}

double Ms(Steady::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct TagFigures {
    double latencyMs;  // entered the field -> written
    double stepMs;     // the tick that wrote it
    double floorMs;    // wire time of that tick's frames
};

}  // namespace

int main() {
    const bool shortRun = std::getenv("VESMOR_TEST_SHORT") != nullptr;
    const int tags = shortRun ? 3 : 20;
    VESMOR_SetTraceHook(CountFrame);
    vesmor::sim::PtyLink::Options line;
    line.lineBaud = kBaud;
    vesmor::sim::PtyLink link(vesmor::sim::ReaderConfig{}, line);
    QuietView view;
    tagforge::SilentBeeper beeper;
    tagforge::SteadyClock clock;
    tagforge::EngineStack stack({tagforge::VesmorLibrary(), view, view, beeper, clock},
                                "VESMOR Tagforge");
    if (!stack.connection.Connect({link.Path() + ":1", kBaud, 500})) {
        return 1;
    }
    tagforge::CycleEngine& engine = stack.engine;
    engine.Job() = {"1", true, false, false, tagforge::kFormatDecimalBinary, 0, 4};
    engine.Settings().ZyklusZeit = kPeriodMs;
    engine.StartWriteCycle();

    std::vector<TagFigures> figures;
    const auto tick = [&]() {
        size_t bytesBefore = 0;
        {
            std::lock_guard lock(g_mutex);
            bytesBefore = g_wireBytes;
        }
        const Steady::time_point start = Steady::now();
        const std::optional<tagforge::StepResult> result = engine.WriteTick();
        const Steady::time_point end = Steady::now();
        if (result == tagforge::StepResult::kDone) {
            std::lock_guard lock(g_mutex);
            const auto entered = g_entered.find(UidText(*engine.LastUid()));
            const double floor = (g_wireBytes - bytesBefore) * kBitsPerByte * 1000.0 / kBaud;
            figures.push_back({entered == g_entered.end() ? -1 : Ms(end - entered->second),
                               Ms(end - start), floor});
        }
        return result;
    };
    const std::atomic<bool> never{false};
    tagforge::CycleSummary summary;
    {
        const vesmor::sim::Conveyor conveyor(link.Field(), vesmor::sim::ChipKind::kNxp, kTagEveryMs,
                                             kTagPresentMs, [](const std::string& event) {
                                                 if (event[0] == '+') {
                                                     std::lock_guard lock(g_mutex);
                                                     g_entered[event.substr(1)] = Steady::now();
                                                 }
                                             });
        summary = tagforge::RunCycle(tick, {kPeriodMs, tags}, never);
    }
    stack.connection.Close();

    double stepSum = 0;
    double floorSum = 0;
    double worstMargin = -1e9;
    std::printf("%4s %12s %10s %10s %8s\n", "tag", "latency ms", "step ms", "floor ms", "ratio");
    for (size_t i = 0; i < figures.size(); ++i) {
        const TagFigures& f = figures[i];
        std::printf("%4zu %12.1f %10.1f %10.1f %8.3f\n", i + 1, f.latencyMs, f.stepMs, f.floorMs,
                    f.stepMs / f.floorMs);
        stepSum += f.stepMs;
        floorSum += f.floorMs;
        worstMargin = std::max(worstMargin, f.latencyMs - (1.05 * f.floorMs + kPeriodMs));
    }
    const double ratio = stepSum / floorSum;
    std::printf("programmed %d tags at %d baud, period %d ms\n", summary.done, kBaud, kPeriodMs);
    std::printf("write step / wire floor: %.3f (target <= 1.05)\n", ratio);
    std::printf("latency - (1.05 x floor + period), worst tag: %.1f ms (target <= 0)\n",
                worstMargin);
    return summary.done == tags ? 0 : 1;
}
