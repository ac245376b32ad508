// vesmor readback: reads the blocks of the transponder in the field and prints them in one of
// the window's formats, once or for every new transponder of a cycle.

#include <iostream>
#include <memory>

#include "tools/vesmor/commands.h"
#include "tools/vesmor/engine_console.h"

namespace vesmor::cli {

namespace {

struct ReadbackOptions {
    EngineRun run;
    tagforge::WriteJob job;
    std::string readLog;
};

int RunReadback(ReadbackOptions& options) {
    if (!CheckJobOptions(options.job, false) || !CheckLogOption(options.readLog)) {
        return kExitUsage;
    }
    options.run.write = false;
    options.run.configure = [job = options.job,
                             log = options.readLog](tagforge::CycleEngine& engine) {
        engine.Job() = job;
        engine.Logs().readEnabled = !log.empty();
        engine.Logs().readFile = log;
    };
    // The values go to stdout, one line per transponder read; the status lines to stderr, so
    // that the values can be piped on their own.
    options.run.statusOut = &std::cerr;
    options.run.afterStep = [](tagforge::StepResult result, const tagforge::CycleEngine& engine) {
        if (result == tagforge::StepResult::kDone) {
            std::cout << engine.LastReadValue() << std::endl;
        }
    };
    return RunEngine(options.run);
}

}  // namespace

void AddReadbackCommand(CLI::App& app, int& exitCode) {
    CLI::App* command = app.add_subcommand(
        "readback", "read the blocks of the transponder in the field in a value format");
    auto options = std::make_shared<ReadbackOptions>();
    AddEngineOptions(*command, options->run, options->job);
    command->add_option("--read-log", options->readLog, "append each read to this log file");
    command->callback([options, &exitCode] { exitCode = RunReadback(*options); });
}

}  // namespace vesmor::cli
