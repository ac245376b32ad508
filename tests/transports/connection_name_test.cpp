#include "transports/connection_name.h"

#include <gtest/gtest.h>

#include "transports/serial_port_name.h"

namespace vesmor {
namespace {

TEST(ParsePortName, LegacyComNamesMapToBuiltInSerialPorts) {
    for (const char* name : {"COM7", "com7", "\\\\.\\COM7", "\\\\.\\COM7 [Vek Virtual COM]"}) {
        const SerialPortName parsed = ParsePortName(name);
        EXPECT_EQ(parsed.devicePath, "/dev/ttyS6") << name;
        EXPECT_EQ(parsed.portNumber, 7) << name;
        EXPECT_FALSE(parsed.d2xxMode) << name;
    }
}

TEST(ParsePortName, DevicePathsKeepTheTextUpToTheFirstBlank) {
    const SerialPortName usb = ParsePortName("/dev/ttyUSB10 [Vek Virtual COM]");
    EXPECT_EQ(usb.devicePath, "/dev/ttyUSB10");
    EXPECT_EQ(usb.portNumber, 10);
    EXPECT_FALSE(usb.d2xxMode);
    EXPECT_EQ(ParsePortName("\\\\.\\/dev/pts/3").devicePath, "/dev/pts/3");
    EXPECT_EQ(ParsePortName("/dev/pts/3").portNumber, 3);
}

TEST(ParsePortName, OtherNamesAreFtdiSerialNumbers) {
    for (const char* name : {"COM0", "COMX", "FT123456", "42AB"}) {
        EXPECT_TRUE(ParsePortName(name).d2xxMode) << name;
    }
    EXPECT_EQ(ParsePortName("42AB").portNumber, 42);
    EXPECT_EQ(ParsePortName("FT1").portNumber, 0);
}

TEST(SelectTransport, NamesSelectTheirTransportInOrder) {
    EXPECT_EQ(SelectTransport("192.168.0.10"), TransportKind::kLan);
    EXPECT_EQ(SelectTransport("192.168.0.10-10001"), TransportKind::kLan);
    EXPECT_EQ(SelectTransport("[reader-7]"), TransportKind::kLan);
    EXPECT_EQ(SelectTransport(".1.2.3"), TransportKind::kSerial);
    EXPECT_EQ(SelectTransport("3311ABC HID"), TransportKind::kHid);
    EXPECT_EQ(SelectTransport("COM3 BT"), TransportKind::kBluetooth);
    EXPECT_EQ(SelectTransport("VEK-PN4207#1 BTW"), TransportKind::kRefused);
    EXPECT_EQ(SelectTransport("/dev/ttyACM0"), TransportKind::kSerial);
}

TEST(SelectTransport, DevicePathIsSerialWhateverItsDescriptionSays) {
    EXPECT_EQ(SelectTransport("/dev/ttyACM0 [Vek HID Reader]"), TransportKind::kSerial);
    EXPECT_EQ(SelectTransport("/dev/ttyUSB1 [BT adapter]"), TransportKind::kSerial);
    EXPECT_EQ(SelectTransport("/dev/ttyUSB1 [QM-4 v1.2.3]"), TransportKind::kSerial);
    EXPECT_EQ(SelectTransport("\\\\.\\/dev/ttyS0 [HID]"), TransportKind::kSerial);
    EXPECT_EQ(SelectTransport("/dev/serial/by-id/usb-Vek_1.2.3-if00"), TransportKind::kSerial);
    // A dongle on a serial line is still named by the text after the path.
    EXPECT_EQ(SelectTransport("/dev/ttyUSB0 BT"), TransportKind::kBluetooth);
    EXPECT_EQ(SelectTransport("/dev/ttyUSB0 [Vek Virtual COM] BT"), TransportKind::kBluetooth);
}

TEST(TakeBusAddress, DecimalSuffixIsCutOff) {
    std::string name = "COM3:5";
    EXPECT_EQ(TakeBusAddress(name), 5u);
    EXPECT_EQ(name, "COM3");
    name = "COM3:";
    EXPECT_EQ(TakeBusAddress(name), 1u);
    EXPECT_EQ(name, "COM3:");
    name = "/dev/ttyUSB0 [Vek Virtual COM]:12";
    EXPECT_EQ(TakeBusAddress(name), 12u);
    EXPECT_EQ(name, "/dev/ttyUSB0 [Vek Virtual COM]");
    name = "/dev/ttyUSB0";
    EXPECT_EQ(TakeBusAddress(name), 1u);
}

TEST(DecodeBaudValue, LineCodeInTheLastTwoDigits) {
    const SerialFormat even = DecodeBaudValue(19201);
    EXPECT_EQ(even.baud, 19200);
    EXPECT_EQ(even.parity, 'E');
    EXPECT_EQ(DecodeBaudValue(9602).parity, 'O');
    EXPECT_EQ(DecodeBaudValue(9603).stopBits, 2);
    EXPECT_EQ(DecodeBaudValue(9603).parity, 'N');
    EXPECT_EQ(DecodeBaudValue(115250).baud, 115200);
    EXPECT_EQ(DecodeBaudValue(115250).parity, 'N');
}

TEST(IsComPortName, ComAndDevicePathsAreSerialNames) {
    EXPECT_TRUE(IsComPortName("COM1"));
    EXPECT_TRUE(IsComPortName("\\\\.\\COM12"));
    EXPECT_TRUE(IsComPortName("/dev/ttyUSB0"));
    EXPECT_FALSE(IsComPortName("FT1234"));
    EXPECT_FALSE(IsComPortName("192.168.0.1"));
}

}  // namespace
}  // namespace vesmor
