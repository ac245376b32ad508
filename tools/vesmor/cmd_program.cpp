// vesmor program: writes a value into the transponder in the field, once or to every new
// transponder of a cycle, with the window's formats, increment and write log.

#include <sys/stat.h>

#include <iostream>
#include <memory>
#include <optional>

#include "app/core/data_file.h"
#include "app/core/increment.h"
#include "app/core/log_file.h"
#include "app/db/db_number_source.h"
#include "tools/vesmor/commands.h"
#include "tools/vesmor/db_options.h"
#include "tools/vesmor/engine_console.h"
#include "tools/vesmor/format_options.h"
#include "tools/vesmor/tool_text.h"

namespace vesmor::cli {

namespace {

struct ProgramOptions {
    EngineRun run;
    tagforge::WriteJob job;
    std::string jobFile;
    std::string writeLog;
    tagforge::db::DbSourceOptions db;
};

// With --db-job the job's values, format and blocks come from the database.
int RunDbProgram(const CLI::App& command, ProgramOptions& options) {
    for (const char* own : {"--value", "--job", "--format", "--start", "--bytes", "--increment",
                            "--zeros", "--affix"}) {
        if (command.count(own) > 0) {
            std::cerr << own << ": "
                      << Tr(QT_TRANSLATE_NOOP("vesmor", "kommt mit --db-job aus dem Job")) << "\n";
            return kExitUsage;
        }
    }
    if (const std::optional<std::string> refused = tagforge::db::RefuseConninfo(options.db.conninfo)) {
        std::cerr << "--db: " << *refused << "\n";
        return kExitUsage;
    }
    std::string problem;
    std::shared_ptr<tagforge::db::DbNumberSource> source =
        tagforge::db::DbNumberSource::Open(options.db, problem);
    if (!source) {
        std::cerr << PrintableText(problem) << "\n";
        return kExitFailed;
    }
    std::cout << PrintableText(source->Describe()) << std::endl;
    options.run.write = true;
    options.run.configure = [source, log = options.writeLog](tagforge::CycleEngine& engine) {
        engine.Job() = tagforge::db::AsWriteJob(source->Allocator().Job(),
                                                source->Allocator().Held().value_or(0));
        engine.SetNumberSource(source.get());
        engine.Logs().writeEnabled = !log.empty();
        engine.Logs().writeFile = log;
    };
    return RunEngine(options.run);
}

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
    if (command.count("--db-job") > 0) {
        return RunDbProgram(command, options);
    }
    if (command.count("--db") > 0 || command.count("--station") > 0) {
        std::cerr << Tr(QT_TRANSLATE_NOOP("vesmor", "--db und --station gelten nur mit --db-job"))
                  << "\n";
        return kExitUsage;
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
    AddDbOption(*command, options->db.conninfo);
    command->add_option("--db-job", options->db.job,
                        "take the values from this database job (shared by every station)");
    command->add_option("--station", options->db.station,
                        "this station's name in the database (default: the host name)");
    command->callback([command, options, &exitCode] { exitCode = RunProgram(*command, *options); });
}

}  // namespace vesmor::cli
