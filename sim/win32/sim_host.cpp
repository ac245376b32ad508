// vesmor-sim on Windows: the reader on a COM port (--port), such as one end of a virtual port
// pair; the record file opened without following a reparse point; Ctrl+C, Ctrl+Break and
// closing the console stop it (SetConsoleCtrlHandler).

#include "sim/sim_host.h"

#include <windows.h>

#include <cstdio>
#include <stdexcept>

#include "sim/win32/com_link.h"
#include "sim/win32/system_error.h"

namespace vesmor::sim {

namespace {

// Made before the handler is installed, never closed: the handler may run until the process ends.
HANDLE g_stop = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
    SetEvent(g_stop);
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        // The system ends the process when this returns: the main thread is given the time to
        // stop the reader and return first, which ends the process.
        Sleep(INFINITE);
    }
    return TRUE;
}

class PortReader final : public SerialReader {
  public:
    PortReader(const ReaderConfig& config, const ComLink::Options& options)
        : link_(config, options) {}
    const std::string& Name() const override { return link_.Name(); }
    TagField& Field() override { return link_.Field(); }
    void SetFaults(const Faults& faults) override { link_.SetFaults(faults); }

  private:
    ComLink link_;
};

}  // namespace

std::unique_ptr<SerialReader> OpenSerialReader(const ReaderConfig& config, const SerialCli& cli) {
    if (!cli.linkPath.empty()) {
        throw std::runtime_error("--link makes a link to a pseudo-terminal, which Windows has "
                                 "not; --port COMn names the port to serve");
    }
    if (cli.port.empty()) {
        throw std::runtime_error("Windows has no pseudo-terminals: --port COMn names the COM "
                                 "port to serve (one end of a virtual port pair), or --lan "
                                 "ADDRESS makes a LAN reader");
    }
    ComLink::Options options;
    options.port = cli.port;
    options.dongle = cli.dongle;
    // --baud sets the port's speed; the answers then leave at the pace of a line of that
    // speed, as behind a pseudo-terminal.
    if (cli.lineBaud > 0) {
        options.baud = cli.lineBaud;
        options.lineBaud = cli.lineBaud;
    }
    return std::make_unique<PortReader>(config, options);
}

RecordFile::~RecordFile() {
    if (IsOpen()) {
        CloseHandle(reinterpret_cast<HANDLE>(native_));
    }
}

bool RecordFile::Open(const std::string& path, std::string& error) {
    // Opened as the entry itself: a reparse point (a link someone put there) is refused.
    const HANDLE file =
        CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = SystemErrorText(GetLastError());
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        CloseHandle(file);
        error = "a link, not a file";
        return false;
    }
    native_ = reinterpret_cast<intptr_t>(file);
    return true;
}

void RecordFile::Append(const std::string& line) {
    DWORD written = 0;
    if (!WriteFile(reinterpret_cast<HANDLE>(native_), line.data(), static_cast<DWORD>(line.size()),
                   &written, nullptr)) {
        std::fprintf(stderr, "--conveyor-record: %s\n", SystemErrorText(GetLastError()).c_str());
    }
}

void InstallStopRequest() {
    g_stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void WaitForStop() {
    WaitForSingleObject(g_stop, INFINITE);
}

}  // namespace vesmor::sim
