// A reader pulled away while its port is open.

#include <gtest/gtest.h>

#include <thread>

#include "tests/integration/sim_fixture.h"

namespace vesmor::test {
namespace {

TEST(Unplug, CommandsFailAtOnceAndCloseReleasesEverything) {
    sim::PtyLink reader(Reader(0));
    const int descriptors = CountEntries("/proc/self/fd");
    const int32_t handle = VESMOR_OpenPort(reader.Path().c_str(), 19200, 500);
    ASSERT_GT(handle, 0);
    const int threadsWithPort = CountEntries("/proc/self/task");
    EXPECT_EQ(VESMOR_IsConnected(handle), 1);
    reader.Unplug();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // The line is gone: the command ends without waiting out its timeout.
    const long long ms = TimeMs([&] { EXPECT_EQ(VESMOR_SetReaderOption(handle, 0), -1); });
    EXPECT_LT(ms, 100);
    EXPECT_EQ(VESMOR_GetLastError(handle), VESMOR_ERR_TIMEOUT);
    EXPECT_EQ(VESMOR_IsConnected(handle), 0) << "lost, but the handle stays until it is closed";
    unsigned char version[4];
    EXPECT_EQ(VESMOR_GetVersion(handle, version, 4), -1);
    EXPECT_EQ(VESMOR_ClosePort(handle), 0);
    EXPECT_EQ(VESMOR_ClosePort(handle), -1);
    EXPECT_EQ(VESMOR_IsConnected(handle), -1);
    // The port's worker has ended and its descriptors are closed; the simulator has closed the
    // two sides of its pseudo-terminal.
    EXPECT_EQ(CountEntries("/proc/self/task"), threadsWithPort - 1);
    EXPECT_EQ(CountEntries("/proc/self/fd"), descriptors - 2);
}

TEST(Unplug, CommandWaitingForItsAnswerEndsAsSoonAsTheReaderIsPulled) {
    sim::PtyLink reader(Reader(0));
    const int32_t handle = VESMOR_OpenPort(reader.Path().c_str(), 19200, 500);
    ASSERT_GT(handle, 0);
    sim::Faults silent;
    silent.silent = true;
    reader.SetFaults(silent);
    std::thread puller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        reader.Unplug();
    });
    unsigned char records[176];
    // An inventory waits up to a second for its answer; the lost line ends the wait.
    const long long ms = TimeMs([&] { EXPECT_EQ(VESMOR_Inventory(handle, records, 176, 1), -1); });
    puller.join();
    EXPECT_LT(ms, 400);
    EXPECT_EQ(VESMOR_IsConnected(handle), 0);
    EXPECT_EQ(VESMOR_ClosePort(handle), 0);
}

}  // namespace
}  // namespace vesmor::test
