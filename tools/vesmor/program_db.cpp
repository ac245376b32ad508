#include "tools/vesmor/program_db.h"

#include <iostream>

#include "app/core/cycle_engine.h"
#include "app/db/db_number_source.h"
#include "tools/common/printable_text.h"
#include "tools/vesmor/db_options.h"
#include "tools/vesmor/tool_text.h"

namespace vesmor::cli {

struct ProgramDbOptions {
    tagforge::db::DbSourceOptions db;
};

std::shared_ptr<ProgramDbOptions> AddProgramDbOptions(CLI::App& command) {
    auto options = std::make_shared<ProgramDbOptions>();
    AddDbOption(command, options->db.conninfo);
    command.add_option("--db-job", options->db.job,
                       "take the values from this database job (shared by every station)");
    command.add_option("--station", options->db.station,
                       "this station's name in the database (default: the host name)");
    return options;
}

std::optional<int> RunProgramWithDb(const CLI::App& command, const ProgramDbOptions& options,
                                    EngineRun run, const std::string& writeLog) {
    if (command.count("--db-job") == 0) {
        if (command.count("--db") > 0 || command.count("--station") > 0) {
            std::cerr << Tr(QT_TRANSLATE_NOOP("vesmor",
                                              "--db und --station gelten nur mit --db-job"))
                      << "\n";
            return kExitUsage;
        }
        return std::nullopt;
    }
    for (const char* own : {"--value", "--job", "--format", "--start", "--bytes", "--increment",
                            "--zeros", "--affix"}) {
        if (command.count(own) > 0) {
            std::cerr << own << ": "
                      << Tr(QT_TRANSLATE_NOOP("vesmor", "kommt mit --db-job aus dem Job")) << "\n";
            return kExitUsage;
        }
    }
    if (const std::optional<std::string> refused =
            tagforge::db::RefuseConninfo(options.db.conninfo)) {
        std::cerr << "--db: " << *refused << "\n";
        return kExitUsage;
    }
    std::string problem;
    std::shared_ptr<tagforge::db::DbNumberSource> source =
        tagforge::db::DbNumberSource::Open(options.db, problem);
    if (!source) {
        std::cerr << tools::Printable(problem) << "\n";
        return kExitFailed;
    }
    std::cout << tools::Printable(source->Describe()) << std::endl;
    run.write = true;
    run.configure = [source, log = writeLog](tagforge::CycleEngine& engine) {
        engine.Job() = tagforge::db::AsWriteJob(source->Allocator().Job(),
                                                source->Allocator().Held().value_or(0));
        engine.SetNumberSource(source.get());
        engine.Logs().writeEnabled = !log.empty();
        engine.Logs().writeFile = log;
    };
    return RunEngine(run);
}

}  // namespace vesmor::cli
