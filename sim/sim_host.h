#pragma once
// What the program vesmor-sim takes from the system it runs on: the serial line its reader sits
// behind (a pseudo-terminal on POSIX, sim/posix/sim_host.cpp; a COM port on Windows,
// sim/win32/sim_host.cpp), the record file of the conveyor and the request to stop.

#include <memory>
#include <string>

#include "sim/reader_engine.h"
#include "sim/tag_field.h"

namespace vesmor::sim {

struct SerialCli {
    std::string port;      // a COM port to serve (Windows)
    std::string linkPath;  // a symlink to the pseudo-terminal (POSIX)
    int lineBaud = 0;      // emulated line speed; on Windows also the port's speed
    bool dongle = false;   // a Bluetooth dongle with the reader in range
};

// The simulated reader on the system's serial line.
class SerialReader {
  public:
    virtual ~SerialReader() = default;
    // What a library user opens: printed on the program's first line.
    virtual const std::string& Name() const = 0;
    virtual TagField& Field() = 0;
    virtual void SetFaults(const Faults& faults) = 0;
    // Tells the system's port list that the reader is there (once its transponders lie in the
    // field), where the system has such a list for simulators.
    virtual void Announce() {}
};

// Throws std::runtime_error with what the user is to be told (an option this system cannot
// serve, a port that cannot be opened).
std::unique_ptr<SerialReader> OpenSerialReader(const ReaderConfig& config, const SerialCli& cli);

// A file lines are appended to, each with one write so that lines never mix; never opened
// through a link.
class RecordFile {
  public:
    RecordFile() = default;
    ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;
    // false with the reason in `error`.
    bool Open(const std::string& path, std::string& error);
    bool IsOpen() const { return native_ != -1; }
    void Append(const std::string& line);

  private:
    intptr_t native_ = -1;
};

// The stop request: SIGINT and SIGTERM (POSIX), Ctrl+C, Ctrl+Break and closing the console
// (Windows). Install before the first line is printed; WaitForStop returns once asked.
void InstallStopRequest();
void WaitForStop();

}  // namespace vesmor::sim
