#include "app/core/cycle_runner.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace tagforge {

namespace {

using Steady = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kStopPoll{20};

// Sleeps until `until`; false when `stop` was set meanwhile.
bool SleepUntil(Steady::time_point until, const std::atomic<bool>& stop) {
    while (!stop.load()) {
        const Steady::time_point now = Steady::now();
        if (now >= until) {
            return true;
        }
        std::this_thread::sleep_for(std::min<Steady::duration>(until - now, kStopPoll));
    }
    return false;
}

}  // namespace

CycleSummary RunCycle(const std::function<std::optional<StepResult>()>& tick,
                      const CycleLimits& limits, const std::atomic<bool>& stop) {
    CycleSummary summary;
    const std::chrono::milliseconds period{std::max(limits.periodMs, 1)};
    Steady::time_point next = Steady::now();
    while (limits.count <= 0 || summary.done < limits.count) {
        if (!SleepUntil(next, stop)) {
            summary.stopped = true;
            break;
        }
        const std::optional<StepResult> result = tick();
        if (result == StepResult::kDone) {
            ++summary.done;
            summary.failurePending = false;
        } else if (result == StepResult::kFailed) {
            summary.failurePending = true;
        }
        next = std::max(next + period, Steady::now());
    }
    return summary;
}

}  // namespace tagforge
