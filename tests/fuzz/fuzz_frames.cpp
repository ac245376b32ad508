// The pure frame functions on any bytes: completeness and length of an answer (plain and
// chained) for each protocol type, then the answer and ISO checks on what is complete.

#include <cstddef>
#include <cstdint>

#include "library/frame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    const int protocolType = data[0] % 4;
    const uint8_t lastCommand = data[1];
    const uint8_t* bytes = data + 2;
    const size_t count = size - 2;
    if (count < vesmor::AnswerHeaderLength(protocolType)) {
        return 0;
    }
    const bool complete = vesmor::IsAnswerComplete(bytes, count, protocolType);
    const size_t length = vesmor::CompleteAnswerLength(bytes, count, protocolType);
    if (length > count || complete != (length != 0)) {
        __builtin_trap();  // the two completeness rules must agree and stay inside the bytes
    }
    if (length == 0) {
        return 0;
    }
    CMyByteArray answer(bytes, length);
    if (vesmor::CheckAnswer(answer, protocolType, lastCommand).accepted) {
        vesmor::CheckIsoAnswer(answer, protocolType);
    }
    return 0;
}
