// Discovery through the public functions, against a fake device tree named by the environment.

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/transports/fake_sysfs.h"
#include "vesmor.h"

namespace vesmor {
namespace {

class DiscoveryApiTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(setenv("VESMOR_SYSFS_ROOT", fake.Root().c_str(), 1), 0);
        ASSERT_EQ(setenv("VESMOR_MODULES_DIR", fake.ModulesDir().c_str(), 1), 0);
        ASSERT_EQ(setenv("VESMOR_RUNTIME_DIR", fake.Root().c_str(), 1), 0);
        // A virtual COM reader on its driver, an FTDI cable, an FTDI reader without driver.
        const std::string reader = fake.AddUsbDevice("1-2", 0x1C40, 0x05AC, "CDC Serial");
        fake.AddTtyOfInterface("ttyACM0", fake.AddUsbInterface(reader, 0, "cdc_acm"));
        const std::string cable = fake.AddUsbDevice("1-3", 0x0403, 0x6001, "FT232R USB UART");
        fake.AddTtyOfUsbSerialPort("ttyUSB1", fake.AddUsbInterface(cable, 0, "ftdi_sio"));
        fake.AddUsbInterface(fake.AddUsbDevice("1-4", 0x0403, 0xE130), 0, "");
        fake.AddVirtualTty("console");
    }
    void TearDown() override {
        unsetenv("VESMOR_SYSFS_ROOT");
        unsetenv("VESMOR_MODULES_DIR");
        unsetenv("VESMOR_RUNTIME_DIR");
    }

    // An announcement as vesmor-sim writes it, for the process `pid`.
    void Announce(pid_t pid, const std::string& device) {
        const std::filesystem::path dir = std::filesystem::path(fake.Root()) / "vesmor-sim";
        std::filesystem::create_directories(dir);
        std::filesystem::permissions(dir, std::filesystem::perms::owner_all);
        std::ofstream(dir / (std::to_string(pid) + ".pty")) << device << "\n";
    }

    std::string ComPorts(int32_t size, int32_t& result) {
        std::string buffer(static_cast<size_t>(size), '\xAA');
        result = VESMOR_GetComPorts(buffer.data(), size);
        return buffer;
    }

    testing::FakeSysfs fake;
};

TEST_F(DiscoveryApiTest, ComPortsFillTheListBufferByteForByte) {
    using namespace std::string_literals;
    const std::string full = "/dev/ttyACM0 [Vek Virtual COM]\0/dev/ttyUSB1\0\0"s;
    int32_t result = 0;

    EXPECT_EQ(ComPorts(64, result).substr(0, full.size() + 1), full + '\xAA');
    EXPECT_EQ(result, static_cast<int32_t>(full.size()));
    EXPECT_EQ(ComPorts(45, result), full);
    EXPECT_EQ(ComPorts(44, result),
              "/dev/ttyACM0 [Vek Virtual COM]\0\0"s + std::string(12, '\xAA'));
    EXPECT_EQ(result, 32);
    EXPECT_EQ(ComPorts(31, result).substr(0, 2), "\0\xAA"s);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(VESMOR_GetComPorts(nullptr, 64), -1);
    char one = 'x';
    EXPECT_EQ(VESMOR_GetComPorts(&one, -1), -1);
    EXPECT_EQ(one, 'x');
}

TEST_F(DiscoveryApiTest, RunningSimulatorsFollowTheDevices) {
    using namespace std::string_literals;
    Announce(::getpid(), "/dev/null");  // a character device standing in for its pty
    const pid_t ended = ::fork();
    if (ended == 0) {
        ::_exit(0);
    }
    ::waitpid(ended, nullptr, 0);
    Announce(ended, "/dev/zero");
    Announce(::getpid() == 1 ? 2 : 1, "/dev/tagforge-gone");
    int32_t result = 0;
    const std::string list = ComPorts(200, result);
    EXPECT_EQ(list.substr(0, static_cast<size_t>(result)),
              "/dev/ttyACM0 [Vek Virtual COM]\0/dev/ttyUSB1\0/dev/null [VESMOR Simulator]\0\0"s);
}

TEST_F(DiscoveryApiTest, DriverQueriesReadTheSameTree) {
    setenv("VESMOR_FTD2XX_LIB", "/nonexistent/libftd2xx.so", 1);  // nor a D2XX library
    EXPECT_EQ(VESMOR_GetMissingDrivers(), 1) << "the FTDI reader has no driver";
    EXPECT_EQ(VESMOR_IsVirtualComDriverInstalled(), 0);
    std::filesystem::create_directories(std::filesystem::path(fake.Root()) / "module/cdc_acm");
    EXPECT_EQ(VESMOR_IsVirtualComDriverInstalled(), 1);
}

TEST(DiscoveryApi, ThisMachinesListIsWellFormed) {
    unsetenv("VESMOR_SYSFS_ROOT");
    std::string buffer(2500, '\xAA');
    const int32_t result = VESMOR_GetComPorts(buffer.data(), 2500);
    ASSERT_GE(result, 1);
    EXPECT_EQ(buffer[static_cast<size_t>(result) - 1], '\0');
    for (size_t at = 0; buffer[at] != '\0'; at += std::string(buffer.data() + at).size() + 1) {
        EXPECT_EQ(buffer.compare(at, 5, "/dev/"), 0) << buffer.data() + at;
    }
    const int32_t missing = VESMOR_GetMissingDrivers();
    EXPECT_TRUE(missing >= 0 && missing <= 3) << missing;
    const int32_t installed = VESMOR_IsVirtualComDriverInstalled();
    EXPECT_TRUE(installed == 0 || installed == 1) << installed;
}

}  // namespace
}  // namespace vesmor
