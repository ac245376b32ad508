// A reader that answers after the wait for its answer has ended: the late answer must never be
// taken for the answer to a later, different request.

#include <gtest/gtest.h>

#include "tests/integration/tag_fixture.h"

namespace vesmor::test {
namespace {

using sim::ChipKind;

struct Geometry {
    int32_t result = 0, blocks = -1, size = -1, maker = -1;
};

Geometry TagInfo(int32_t handle, const sim::Uid& uid) {
    Geometry g;
    g.result = VESMOR_GetTagInfo(handle, uid.data(), 8, &g.blocks, &g.size, &g.maker, 1);
    return g;
}

int32_t InventoryBytes(int32_t handle) {
    unsigned char records[176];
    return VESMOR_Inventory(handle, records, sizeof records, 0x21);
}

TEST(LateAnswers, AnswerAfterItsWaitIsDiscardedBeforeTheNextRequestsOwn) {
    ReaderWithField reader(0);
    const sim::Uid uid = reader.Field().Insert(ChipKind::kNxp);
    sim::Faults slow;
    slow.delayMs = 450;  // the answer comes 150 ms after its 300 ms wait
    reader.link.SetFaults(slow);
    EXPECT_EQ(VESMOR_SetReaderOption(reader.handle, 0), -1);
    EXPECT_EQ(reader.LastError(), VESMOR_ERR_TIMEOUT);
    sim::Faults busy;
    busy.delayMs = 200;  // the next answer follows the late one, as from a reader that is in order
    reader.link.SetFaults(busy);
    const Geometry g = TagInfo(reader.handle, uid);
    EXPECT_EQ(g.result, 0) << "error " << reader.LastError();
    EXPECT_EQ(g.blocks, 28);
    EXPECT_EQ(g.size, 4);
    reader.link.SetFaults({});
    EXPECT_EQ(InventoryBytes(reader.handle), 11);
}

TEST(LateAnswers, RepeatedRequestTakesTheLateAnswerAndTheOneAfterStaysInStep) {
    ReaderWithField reader(0);
    reader.Field().Insert(ChipKind::kNxp);
    sim::Faults slow;
    slow.delayMs = 450;
    reader.link.SetFaults(slow);
    EXPECT_EQ(VESMOR_SetReaderOption(reader.handle, 0), -1);
    // The same request again: the first one's answer arrives during its wait and answers it.
    EXPECT_EQ(VESMOR_SetReaderOption(reader.handle, 0), 0) << reader.LastError();
    // The second request's own answer arrives between two calls and goes with the flush before
    // the next request; that request's answer is its own.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    reader.link.SetFaults({});
    unsigned char version[4];
    EXPECT_EQ(InventoryBytes(reader.handle), 11) << reader.LastError();
    EXPECT_EQ(VESMOR_GetVersion(reader.handle, version, 4), 4);
}

TEST(LateAnswers, ReaderSlowerThanTheIdentificationWaitOpensAndStaysInStep) {
    sim::PtyLink link(Reader(0));
    link.Field().Insert(ChipKind::kNxp);
    sim::Faults slow;
    slow.delayMs = 400;  // each identification attempt waits at most 300 ms
    link.SetFaults(slow);
    const int32_t handle = VESMOR_OpenPort(link.Path().c_str(), 19200, 2000);
    ASSERT_GT(handle, 0);
    EXPECT_EQ(VESMOR_SetReaderOption(handle, 0), 0) << VESMOR_GetLastError(handle);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(InventoryBytes(handle), 11)
            << "inventory " << i << ", error " << VESMOR_GetLastError(handle);
    }
    VESMOR_ClosePort(handle);
}

TEST(LateAnswers, ReaderThatLostOneAnswerRecoversAfterOneMoreFailure) {
    ReaderWithField reader(0);
    reader.Field().Insert(ChipKind::kNxp);
    sim::Faults deaf;
    deaf.silent = true;
    reader.link.SetFaults(deaf);
    EXPECT_EQ(VESMOR_SetReaderOption(reader.handle, 0), -1);
    reader.link.SetFaults({});
    // The next answer is taken for the late one and dropped; after that the reader is in step.
    int succeeded = 0;
    for (int i = 0; i < 4; ++i) {
        succeeded += InventoryBytes(reader.handle) == 11 ? 1 : 0;
    }
    EXPECT_GE(succeeded, 3);
}

}  // namespace
}  // namespace vesmor::test
