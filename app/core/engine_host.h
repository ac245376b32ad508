#pragma once

#include <cstdint>
#include <string>

#include "app/core/reader_library.h"
#include "app/core/status_box.h"

// What the write and read engine needs from its surroundings: a clock, a beeper and the
// window (or the command-line tool) it reports to. Tests replace each of them.
namespace tagforge {

// Milliseconds of a monotonic clock (the tick count the absence rule measures with).
class Clock {
  public:
    virtual ~Clock() = default;
    virtual int64_t NowMs() = 0;
};

class SteadyClock final : public Clock {
  public:
    int64_t NowMs() override;
};

// The success beep. Called only with a duration above 0.
class Beeper {
  public:
    virtual ~Beeper() = default;
    virtual void Beep(int frequencyHz, int durationMs) = 0;
};

class SilentBeeper final : public Beeper {
  public:
    void Beep(int, int) override {}
};

// The fields and boxes the engine changes.
class EngineView {
  public:
    virtual ~EngineView() = default;
    // A modal message (connection problems); returns when the user has confirmed it.
    virtual void ShowMessageBox(const std::string& text) = 0;
    virtual void SetWaitCursor(bool waiting) = 0;
    virtual void SetTitle(const std::string& title) = 0;
    // The write field after a successful write (leading zeros removed, upper case, increment).
    virtual void ShowWriteText(const std::string& text) = 0;
    // The read field of the current format.
    virtual void ShowReadText(const std::string& text) = 0;
};

// Everything of the host that an engine is wired to.
struct EngineHost {
    ReaderLibrary& library;
    EngineView& view;
    StatusView& statusView;
    Beeper& beeper;
    Clock& clock;
};

}  // namespace tagforge
