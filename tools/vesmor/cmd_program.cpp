// vesmor program: writes a value into the transponder in the field, once or to every new
// transponder of a cycle, with the window's formats, increment and write log.

#include <sys/stat.h>

#include <iostream>
#include <memory>
#include <optional>

#include "app/core/data_file.h"
#include "app/core/increment.h"
#include "app/core/log_file.h"
#include "tools/vesmor/commands.h"
#include "tools/vesmor/engine_console.h"
#include "tools/vesmor/format_options.h"
#include "tools/vesmor/program_db.h"
#include "tools/vesmor/tool_text.h"

namespace vesmor::cli {

namespace {

struct ProgramOptions {
    EngineRun run;
    tagforge::WriteJob job;
    std::string jobFile;
    std::string writeLog;
    std::shared_ptr<ProgramDbOptions> db;
};

// Options given on the command line override what the data file of --job says.
void OverrideFromCommandLine(const CLI::App& command, const tagforge::WriteJob& options,
                             tagforge::WriteJob& job) {
    const auto take = [&command](const char* name, auto& field, const auto& value) {
        if (command.count(name) > 0) {
            field = value;
        }
    };
    take("--value", job.LastData, options.LastData);
    take("--format", job.Datenformat, options.Datenformat);
    take("--start", job.Startblock, options.Startblock);
    take("--bytes", job.Byteanzahl, options.Byteanzahl);
    take("--increment", job.AutoIncrement, true);
    take("--zeros", job.AutoNull, true);
    take("--affix", job.PrefixZulassen, true);
}

int RunProgram(const CLI::App& command, ProgramOptions& options) {
    if (const std::optional<int> code =
            RunProgramWithDb(command, *options.db, options.run, options.writeLog)) {
        return *code;
    }
    tagforge::WriteJob job = options.job;
    tagforge::WriteJob fromJobFile;  // what the data file gave, for the format rule
    if (!options.jobFile.empty()) {
        struct stat st {};
        if (::stat(options.jobFile.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            std::cerr << Tr(QT_TRANSLATE_NOOP("vesmor", "--job: %1: keine Datei"),
                            {options.jobFile})
                      << "\n";
            return kExitUsage;
        }
        // A file another process holds locked past the wait (or one that cannot be opened)
        // must not turn into the default job: the cycle would write an empty value.
        int error = 0;
        const std::optional<tagforge::WriteJob> loaded =
            tagforge::ReadDataFile(options.jobFile, &error);
        if (!loaded) {
            std::cerr << "--job: " << options.jobFile << ": " << tagforge::FileErrorText(error)
                      << "\n";
            return kExitFailed;
        }
        job = *loaded;
        fromJobFile = *loaded;
        OverrideFromCommandLine(command, options.job, job);
    } else if (command.count("--value") == 0) {
        std::cerr << "--value or --job is required\n";
        return kExitUsage;
    }
    if (!ApplyFormatRule(command, options.jobFile, fromJobFile, job) ||
        !CheckJobOptions(job, true) || !CheckLogOption(options.writeLog)) {
        return kExitUsage;
    }
    // --zeros pads the value now, as checking "Führende Nullen" pads the write field, so that
    // the first status line and log entry show what goes onto the transponder.
    if (command.count("--zeros") > 0) {
        if (const std::optional<std::string> padded = tagforge::LeadingZeroToggleText(job)) {
            job.LastData = *padded;
        }
    }
    options.run.write = true;
    options.run.configure = [job, log = options.writeLog](tagforge::CycleEngine& engine) {
        engine.Job() = job;
        engine.Logs().writeEnabled = !log.empty();
        engine.Logs().writeFile = log;
    };
    return RunEngine(options.run);
}

}  // namespace

void AddProgramCommand(CLI::App& app, int& exitCode) {
    CLI::App* command = app.add_subcommand(
        "program", "write a value into the transponder in the field, once or in a cycle");
    auto options = std::make_shared<ProgramOptions>();
    AddEngineOptions(*command, options->run, options->job);
    command->add_option("--value", options->job.LastData, "the value to write (write text)");
    command->add_flag("--increment", options->job.AutoIncrement,
                      "increment the value after each write (Auto increment)");
    command->add_flag("--zeros", options->job.AutoNull, "pad with leading zeros (Führende Nullen)");
    command->add_flag("--affix", options->job.PrefixZulassen,
                      "allow text around the number (Zusatztext zulassen)");
    command->add_option("--write-log", options->writeLog, "append each write to this log file");
    command->add_option("--job", options->jobFile, "take the write job from a .KTDat data file");
    options->db = AddProgramDbOptions(*command);
    command->callback([command, options, &exitCode] { exitCode = RunProgram(*command, *options); });
}

}  // namespace vesmor::cli
