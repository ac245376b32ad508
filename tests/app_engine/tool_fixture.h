#pragma once
// "vesmor program" and "vesmor readback" run as child processes against a simulated programmer,
// with a temporary directory of their own for logs and data files.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/app_engine/engine_fixture.h"
#include "tests/tools/run_program.h"

namespace tagforge::test {

using ToolRun = vesmor::test::ProgramResult;

inline ToolRun RunTool(const std::vector<std::string>& args) {
    return vesmor::test::RunProgram(VESMOR_TOOL, args);
}

// The tool run by timeout(1), which sends it Ctrl-C's signal after `seconds` and passes its
// exit code on.
inline ToolRun RunToolInterrupted(const std::vector<std::string>& args, const char* seconds) {
    std::vector<std::string> wrapped{"--preserve-status", "-s", "INT", seconds, VESMOR_TOOL};
    wrapped.insert(wrapped.end(), args.begin(), args.end());
    return vesmor::test::RunProgram("/usr/bin/timeout", wrapped);
}

class ToolTest : public ::testing::Test {
  protected:
    ToolTest() : link(Programmer()) {}

    // The command with the simulated reader's port, then the other arguments.
    std::vector<std::string> Args(const std::string& command,
                                  std::initializer_list<std::string> rest) const {
        std::vector<std::string> args{command, "-p", Port()};
        args.insert(args.end(), rest);
        return args;
    }
    std::string Port() const { return link.Path() + ":1"; }
    std::string File(const std::string& name) const { return (dir / name).string(); }
    std::string Title() const { return "VESMOR Tagforge V" + ProductVersion() + " <"; }

    vesmor::sim::PtyLink link;
    TempDir scratch;
    std::filesystem::path dir = scratch.Path();
};

}  // namespace tagforge::test
