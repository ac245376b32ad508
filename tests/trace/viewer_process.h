#pragma once
// vesmor-trace run as a child process on the test's trace channel, its output in files.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/tools/run_program.h"

namespace vesmor::test {

class ViewerProcess {
  public:
    // Starts the viewer and waits until it listens; Running() tells whether that worked.
    explicit ViewerProcess(const std::vector<std::string>& args) {
        const int outFd = ::mkstemp(outPath_);
        const int errFd = ::mkstemp(errPath_);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, outFd, 1);
        posix_spawn_file_actions_adddup2(&actions, errFd, 2);
        std::vector<char*> argv{const_cast<char*>(VESMOR_TRACE_VIEWER)};
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        if (::posix_spawn(&pid_, VESMOR_TRACE_VIEWER, &actions, nullptr, argv.data(), environ) !=
            0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(outFd);
        ::close(errFd);
        running_ = pid_ > 0 && WaitFor(errPath_, "listening on");
    }
    ~ViewerProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::unlink(outPath_);
        ::unlink(errPath_);
    }
    ViewerProcess(const ViewerProcess&) = delete;
    ViewerProcess& operator=(const ViewerProcess&) = delete;

    bool Running() const { return running_; }
    std::string Output() const { return ReadFileText(outPath_); }
    std::string Errors() const { return ReadFileText(errPath_); }
    // Waits until the output holds the text (texts reach the viewer a moment after the
    // tracing program has ended).
    bool WaitForOutput(const std::string& text) const { return WaitFor(outPath_, text); }

    // Ctrl-C; returns the exit code (-1 when the viewer did not end within 5 s or by a signal).
    int Interrupt() {
        ::kill(pid_, SIGINT);
        int status = 0;
        for (int i = 0; i < 500; ++i) {
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }

  private:
    static bool WaitFor(const char* path, const std::string& text) {
        for (int i = 0; i < 500; ++i) {
            if (ReadFileText(path).find(text) != std::string::npos) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    char outPath_[32] = "/tmp/vesmor-trace-out-XXXXXX";
    char errPath_[32] = "/tmp/vesmor-trace-err-XXXXXX";
    pid_t pid_ = -1;
    bool running_ = false;
};

}  // namespace vesmor::test
