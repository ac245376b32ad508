#pragma once
// Reader frame protocol: building request frames for the four protocol types, recognising a
// complete answer, and checking and stripping answers. Pure functions on byte arrays; the
// port (port.h) moves the bytes and waits.

#include <cstdint>

#include "library/byte_array.h"

namespace vesmor {

constexpr uint8_t kStartByteType0 = 0x02;
constexpr uint8_t kStartByteType23 = 0x1E;
constexpr uint8_t kChainedLength = 0xFF;

// Translates the type-0 command at the front of the transmit buffer for protocol types 2 and 3
// (other types and codes are left unchanged).
void TranslateCommand(CMyByteArray& tx, int protocolType);

// Turns the transmit buffer (command code + data, at least the command byte) into the request
// frame in place and returns the command code that stands in the frame (the last command code).
uint8_t BuildFrame(CMyByteArray& tx, int protocolType, uint8_t busAddress);

// Answer layout per protocol type.
inline size_t AnswerHeaderLength(int protocolType) {
    return protocolType >= 2 ? 3 : 4;
}
inline bool HasStartByte(int protocolType) {
    return protocolType != 1;
}
inline uint8_t AnswerStartByte(int protocolType) {
    return protocolType == 0 ? kStartByteType0 : kStartByteType23;
}
inline size_t LengthByteIndex(int protocolType) {
    return protocolType == 0 ? 3 : 2;
}
inline size_t ChecksumLength(int protocolType) {
    return protocolType == 0 ? 1 : (protocolType == 1 ? 2 : 0);
}

// True when the bytes hold a complete answer, given that the header (and for types 0, 2, 3 the
// start byte) is already there: a plain answer of L + 5 (types 0, 1) or L + 3 bytes, or a
// chained answer whose block walk meets the 0xFF terminator followed by the checksum.
bool IsAnswerComplete(const uint8_t* bytes, size_t size, int protocolType);
// Length of the complete answer at the front of the bytes (same rules), 0 while incomplete.
size_t CompleteAnswerLength(const uint8_t* bytes, size_t size, int protocolType);

// Result of an answer check: accepted or not, and the error code to leave in the port
// (0 = leave it as it is).
struct AnswerCheck {
    bool accepted;
    int32_t error;
};

// Checks checksum and status of a raw answer and strips it to the answer data.
AnswerCheck CheckAnswer(CMyByteArray& answer, int protocolType, uint8_t lastCommand);

// Checks the ISO 15693 response inside already stripped answer data and removes the response
// flags (and, for type 2, the reader's prefix byte).
AnswerCheck CheckIsoAnswer(CMyByteArray& data, int protocolType);

// Error code for an ISO 15693 error code byte.
int32_t IsoErrorToCode(uint8_t isoError);

}  // namespace vesmor
