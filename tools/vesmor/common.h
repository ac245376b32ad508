#pragma once
// Shared pieces of the command-line tool: connection options, opening a reader, and reporting
// a library error the way the window does.

#include <CLI/CLI.hpp>
#include <cstdint>
#include <string>

namespace vesmor::cli {

// Exit codes of every command.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct ConnectionOptions {
    std::string port;
    int32_t baud = 19200;
    int32_t timeoutMs = 500;
};

// Checks a block number option: 0..65535 (16-bit block numbers), said in one short line.
CLI::Validator BlockNumber();

// Adds -p/--port, -b/--baud and -t/--timeout to a command.
void AddConnectionOptions(CLI::App& command, ConnectionOptions& options);

// An open reader; closed when it goes out of scope.
class Reader {
  public:
    Reader() = default;
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // Opens and identifies the reader; on failure prints the error and returns false.
    bool Open(const ConnectionOptions& options);
    int32_t Handle() const { return handle_; }

  private:
    int32_t handle_ = 0;
};

// After a failed VESMOR_OpenPort (its negative result): why, as far as the system tells (no
// such device, no access and how to get it, in use), or that no reader answered.
void ExplainOpenFailure(const ConnectionOptions& options, int32_t result);

// Prints "<what>: Fehler <code>: <message>" for the port's last error and returns kExitFailed.
int ReportLibraryError(int32_t handle, const std::string& what);

// Adds --trace, which sends every frame of the command to the trace viewer vesmor-trace; the
// environment variable VESMOR_TRACE (any value but empty or "0") does the same. Call before
// the commands are added, so that --trace may also follow the command.
void AddTraceOption(CLI::App& app);

}  // namespace vesmor::cli
