#include "transports/sysfs_tree.h"

#include <stdlib.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "tests/transports/fake_sysfs.h"

namespace vesmor {
namespace {

namespace fs = std::filesystem;

class SysfsTreeTest : public ::testing::Test {
  protected:
    void RawLink(const std::string& path, const std::string& target) {
        fs::create_symlink(target, fs::path(fake.Root()) / path);
    }

    testing::FakeSysfs fake;
    SysfsTree tree{fake.Root()};
};

TEST_F(SysfsTreeTest, RelativeLinksResolveInsideTheTree) {
    const std::string interface =
        fake.AddUsbInterface(fake.AddUsbDevice("1-2", 0x1C40, 0x05AC), 0, "cdc_acm");
    fake.AddTtyOfInterface("ttyACM0", interface);

    EXPECT_EQ(tree.Resolve("class/tty/ttyACM0"), interface + "/tty/ttyACM0");
    EXPECT_EQ(tree.Resolve("class/tty/ttyACM0/device"), interface);
    EXPECT_EQ(tree.Resolve("class/tty/ttyACM0/device/../idVendor"),
              "devices/pci0000:00/0000:00:14.0/usb1/1-2/idVendor");
    EXPECT_EQ(tree.LinkTargetName("bus/usb/devices/1-2:1.0", "driver"), "cdc_acm");
    EXPECT_EQ(tree.LinkTargetName("bus/usb/devices/1-2", "missing"), "");
    EXPECT_FALSE(tree.Resolve("class/tty/ttyACM1"));
}

TEST_F(SysfsTreeTest, LinksNeverLeaveTheTree) {
    fs::create_directories(fs::path(fake.Root()) / "devices/virtual");
    RawLink("class/sys-absolute", "/sys/devices/virtual");
    RawLink("class/root-absolute", "/devices/virtual");
    RawLink("class/host", "/etc");
    fake.Link("class/up", "..");
    RawLink("class/far-up", "../../../../../../..");

    EXPECT_EQ(tree.Resolve("class/sys-absolute"), "devices/virtual");
    EXPECT_EQ(tree.Resolve("class/root-absolute"), "devices/virtual");
    EXPECT_FALSE(tree.Resolve("class/host")) << "/etc of the host is not in the tree";
    EXPECT_EQ(tree.Resolve("class/up/class"), "class");
    EXPECT_EQ(tree.Resolve("class/far-up"), "");
    EXPECT_EQ(tree.Resolve("../../class"), "class");
}

TEST_F(SysfsTreeTest, LinkLoopsFailInsteadOfHanging) {
    RawLink("class/a", "b");
    RawLink("class/b", "a");
    RawLink("class/self", "self/x");
    EXPECT_FALSE(tree.Resolve("class/a"));
    EXPECT_FALSE(tree.Resolve("class/self"));
    EXPECT_TRUE(tree.List("class/a").empty());
}

TEST_F(SysfsTreeTest, AttributesAreTheirFirstLineWithoutLineEnd) {
    fake.WriteAttribute("devices/x/product", "Vek HF Reader \r\nsecond line\n");
    fake.WriteAttribute("devices/x/empty", "");
    EXPECT_EQ(tree.ReadAttribute("devices/x", "product"), "Vek HF Reader");
    EXPECT_EQ(tree.ReadAttribute("devices/x", "empty"), "");
    EXPECT_FALSE(tree.ReadAttribute("devices/x", "missing"));
    EXPECT_FALSE(tree.ReadAttribute("devices", "x")) << "a directory is no attribute";
}

TEST(SysfsTreeEnvironment, RootComesFromTheEnvironmentOrIsSys) {
    ASSERT_EQ(setenv("VESMOR_SYSFS_ROOT", "/tmp/fake-root/", 1), 0);
    EXPECT_EQ(SysfsTree::FromEnvironment().Root(), "/tmp/fake-root");
    ASSERT_EQ(setenv("VESMOR_SYSFS_ROOT", "", 1), 0);
    EXPECT_EQ(SysfsTree::FromEnvironment().Root(), "/sys");
    ASSERT_EQ(unsetenv("VESMOR_SYSFS_ROOT"), 0);
    EXPECT_EQ(SysfsTree::FromEnvironment().Root(), "/sys");
    EXPECT_EQ(SysfsTree("/").HostPath("class"), "/class");
}

}  // namespace
}  // namespace vesmor
