#pragma once
// The commands of the command-line tool; each sets exitCode when it has run.

#include <CLI/CLI.hpp>

namespace vesmor::cli {

void AddPortsCommand(CLI::App& app, int& exitCode);
void AddInfoCommand(CLI::App& app, int& exitCode);
void AddTransponderCommands(CLI::App& app, int& exitCode);
void AddDumpCommand(CLI::App& app, int& exitCode);
void AddRestoreCommand(CLI::App& app, int& exitCode);
void AddDiffCommand(CLI::App& app, int& exitCode);
void AddProgramCommand(CLI::App& app, int& exitCode);
void AddReadbackCommand(CLI::App& app, int& exitCode);
void AddLanCommand(CLI::App& app, int& exitCode);
void AddDbCommand(CLI::App& app, int& exitCode);

}  // namespace vesmor::cli
