#pragma once

#include <string>

#include "app/core/cycle_engine.h"
#include "app/core/engine_host.h"
#include "app/core/log_file.h"
#include "app/core/reader_connection.h"
#include "app/core/reader_library.h"
#include "app/core/status_box.h"

// The connection, status box, log writer and engine of one main window (or one run of the
// command-line tool), wired to the host's view, beeper and clock.
namespace tagforge {

class EngineStack {
  public:
    EngineStack(const EngineHost& host, const std::string& baseCaption,
                LocalClock logClock = SystemLocalTime)
        : connection(host.library, host.view, baseCaption),
          status(host.statusView),
          log(std::move(logClock)),
          engine({host.library, connection, status, host.view, host.beeper, host.clock, log}) {}
    EngineStack(const EngineStack&) = delete;
    EngineStack& operator=(const EngineStack&) = delete;

    ReaderConnection connection;
    StatusBox status;
    LogWriter log;
    CycleEngine engine;
};

}  // namespace tagforge
