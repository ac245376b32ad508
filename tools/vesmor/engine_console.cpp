#include "tools/vesmor/engine_console.h"

#include <atomic>
#include <csignal>
#include <iostream>
#include <iterator>
#include <set>

#include "app/core/engine_stack.h"
#include "common/input_check.h"
#include "common/messages.h"
#include "tools/common/printable_text.h"
#include "tools/vesmor/console.h"
#include "vesmor.h"

namespace vesmor::cli {

namespace {

std::atomic<bool> g_interrupted{false};
// Ends a cycle after its current step: Ctrl-C, or a step after which the cycle must not go on.
std::atomic<bool> g_stop{false};

void OnInterrupt(int) {
    g_interrupted = true;
    g_stop = true;
}

// Signals caught for one run, which starts with none seen.
struct NoInterruptYet {
    NoInterruptYet() {
        g_interrupted = false;
        g_stop = false;
    }
};
struct RunInterrupts : NoInterruptYet {
    InterruptScope scope{OnInterrupt};
};

// Lines without the box's CR. Values read from transponders end up in these texts: control
// characters are printed as escapes, and so are line breaks within one line.
std::string TerminalLine(std::string text, tools::LineEnds lineEnds = tools::LineEnds::kEscape) {
    std::erase(text, '\r');
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return tools::Printable(text, lineEnds);
}

class ConsoleView final : public tagforge::EngineView, public tagforge::StatusView {
  public:
    explicit ConsoleView(std::ostream& status) : m_status(status) {}

    void ShowMessageBox(const std::string& text) override {
        std::cerr << TerminalLine(text, tools::LineEnds::kKeep) << "\n";
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

// Prints a log entry that could not be stored, whole, so that the operator can recover it.
// True when there was one.
bool ReportLostLogEntry(tagforge::CycleEngine& engine) {
    const std::optional<tagforge::LostLogEntry> lost = engine.TakeLostLogEntry();
    if (!lost) {
        return false;
    }
    std::cerr << tagforge::MessageWithArgs(
                     tagforge::kMsgLogEntryLost,
                     {lost->file, lost->failure.reason,
                      TerminalLine(lost->failure.line, tools::LineEnds::kKeep)})
              << std::endl;
    return true;
}

int RunOnce(const EngineRun& run, tagforge::EngineStack& stack, std::ostream& status) {
    tagforge::CycleEngine& engine = stack.engine;
    // A signal waits until the one transponder is written whole and logged.
    const RunInterrupts interrupt;
    const tagforge::StepResult result = run.write ? engine.WriteOnce() : engine.ReadOnce();
    if (result == tagforge::StepResult::kNoTransponder) {
        // The window shows nothing for an empty field; a single run from a script should say why
        // it failed.
        status << tagforge::ErrorCodeMessage(VESMOR_ERR_NO_TRANSPONDER) << std::endl;
    }
    if (run.afterStep) {
        run.afterStep(result, engine);
    }
    const bool logLost = ReportLostLogEntry(engine);
    return result == tagforge::StepResult::kDone && !logLost ? kExitOk : kExitFailed;
}

// The failures of a cycle, for its summary and exit code: each transponder whose write failed
// after its first block was sent and that was not written whole by a later step (it left the
// field half-written) counts once, however often it was tried; any other failed step (no single
// transponder, a reader that does not answer, no tag information) counts as a step.
class FailedTransponders {
  public:
    void Note(tagforge::StepResult result, const std::optional<tagforge::Uid>& uid) {
        if (result == tagforge::StepResult::kDone && uid) {
            m_uids.erase(*uid);
        } else if (result == tagforge::StepResult::kFailed ||
                   result == tagforge::StepResult::kReaderLost ||
                   result == tagforge::StepResult::kSourceLost) {
            uid ? static_cast<void>(m_uids.insert(*uid)) : static_cast<void>(++m_otherSteps);
        }
    }
    size_t Transponders() const { return m_uids.size(); }
    int Count() const { return static_cast<int>(m_uids.size()) + m_otherSteps; }

  private:
    std::set<tagforge::Uid> m_uids;
    int m_otherSteps = 0;
};

// Why a cycle ended before its --count and without Ctrl-C.
enum class CycleEnd { kNone, kReaderLost, kLogEntryLost, kValueDoesNotFit, kSourceLost, kUsedUp };

// After a step: whether the cycle must end. A lost reader cannot come back on this handle, a log
// that refuses entries would leave every further transponder unrecorded, and a write text that
// no longer fits its bytes (after an increment) will not fit on the next transponder either.
CycleEnd EndAfter(tagforge::StepResult result, bool write, tagforge::CycleEngine& engine) {
    if (ReportLostLogEntry(engine)) {
        return CycleEnd::kLogEntryLost;
    }
    if (result == tagforge::StepResult::kReaderLost) {
        return CycleEnd::kReaderLost;
    }
    if (result == tagforge::StepResult::kSourceLost) {
        return CycleEnd::kSourceLost;
    }
    if (engine.Source() != nullptr && engine.Source()->Exhausted()) {
        return CycleEnd::kUsedUp;
    }
    if (result == tagforge::StepResult::kFailed && write &&
        !tagforge::CheckJob(engine.Job(), true).Ok()) {
        return CycleEnd::kValueDoesNotFit;
    }
    return CycleEnd::kNone;
}

void PrintCycleEnd(const EngineRun& run, CycleEnd end, int done, int failed,
                   const tagforge::CycleEngine& engine) {
    const tagforge::WriteJob& job = engine.Job();
    if (end == CycleEnd::kReaderLost) {
        std::cerr << tagforge::MessageWithArgs(tagforge::kMsgCycleReaderLost, {run.connection.port})
                  << "\n";
    } else if (end == CycleEnd::kSourceLost || end == CycleEnd::kUsedUp) {
        std::cerr << TerminalLine(engine.Source()->Problem()) << "\n";
    } else if (end == CycleEnd::kValueDoesNotFit) {
        std::cerr << tagforge::MessageWithArgs(tagforge::kMsgValueDoesNotFit,
                                               {job.LastData, std::to_string(job.Byteanzahl)})
                  << "\n";
    }
    const std::string& last = run.write ? engine.LastWrittenValue() : engine.LastReadValue();
    std::cerr << tagforge::MessageWithArgs(
                     run.write ? tagforge::kMsgWriteCycleSummary : tagforge::kMsgReadCycleSummary,
                     {std::to_string(done), std::to_string(failed), TerminalLine(last)})
              << std::endl;
}

int RunCycle(const EngineRun& run, tagforge::EngineStack& stack) {
    tagforge::CycleEngine& engine = stack.engine;
    run.write ? engine.StartWriteCycle() : engine.StartReadCycle();
    const RunInterrupts interrupt;
    CycleEnd end = CycleEnd::kNone;
    FailedTransponders failed;
    const auto tick = [&]() {
        const std::optional<tagforge::StepResult> result =
            run.write ? engine.WriteTick() : engine.ReadTick();
        if (!result) {
            return result;
        }
        if (run.afterStep) {
            run.afterStep(*result, engine);
        }
        failed.Note(*result, engine.WrittenUid());
        end = EndAfter(*result, run.write, engine);
        if (end != CycleEnd::kNone) {
            g_stop = true;
        }
        return result;
    };
    const tagforge::CycleSummary summary = tagforge::RunCycle(tick, run.cycle.limits, g_stop);
    if (end == CycleEnd::kNone && !summary.stopped && failed.Count() == 0) {
        return kExitOk;  // --count transponders handled, none failed
    }
    PrintCycleEnd(run, end, summary.done, failed.Count(), engine);
    if (end == CycleEnd::kUsedUp) {
        return failed.Transponders() > 0 ? kExitFailed : kExitOk;  // the job ended as planned
    }
    if (end != CycleEnd::kNone || failed.Transponders() > 0) {
        return kExitFailed;
    }
    return summary.failurePending ? kExitFailed : kExitOk;
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

namespace {

// The option whose value the first failing check of CheckJob refused (the same order).
const char* RefusedOption(const tagforge::WriteJob& job) {
    if (job.Datenformat < 0 || job.Datenformat >= tagforge::kFormatCount) {
        return "--format";
    }
    if (!tagforge::CheckUnsignedField(job.Startblock, 0, tagforge::kMaxStartblock).Ok()) {
        return "--start";
    }
    return tagforge::CheckJob(job, false).Ok() ? "--value" : "--bytes";
}

}  // namespace

bool CheckJobOptions(const tagforge::WriteJob& job, bool checkWriteText) {
    const tagforge::CheckResult check = tagforge::CheckJob(job, checkWriteText);
    if (!check.Ok()) {
        std::cerr << RefusedOption(job) << ": " << check.Text() << "\n";
    }
    return check.Ok();
}

bool CheckLogOption(const std::string& path) {
    const std::optional<std::string> problem = tagforge::LogPathProblem(path);
    if (problem) {
        std::cerr << *problem << "\n";
    }
    return !problem;
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
        if (stack.connection.Handle() < 0) {
            ExplainOpenFailure(c, stack.connection.Handle());
        }
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
