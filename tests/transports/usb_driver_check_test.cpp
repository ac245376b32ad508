#include "transports/usb_driver_check.h"

#include <stdlib.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "tests/transports/fake_sysfs.h"

namespace vesmor {
namespace {

constexpr bool kNoD2xx = false;

int32_t MissingDrivers(const testing::FakeSysfs& fake, bool d2xxLibraryLoadable = kNoD2xx) {
    return FindUsbDevicesWithoutDriver(SysfsTree(fake.Root()), d2xxLibraryLoadable);
}

TEST(FindUsbDevicesWithoutDriver, ReaderCountsWhenNoInterfaceHasADriver) {
    testing::FakeSysfs fake;
    EXPECT_EQ(MissingDrivers(fake), 0);

    const std::string reader = fake.AddUsbDevice("1-2", 0x1C40, 0x05AC, "Vek HF Reader");
    EXPECT_EQ(MissingDrivers(fake), kVirtualComReaderWithoutDriver) << "not configured";
    fake.AddUsbInterface(reader, 0, "");
    fake.AddUsbInterface(reader, 1, "");
    EXPECT_EQ(MissingDrivers(fake), kVirtualComReaderWithoutDriver);
    fake.AddUsbInterface(reader, 2, "cdc_acm");
    EXPECT_EQ(MissingDrivers(fake), 0) << "one bound interface is a working driver";
}

TEST(FindUsbDevicesWithoutDriver, FtdiReaderCountsOnlyWithoutTheD2xxLibrary) {
    testing::FakeSysfs fake;
    fake.AddUsbInterface(fake.AddUsbDevice("1-3", 0x0403, 0xE130), 0, "");
    EXPECT_EQ(MissingDrivers(fake), kFtdiReaderWithoutDriver);
    EXPECT_EQ(MissingDrivers(fake, true), 0);

    fake.AddUsbInterface(fake.AddUsbDevice("1-4", 0x1C40, 0x05AC), 0, "");
    EXPECT_EQ(MissingDrivers(fake), kFtdiReaderWithoutDriver | kVirtualComReaderWithoutDriver);
    EXPECT_EQ(MissingDrivers(fake, true), kVirtualComReaderWithoutDriver);
}

TEST(FindUsbDevicesWithoutDriver, OnlyTheTwoReadersCount) {
    testing::FakeSysfs fake;
    fake.AddUsbInterface(fake.AddUsbDevice("1-1", 0x0403, 0x6001), 0, "");
    fake.AddUsbInterface(fake.AddUsbDevice("1-2", 0x1C40, 0x05AD), 0, "");
    fake.AddUsbInterface(fake.AddUsbDevice("1-3", 0x0403, 0xE130), 0, "ftdi_sio");
    EXPECT_EQ(MissingDrivers(fake), 0);

    fake.WriteAttribute("devices/pci0000:00/0000:00:14.0/usb1/1-1/idProduct", "E130\n");
    EXPECT_EQ(MissingDrivers(fake), kFtdiReaderWithoutDriver) << "upper-case ids are read too";
    fake.WriteAttribute("devices/pci0000:00/0000:00:14.0/usb1/1-1/idProduct", "e130x\n");
    EXPECT_EQ(MissingDrivers(fake), 0) << "a malformed id matches nothing";
}

class VirtualComDriverTest : public ::testing::Test {
  protected:
    bool Installed() const {
        return IsVirtualComDriverInstalled(SysfsTree(fake.Root()), fake.ModulesDir());
    }
    testing::FakeSysfs fake;
};

TEST_F(VirtualComDriverTest, LoadedModuleCounts) {
    EXPECT_FALSE(Installed());
    std::filesystem::create_directories(std::filesystem::path(fake.Root()) / "module/cdc_acm");
    EXPECT_TRUE(Installed());
}

TEST_F(VirtualComDriverTest, BuiltInModuleCounts) {
    fake.WriteModuleList("modules.builtin", "kernel/drivers/usb/class/cdc-wdm.ko\n");
    EXPECT_FALSE(Installed());
    fake.WriteModuleList(
        "modules.builtin",
        "kernel/drivers/usb/class/cdc-wdm.ko\nkernel/drivers/usb/class/cdc-acm.ko\n");
    EXPECT_TRUE(Installed());
}

TEST_F(VirtualComDriverTest, ModuleInstalledForLoadingOnDemandCounts) {
    fake.WriteModuleList("modules.dep",
                         "kernel/drivers/net/usb/cdc_ether.ko.zst: kernel/drivers/usb/cdc-acm.ko\n"
                         "kernel/drivers/usb/class/cdc-acmx.ko.xz:\n");
    EXPECT_FALSE(Installed()) << "a dependency or a longer name is not the module";
    fake.WriteModuleList("modules.dep",
                         "kernel/drivers/usb/class/cdc-acm.ko.zst: kernel/drivers/usb/core.ko\n");
    EXPECT_TRUE(Installed());
}

TEST(KernelModulesDir, EnvironmentOrTheRunningKernelsDirectory) {
    ASSERT_EQ(setenv("VESMOR_MODULES_DIR", "/tmp/modules", 1), 0);
    EXPECT_EQ(KernelModulesDir(), "/tmp/modules");
    ASSERT_EQ(unsetenv("VESMOR_MODULES_DIR"), 0);
    EXPECT_EQ(KernelModulesDir().rfind("/lib/modules/", 0), 0u);
    EXPECT_GT(KernelModulesDir().size(), std::string("/lib/modules/").size());
}

}  // namespace
}  // namespace vesmor
