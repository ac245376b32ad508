#pragma once
// The write/read engine of the window on a terminal: status lines and message boxes become
// printed lines, the cycle runs on a real-time loop that Ctrl-C stops.

#include <CLI/CLI.hpp>
#include <functional>
#include <iosfwd>

#include "app/core/cycle_engine.h"
#include "app/core/cycle_runner.h"
#include "common/write_job.h"
#include "tools/vesmor/common.h"

namespace vesmor::cli {

struct CycleOptions {
    bool cycle = false;
    tagforge::CycleLimits limits;
};

// Checks the job as the window does when it takes over its controls; prints the refusal and
// returns false when a check fails.
bool CheckJobOptions(const tagforge::WriteJob& job, bool checkWriteText);

// Refuses (printing why) a log path that names a directory, a FIFO or a device, before any
// transponder is touched.
bool CheckLogOption(const std::string& path);

struct EngineRun {
    ConnectionOptions connection;
    CycleOptions cycle;
    bool write = true;  // write steps, else read steps
    // Sets the job and the log targets of the engine before the first step.
    std::function<void(tagforge::CycleEngine&)> configure;
    // Called after every step that ran.
    std::function<void(tagforge::StepResult, const tagforge::CycleEngine&)> afterStep;
    std::ostream* statusOut = nullptr;  // status lines (stdout when null)
};

// Adds the connection options, --format, --start and --bytes, and --cycle, --count and
// --period (the last two only with --cycle).
void AddEngineOptions(CLI::App& command, EngineRun& run, tagforge::WriteJob& job);

// Connects and runs one step or the cycle. Exit code: kExitOk when every step asked for
// succeeded (in a cycle: --count transponders handled, or stopped by Ctrl-C, SIGTERM or SIGHUP,
// with no transponder left failed), kExitFailed otherwise; a cycle that ends with a failed
// transponder prints its summary line, which counts it.
int RunEngine(const EngineRun& run);

}  // namespace vesmor::cli
