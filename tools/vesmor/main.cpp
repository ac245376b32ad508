// vesmor: command-line access to VESMOR readers and the transponders in their field.

#include <CLI/CLI.hpp>

#include "tools/vesmor/commands.h"
#include "tools/vesmor/common.h"

int main(int argc, char** argv) {
    CLI::App app{"VESMOR Tagforge command-line tool"};
    app.require_subcommand(1);
    int exitCode = vesmor::cli::kExitOk;
    vesmor::cli::AddTraceOption(app);
    vesmor::cli::AddPortsCommand(app, exitCode);
    vesmor::cli::AddInfoCommand(app, exitCode);
    vesmor::cli::AddTransponderCommands(app, exitCode);
    vesmor::cli::AddDumpCommand(app, exitCode);
    vesmor::cli::AddProgramCommand(app, exitCode);
    vesmor::cli::AddReadbackCommand(app, exitCode);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? vesmor::cli::kExitOk : vesmor::cli::kExitUsage;
    }
    return exitCode;
}
