// Blocks above 255 of an STMicroelectronics chip (the simulator's "st-large", 2048 blocks) are
// written and read by the engine with the protocol extension flag, as in the content view; and
// a log path that is no regular file stops the write before the transponder is touched.

#include <sys/stat.h>

#include "tests/app_engine/engine_fixture.h"

namespace tagforge::test {
namespace {

using vesmor::sim::ChipKind;

TEST_F(EngineTest, StLargeBlocksAbove255AreWrittenAndReadBack) {
    Connect();
    const vesmor::sim::Uid uid = Field().Insert(ChipKind::kStLarge);
    SetJob(kFormatDecimalAscii, 8, "4711", 300);
    ASSERT_EQ(Engine().WriteOnce(), StepResult::kDone) << StatusText();
    EXPECT_EQ(TagBytes(uid, 300), (std::vector<uint8_t>{'4', '7', '1', '1'}));
    EXPECT_EQ(TagBytes(uid, 44), (std::vector<uint8_t>{0, 0, 0, 0})) << "300 mod 256";
    SetJob(kFormatDecimalAscii, 8, "", 300);
    ASSERT_EQ(Engine().ReadOnce(), StepResult::kDone) << StatusText();
    EXPECT_EQ(Engine().LastReadValue(), "4711");
    // The last block of the chip as well.
    SetJob(kFormatHexBinary, 4, "A1B2C3D4", 2047);
    Field().Remove(uid);
    const vesmor::sim::Uid second = Field().Insert(ChipKind::kStLarge);
    ASSERT_EQ(Engine().WriteOnce(), StepResult::kDone) << StatusText();
    EXPECT_EQ(TagBytes(second, 2047), (std::vector<uint8_t>{0xD4, 0xC3, 0xB2, 0xA1}));
}

TEST_F(EngineTest, LogThatIsAFifoStopsTheWriteBeforeTheTagIsTouched) {
    Connect();
    const vesmor::sim::Uid uid = Field().Insert(ChipKind::kNxp);
    const std::string fifo = (logDir / "fifo.txt").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Engine().Logs() = {true, fifo, false, ""};
    SetJob(kFormatDecimalAscii, 4, "7");
    EXPECT_EQ(Engine().WriteOnce(), StepResult::kFailed);
    EXPECT_EQ(IsoCount(kIsoWriteBlock), 0u);
    EXPECT_EQ(TagBytes(uid, 0), (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_NE(StatusText().find("Protokolldatei ist keine normale Datei: " + fifo),
              std::string::npos)
        << StatusText();
}

}  // namespace
}  // namespace tagforge::test
