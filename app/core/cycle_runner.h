#pragma once

#include <atomic>
#include <functional>
#include <optional>

#include "app/core/cycle_engine.h"

// A cycle in real time, for hosts without a window timer (the command-line tool): one tick
// every period until enough transponders were handled or the run is stopped.
namespace tagforge {

struct CycleLimits {
    int periodMs = 250;
    int count = 0;  // transponders to handle; 0 = until stopped
};

struct CycleSummary {
    int done = 0;
    bool stopped = false;
    // A step failed and no step succeeded after it (a transponder that was left unhandled).
    bool failurePending = false;
};

// Runs `tick` at the start of every period. A tick that overruns its period delays the next one
// rather than queueing several. `stop` is polled at least every 20 ms.
CycleSummary RunCycle(const std::function<std::optional<StepResult>()>& tick,
                      const CycleLimits& limits, const std::atomic<bool>& stop);

}  // namespace tagforge
