#pragma once
// The console the tool writes to: UTF-8 text with line feeds on every system.

#include <memory>

namespace vesmor::cli {

// On Windows: the console shows UTF-8, and standard output and error pass "\n" through
// unchanged (no "\r\n"), so the output is the same bytes as on Linux. Elsewhere nothing.
void PrepareConsole();

// While it lives, Ctrl-C, and on POSIX SIGTERM and SIGHUP as `timeout`, systemd and a closed
// ssh session send them, call `handler` instead of ending the program: a cycle ends after its
// current step, the transponder in hand is finished and logged, and the summary is printed.
class InterruptScope {
  public:
    explicit InterruptScope(void (*handler)(int));
    ~InterruptScope();
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;

  private:
    struct Saved;
    std::unique_ptr<Saved> saved_;
};

}  // namespace vesmor::cli
