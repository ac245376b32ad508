#pragma once
// Runs a program with arguments and collects its exit code, standard output and error output.

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace vesmor::test {

struct ProgramResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline std::string ReadFileText(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

inline ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args) {
    char outPath[] = "/tmp/vesmor-test-out-XXXXXX";
    char errPath[] = "/tmp/vesmor-test-err-XXXXXX";
    const int outFd = ::mkstemp(outPath);
    const int errFd = ::mkstemp(errPath);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    posix_spawn_file_actions_adddup2(&actions, errFd, 2);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ProgramResult result;
    pid_t pid;
    if (::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(outFd);
    ::close(errFd);
    result.out = ReadFileText(outPath);
    result.err = ReadFileText(errPath);
    ::unlink(outPath);
    ::unlink(errPath);
    return result;
}

}  // namespace vesmor::test
