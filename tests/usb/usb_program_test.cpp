// A whole write cycle of the command-line tool (vesmor program) over an FTDI reader in D2XX
// mode and over a HID reader, both behind the fake vendor libraries, writes what the same
// cycle writes over a pseudo-terminal.

#include <gtest/gtest.h>

#include <chrono>

#include "sim/pty_link.h"
#include "tests/fakes/fake_reader.h"
#include "tests/tools/run_program.h"
#include "tests/usb/usb_fixture.h"

namespace vesmor::test {
namespace {

class UsbProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/vesmor-usb-program-XXXXXX";
        dir = ::mkdtemp(pattern);
        dump = dir + "/blocks.txt";
        SetEnv("VESMOR_FTD2XX_LIB", FAKE_FTD2XX_PATH);
        SetEnv("VESMOR_HIDAPI_LIB", FAKE_HIDAPI_PATH);
        SetEnv("VESMOR_SYSFS_ROOT", tree.Root());
        SetEnv("VESMOR_FAKE_D2XX", "");
        SetEnv("VESMOR_FAKE_HID", "");
        // What the same cycle writes over a serial line.
        sim::PtyLink link(sim::ReaderConfig{});
        link.Field().Insert(sim::ChipKind::kNxp);
        const ProgramResult r =
            RunProgram(VESMOR_CLI, {"program", "-p", link.Path(), "--value", "4711"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        expected = fake::BlockDump(link.Field());
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string dir, dump, expected;
    HidrawTree tree;
};

TEST_F(UsbProgram, WritesTheTagOverAnFtdiReaderInD2xxMode) {
    SetEnv("VESMOR_FAKE_D2XX", "serial=4211-0001 tags=nxp dump=" + dump);
    const ProgramResult r =
        RunProgram(VESMOR_CLI, {"program", "-p", "4211-0001", "--value", "4711"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(ReadFileText(dump), expected);
    EXPECT_EQ(expected.rfind("11470000\n", 0), 0u) << "0x4711 in block 0:\n" << expected;
}

TEST_F(UsbProgram, WritesTheTagOverAHidReader) {
    tree.AddDescriptor("hidraw0", VendorDescriptor(8, 8));
    SetEnv("VESMOR_FAKE_HID", "serial=4211-0001 path=/dev/hidraw0 tags=nxp dump=" + dump);
    const ProgramResult r =
        RunProgram(VESMOR_CLI, {"program", "-p", "4211-0001 HID", "--value", "4711"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(ReadFileText(dump), expected);
}

// A HID reader that takes 3 s for every report: `vesmor info` gives up on the start report
// after its time-out and ends, cleanly, while the report is still in the device.
TEST_F(UsbProgram, InfoOnAHidReaderThatTakesThreeSecondsPerReportEndsAtOnce) {
    SetEnv("VESMOR_FAKE_HID", "serial=4211-0001 tags=nxp writedelay=3000");
    const auto start = std::chrono::steady_clock::now();
    const ProgramResult r = RunProgram(VESMOR_CLI, {"info", "-p", "4211-0001 HID"});
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_LT(ms, 1500) << "it waited for the device";
}

}  // namespace
}  // namespace vesmor::test
