#pragma once

#include <optional>
#include <string>

#include "common/write_job.h"

// Where the write text of the next transponder is kept so that it survives a crash, a `kill -9`
// or a power cut (the profile's `LastData` in the window).
//
// The engine reserves before it writes: it hands over the text that follows the one about to go
// onto the transponder, and writes the blocks only once the store says that text is on disk. A
// crash between the reservation and the write (or a write that fails) leaves a gap in the
// numbers; no crash can leave the stored counter behind a value a transponder already holds, so
// no number is ever given twice.
namespace tagforge {

// Why a reservation could not be stored: the file and the reason (German, as for a log file).
struct CounterFailure {
    std::string file;
    std::string reason;
};

class CounterStore {
  public:
    virtual ~CounterStore() = default;

    // Called before the blocks of every write, single or in a cycle. `writing` is the job with
    // the write text about to be written (`writing.LastData`), `next` the write text of the
    // transponder after it (the incremented one, or the same text without "Auto increment").
    // Returns nothing once `next` is stored durably; a failure means the transponder is not
    // touched.
    virtual std::optional<CounterFailure> Reserve(const WriteJob& writing,
                                                  const std::string& next) = 0;
};

}  // namespace tagforge
