// vesmor: command-line access to VESMOR readers and the transponders in their field.

#include <CLI/CLI.hpp>
#include <iostream>
#include <string_view>

#include "app/core/reader_connection.h"
#include "tools/vesmor/commands.h"
#include "tools/vesmor/console.h"
#include "tools/vesmor/common.h"
#include "tools/vesmor/tool_text.h"

namespace {

// CLI11 would only say that a command is required; a mistyped one should name itself.
bool IsUnknownCommand(const CLI::App& app, std::string_view word) {
    if (word.empty() || word.front() == '-') {
        return false;
    }
    for (const CLI::App* command : app.get_subcommands({})) {
        if (command->get_name() == word) {
            return false;
        }
    }
    return true;
}

void PrintUnknownCommand(const CLI::App& app, std::string_view word) {
    std::cerr << "vesmor: unknown command '" << word << "'; commands:";
    for (const CLI::App* command : app.get_subcommands({})) {
        std::cerr << " " << command->get_name();
    }
    std::cerr << " (vesmor --help)\n";
}

}  // namespace

int main(int argc, char** argv) {
    vesmor::cli::PrepareConsole();
    CLI::App app{"VESMOR Tagforge command-line tool"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "vesmor " + tagforge::ProductVersion());
    int exitCode = vesmor::cli::kExitOk;
    vesmor::cli::AddTraceOption(app);
    vesmor::cli::AddLanguageOption(app);
    vesmor::cli::AddPortsCommand(app, exitCode);
    vesmor::cli::AddInfoCommand(app, exitCode);
    vesmor::cli::AddTransponderCommands(app, exitCode);
    vesmor::cli::AddDumpCommand(app, exitCode);
    vesmor::cli::AddRestoreCommand(app, exitCode);
    vesmor::cli::AddDiffCommand(app, exitCode);
    vesmor::cli::AddProgramCommand(app, exitCode);
    vesmor::cli::AddReadbackCommand(app, exitCode);
    vesmor::cli::AddLanCommand(app, exitCode);
    vesmor::cli::AddDbCommand(app, exitCode);
    if (argc > 1 && IsUnknownCommand(app, argv[1])) {
        PrintUnknownCommand(app, argv[1]);
        return vesmor::cli::kExitUsage;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? vesmor::cli::kExitOk : vesmor::cli::kExitUsage;
    }
    return exitCode;
}
