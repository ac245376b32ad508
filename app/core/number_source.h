#pragma once
// Where the write cycle takes the value for the next transponder from. Without a source the
// engine uses the write text and its auto-increment (the local counter); a source hands each
// transponder a value of its own, reserved before the transponder is touched, and records what
// became of it.

#include <array>
#include <cstdint>
#include <string>

#include "common/write_job.h"

namespace tagforge {

using Uid = std::array<uint8_t, 8>;

struct NumberClaim {
    enum class Kind {
        kValue,           // `job` holds the value reserved for this transponder
        kAlreadyWritten,  // this transponder has its value already; `text` says which
        kStop,            // no value can be given (range used up, database gone); `text` says why
    };
    Kind kind = Kind::kStop;
    WriteJob job;
    std::string text;
};

class NumberSource {
  public:
    virtual ~NumberSource() = default;
    // The value for the transponder in the field, reserved for it before a block is written.
    virtual NumberClaim ForTransponder(const Uid& uid, const TagGeometry& tag) = 0;
    // After every block was written. False: the write could not be recorded and the cycle must
    // stop; `Problem()` says why.
    virtual bool Written(const Uid& uid) = 0;
    // The write failed: the reservation stays for the next transponder. False: not even that
    // could be recorded.
    virtual bool WriteFailed(const std::string& reason) = 0;
    // The value held for the next transponder, as the write field shows it ("" none).
    virtual std::string HeldText() const = 0;
    // "Job …, Station …" for the status box.
    virtual std::string Describe() const = 0;
    // The last failure's text.
    virtual std::string Problem() const = 0;
    // Every value of the range has been handed out and nothing is held.
    virtual bool Exhausted() const = 0;
};

}  // namespace tagforge
