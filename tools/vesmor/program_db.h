#pragma once
// vesmor program with a database job (--db, --db-job, --station): the values, format and blocks
// come from a job shared by every station. The Windows build has no database and adds none of
// these options.

#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <string>

#include "tools/vesmor/engine_console.h"

namespace vesmor::cli {

struct ProgramDbOptions;

// Adds --db, --db-job and --station to the program command.
std::shared_ptr<ProgramDbOptions> AddProgramDbOptions(CLI::App& command);

// Runs the command with its database job when --db-job was given, refuses --db or --station
// without it; nullopt when the command line names no database.
std::optional<int> RunProgramWithDb(const CLI::App& command, const ProgramDbOptions& db,
                                    EngineRun run, const std::string& writeLog);

}  // namespace vesmor::cli
