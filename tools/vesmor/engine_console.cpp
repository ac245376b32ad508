#include "tools/vesmor/engine_console.h"

#include <atomic>
#include <csignal>
#include <iostream>

#include "app/core/engine_stack.h"
#include "app/core/input_check.h"
#include "app/core/messages.h"
#include "vesmor.h"

namespace vesmor::cli {

namespace {

std::atomic<bool> g_interrupted{false};

void OnInterrupt(int) {
    g_interrupted = true;
}

// Ctrl-C ends a cycle after its current step instead of killing the program mid-write.
class InterruptScope {
  public:
    InterruptScope() {
        g_interrupted = false;
        m_previous = std::signal(SIGINT, OnInterrupt);
    }
    ~InterruptScope() { std::signal(SIGINT, m_previous); }
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;

  private:
    void (*m_previous)(int) = SIG_DFL;
};

// Lines without the box's CR.
std::string TerminalLine(std::string text) {
    std::erase(text, '\r');
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

class ConsoleView final : public tagforge::EngineView, public tagforge::StatusView {
  public:
    explicit ConsoleView(std::ostream& status) : m_status(status) {}

    void ShowMessageBox(const std::string& text) override {
        std::cerr << TerminalLine(text) << "\n";
    }
    void SetWaitCursor(bool) override {}
    void SetTitle(const std::string&) override {}
    void ShowWriteText(const std::string&) override {}
    void ShowReadText(const std::string&) override {}
    void ClearLines() override {}
    void AppendLine(const std::string& line) override {
        m_status << TerminalLine(line) << std::endl;
    }

  private:
    std::ostream& m_status;
};

int RunOnce(const EngineRun& run, tagforge::EngineStack& stack, std::ostream& status) {
    tagforge::CycleEngine& engine = stack.engine;
    const tagforge::StepResult result = run.write ? engine.WriteOnce() : engine.ReadOnce();
    if (result == tagforge::StepResult::kNoTransponder) {
        // The window shows nothing for an empty field; a single run from a script should say why
        // it failed.
        status << tagforge::ErrorCodeMessage(VESMOR_ERR_NO_TRANSPONDER) << std::endl;
    }
    if (run.afterStep) {
        run.afterStep(result, engine);
    }
    return result == tagforge::StepResult::kDone ? kExitOk : kExitFailed;
}

int RunCycle(const EngineRun& run, tagforge::EngineStack& stack) {
    tagforge::CycleEngine& engine = stack.engine;
    run.write ? engine.StartWriteCycle() : engine.StartReadCycle();
    const InterruptScope interrupt;
    const auto tick = [&]() {
        const std::optional<tagforge::StepResult> result =
            run.write ? engine.WriteTick() : engine.ReadTick();
        if (result && run.afterStep) {
            run.afterStep(*result, engine);
        }
        return result;
    };
    const tagforge::CycleSummary summary =
        tagforge::RunCycle(tick, run.cycle.limits, g_interrupted);
    if (summary.stopped) {
        return summary.failurePending ? kExitFailed : kExitOk;
    }
    return kExitOk;
}

}  // namespace

void AddEngineOptions(CLI::App& command, EngineRun& run, tagforge::WriteJob& job) {
    AddConnectionOptions(command, run.connection);
    command.add_option("--format", job.Datenformat,
                       "0 hex binary, 1 hex ASCII, 2 decimal binary, 3 decimal ASCII, "
                       "4 data binary, 5 data ASCII");
    command.add_option("--start", job.Startblock, "first block");
    command.add_option("--bytes", job.Byteanzahl, "number of bytes");
    CLI::Option* cycle = command.add_flag("--cycle", run.cycle.cycle,
                                          "repeat on every period, each transponder once");
    command.add_option("--count", run.cycle.limits.count, "stop after this many transponders")
        ->check(CLI::PositiveNumber)
        ->needs(cycle);
    command.add_option("--period", run.cycle.limits.periodMs, "cycle period in ms")
        ->check(CLI::Range(1, 3600000))
        ->needs(cycle);
}

bool CheckJobOptions(const tagforge::WriteJob& job, bool checkWriteText) {
    const tagforge::CheckResult check = tagforge::CheckJob(job, checkWriteText);
    if (!check.Ok()) {
        std::cerr << check.Text() << "\n";
    }
    return check.Ok();
}

int RunEngine(const EngineRun& run) {
    std::ostream& status = run.statusOut ? *run.statusOut : std::cout;
    ConsoleView view(status);
    tagforge::SteadyClock clock;
    tagforge::SilentBeeper beeper;
    tagforge::EngineStack stack({tagforge::VesmorLibrary(), view, view, beeper, clock},
                                "VESMOR Tagforge");
    const ConnectionOptions& c = run.connection;
    if (!stack.connection.Connect({c.port, c.baud, c.timeoutMs})) {
        return kExitFailed;
    }
    status << stack.connection.Title() << std::endl;
    if (run.configure) {
        run.configure(stack.engine);
    }
    const int exitCode = run.cycle.cycle ? RunCycle(run, stack) : RunOnce(run, stack, status);
    stack.connection.Close();
    return exitCode;
}

}  // namespace vesmor::cli
