#pragma once
// The simulated reader: parses request frames of its protocol type and answers them as a
// reader of the family does (identification, options, reset, USB mode, transparent ISO 15693
// requests to the transponders of its field), with faults injected on request.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "sim/request_parser.h"

namespace vesmor::sim {

struct ReaderConfig {
    int protocolType = 0;
    int deviceCode = 0x125;
    char firmware = '7';
    uint8_t busAddress = 1;
    // Type 2: the answer to the "FV" version request; empty gives code + firmware.
    std::string fvAnswer;
    // Most data bytes of an answer to a transparent request; a longer transponder answer is
    // cut to this length (the length byte cannot count more than 254).
    size_t maxAnswerData = 254;
};

struct Faults {
    bool silent = false;
    int answerFromRequest = 1;             // requests before this one (counted from 1) are ignored
    std::vector<uint8_t> strayBytes;       // sent before every answer frame
    bool badChecksum = false;              // last byte of every answer flipped
    int duplicateAfterMs = -1;             // every answer sent again this long after the first
    int delayMs = 0;                       // pause between request and answer
    int cutBytes = 0;                      // the last bytes of every answer are lost on the line
    std::map<uint8_t, uint8_t> statusFor;  // wire command -> status answered instead
};

// What the reader answers: a status (types 2 and 3: the echoed command means success), data,
// and whether the data are the blocks of a chained answer.
struct ReaderAnswer {
    uint8_t status = 0;
    std::vector<uint8_t> data;
    bool chained = false;
    bool silent = false;  // no answer at all
};

// The transponders in the reader's field: answers transparent ISO 15693 requests.
class IsoField {
  public:
    virtual ~IsoField() = default;
    // isoRequest: request flags, ISO command, parameters (type 2 and 3 readers' inserted byte
    // already removed). protocolType selects the reader's way of wording the answer.
    virtual ReaderAnswer HandleIso(const std::vector<uint8_t>& isoRequest, int protocolType) = 0;
};

struct Reply {
    std::vector<uint8_t> bytes;
    size_t requestLength = 0;  // bytes of the request frame (for the emulated wire time)
    int delayMs = 0;           // after the request has been received
};

class ReaderEngine {
  public:
    explicit ReaderEngine(const ReaderConfig& config);

    std::vector<Reply> OnBytes(const uint8_t* bytes, size_t count);
    // Forgets a partly received frame (the line was idle).
    void ResetParser() { parser_.Reset(); }

    void SetFaults(const Faults& faults) { faults_ = faults; }
    const Faults& GetFaults() const { return faults_; }
    void SetField(IsoField* field) { field_ = field; }
    const ReaderConfig& Config() const { return config_; }
    const std::vector<Request>& Requests() const { return requests_; }
    void ClearRequests() { requests_.clear(); }

  private:
    ReaderAnswer Answer(const Request& request) const;
    ReaderAnswer Identification(const Request& request) const;
    std::string VersionText() const;
    uint8_t Success(const Request& request) const;
    uint8_t ErrorStatus(uint8_t type01Status, uint8_t type23Status) const;

    ReaderConfig config_;
    Faults faults_;
    RequestParser parser_;
    IsoField* field_ = nullptr;
    std::vector<Request> requests_;
    int requestCount_ = 0;
};

}  // namespace vesmor::sim
