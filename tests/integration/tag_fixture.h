#pragma once
// A simulated reader with transponders in its field, opened through the C API.

#include <gtest/gtest.h>

#include "tests/integration/sim_fixture.h"

namespace vesmor::test {

class ReaderWithField {
  public:
    explicit ReaderWithField(int protocolType) : link(Reader(protocolType)) {
        handle = VESMOR_OpenPort(link.Path().c_str(), 19200, 300);
        EXPECT_GT(handle, 0);
    }
    ~ReaderWithField() { VESMOR_ClosePort(handle); }

    sim::TagField& Field() { return link.Field(); }
    std::vector<std::vector<uint8_t>> Iso() { return Field().IsoRequests(); }
    int32_t LastError() const { return VESMOR_GetLastError(handle); }

    sim::PtyLink link;
    int32_t handle = 0;
};

// A UID of the given kind whose low bytes are chosen by the test (least significant first).
inline sim::Uid UidWithLowBytes(sim::ChipKind kind, std::initializer_list<uint8_t> low) {
    sim::Uid uid = sim::MakeUid(kind, 0);
    size_t i = 0;
    for (uint8_t b : low)
        uid[i++] = b;
    return uid;
}

}  // namespace vesmor::test
