// The Windows build of vesmor has no database jobs (there is no libpq for it): no "vesmor db"
// command and no --db options of "vesmor program".

#include "tools/vesmor/commands.h"
#include "tools/vesmor/program_db.h"

namespace vesmor::cli {

struct ProgramDbOptions {};

std::shared_ptr<ProgramDbOptions> AddProgramDbOptions(CLI::App& /*command*/) {
    return std::make_shared<ProgramDbOptions>();
}

std::optional<int> RunProgramWithDb(const CLI::App& /*command*/, const ProgramDbOptions& /*db*/,
                                    EngineRun /*run*/, const std::string& /*writeLog*/) {
    return std::nullopt;
}

void AddDbCommand(CLI::App& /*app*/, int& /*exitCode*/) {}

}  // namespace vesmor::cli
