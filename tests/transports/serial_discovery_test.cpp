#include "transports/serial_discovery.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "tests/transports/fake_sysfs.h"

namespace vesmor {
namespace {

using Names = std::vector<std::string>;

class SerialDiscoveryTest : public ::testing::Test {
  protected:
    // A USB CDC device with one bound interface carrying the tty.
    void AddAcmPort(const std::string& tty, const std::string& usbName, uint16_t vendorId,
                    uint16_t productId, const std::string& product = "") {
        const std::string device = fake.AddUsbDevice(usbName, vendorId, productId, product);
        fake.AddTtyOfInterface(tty, fake.AddUsbInterface(device, 0, "cdc_acm"));
    }
    void AddFtdiPort(const std::string& tty, const std::string& usbName) {
        const std::string device = fake.AddUsbDevice(usbName, 0x0403, 0x6001, "FT232R USB UART");
        fake.AddTtyOfUsbSerialPort(tty, fake.AddUsbInterface(device, 0, "ftdi_sio"));
    }
    Names Ports() {
        Names list{"left over"};
        EXPECT_TRUE(ListSerialPorts(SysfsTree(fake.Root()), list));
        return list;
    }

    testing::FakeSysfs fake;
};

TEST_F(SerialDiscoveryTest, ReaderPortsAreMarkedByProductTextFirstThenByIds) {
    AddAcmPort("ttyACM0", "1-1", 0x1C40, 0x05AC, "Vek HF Reader");
    AddAcmPort("ttyACM1", "1-2", 0x1C40, 0x05AC, "CDC Serial");
    AddAcmPort("ttyACM2", "1-3", 0x1C40, 0x05AC);
    AddAcmPort("ttyACM3", "1-4", 0x2341, 0x0043, "QM-4 Virtual COM");
    AddAcmPort("ttyACM4", "1-5", 0x2341, 0x0043, "vek lower case");
    AddAcmPort("ttyACM5", "1-6", 0x2341, 0x0043, "The Vek Reader");
    AddAcmPort("ttyACM6", "1-7", 0x1C40, 0x05AD, "Other product");
    AddFtdiPort("ttyUSB0", "1-8");

    EXPECT_EQ(Ports(), (Names{
                           "/dev/ttyACM0 [Vek HF Reader]",
                           "/dev/ttyACM1 [Vek Virtual COM]",
                           "/dev/ttyACM2 [Vek Virtual COM]",
                           "/dev/ttyACM3 [QM-4 Virtual COM]",
                           "/dev/ttyACM4",
                           "/dev/ttyACM5",
                           "/dev/ttyACM6",
                           "/dev/ttyUSB0",
                       }));
}

TEST_F(SerialDiscoveryTest, PortsAreOrderedByStemThenNumber) {
    AddFtdiPort("ttyUSB10", "1-1");
    AddFtdiPort("ttyUSB9", "1-2");
    AddFtdiPort("ttyUSB1", "1-3");
    AddAcmPort("ttyACM10", "1-4", 0x1C40, 0x05AC);
    AddAcmPort("ttyACM9", "1-5", 0x2341, 0x0043);
    fake.AddUart("ttyS10", "pnp0/00:02", "serial", 4);
    fake.AddUart("ttyS2", "pnp0/00:01", "serial", 4);

    EXPECT_EQ(Ports(), (Names{
                           "/dev/ttyACM9",
                           "/dev/ttyACM10 [Vek Virtual COM]",
                           "/dev/ttyS2",
                           "/dev/ttyS10",
                           "/dev/ttyUSB1",
                           "/dev/ttyUSB9",
                           "/dev/ttyUSB10",
                       }));
}

TEST_F(SerialDiscoveryTest, TtysWithoutALineAreLeftOut) {
    fake.AddUart("ttyS0", "platform/serial8250", "serial8250", 4);     // a 16550A
    fake.AddUart("ttyS1", "platform/serial8250", "serial8250", 0);     // empty slot
    fake.AddUart("ttyS2", "platform/serial8250", "serial8250", -1);    // type unreadable
    fake.AddUart("ttyS4", "pnp0/00:01", "serial", 4);                  // PNP-described UART
    fake.AddUart("ttyAMA0", "platform/uart-pl011", "uart-pl011", -1);  // no serial-core type
    for (const char* name : {"console", "ptmx", "tty", "tty0", "tty1", "ttyprintk"}) {
        fake.AddVirtualTty(name);
    }
    fake.Link("class/tty/ttyUSB7", "devices/unplugged/ttyUSB7");
    fake.WriteAttribute("devices/half/tty/ttyACM3/dev", "166:3\n");
    fake.Link("devices/half/tty/ttyACM3/device", "devices/half/gone");
    fake.Link("class/tty/ttyACM3", "devices/half/tty/ttyACM3");

    EXPECT_EQ(Ports(), (Names{"/dev/ttyAMA0", "/dev/ttyS0", "/dev/ttyS4"}));
}

TEST(SerialDiscovery, TreeWithoutTtyClassGivesAnEmptyList) {
    testing::FakeSysfs fake;
    std::filesystem::remove(std::filesystem::path(fake.Root()) / "class/tty");
    Names list{"left over"};
    EXPECT_FALSE(ListSerialPorts(SysfsTree(fake.Root()), list));
    EXPECT_TRUE(list.empty());
}

}  // namespace
}  // namespace vesmor
