// The HID device object against the fake hidapi library: names, opening, report lengths,
// chunked writes and the reads of input reports.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/integration/sim_fixture.h"
#include "tests/usb/usb_fixture.h"
#include "transports/hid_device.h"

namespace vesmor::test {
namespace {

using Bytes = std::vector<uint8_t>;

class HidDevice : public FakeHidTest {
  protected:
    std::vector<std::string> List() {
        std::vector<std::string> names;
        ListHidReaders(names);
        return names;
    }
    void PushInput(const Bytes& report, int device = 0) {
        fake.Get<void (*)(int, const unsigned char*, int)>("fake_hid_push_input")(
            device, report.data(), static_cast<int>(report.size()));
    }
};

TEST_F(HidDevice, ATwentyByteFrameLeavesAsThreeNineByteReportsOfSevenSevenAndSix) {
    Configure("serial=4211-0001 path=/dev/hidraw0");
    CHidDevice device;
    ASSERT_TRUE(device.OpenHidByName("4211-0001 HID"));
    EXPECT_EQ(device.ReportLengths().output, 9) << "no descriptor: 9/9";
    Bytes frame(20);
    for (size_t i = 0; i < frame.size(); ++i) {
        frame[i] = static_cast<uint8_t>(0x40 + i);
    }
    ASSERT_TRUE(device.WriteHid(frame.data(), frame.size()));
    EXPECT_EQ(Report(), (Bytes{0, 7, 0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46}));
    EXPECT_EQ(Report(), (Bytes{0, 7, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D}));
    EXPECT_EQ(Report(), (Bytes{0, 6, 0x4E, 0x4F, 0x50, 0x51, 0x52, 0x53, 0}));
    EXPECT_TRUE(Report().empty());
}

TEST_F(HidDevice, AnInputReportWhoseLengthByteExceedsTheReportDeliversOnlyItsBytes) {
    Configure("serial=4211-0001");
    CHidDevice device;
    ASSERT_TRUE(device.OpenHidByName("4211-0001 HID"));
    PushInput({0x30, 1, 2, 3, 4, 5, 6, 7});  // hidraw: no report ID, 8 bytes
    uint8_t buffer[100] = {};
    EXPECT_EQ(device.ReadHid(buffer, sizeof buffer), 7u);
    EXPECT_EQ(Bytes(buffer, buffer + 7), (Bytes{1, 2, 3, 4, 5, 6, 7}));
    PushInput({0x05, 9, 8});  // a short report
    EXPECT_EQ(device.ReadHid(buffer, sizeof buffer), 2u);
    PushInput({2, 0xAA, 0xBB, 0xCC, 0, 0, 0, 0});
    EXPECT_EQ(device.ReadHid(buffer, sizeof buffer), 2u);
    EXPECT_EQ(buffer[1], 0xBB);
    EXPECT_EQ(device.ReadHid(buffer, sizeof buffer), 0u) << "nothing more has come";
}

TEST_F(HidDevice, TheRightNameWithAForeignVendorOrProductIsNeitherListedNorOpened) {
    Configure(
        "serial=4211-0001 vid=16C0 pid=2914; serial=4211-0002 vid=1C41 pid=05AB;"
        "serial=4211-0003 vid=1C40 pid=05AF");
    EXPECT_EQ(List(), std::vector<std::string>{"4211-0003 HID"});
    CHidDevice device;
    EXPECT_FALSE(device.OpenHidByName("4211-0001 HID"));
    EXPECT_FALSE(device.OpenHidByName("4211-0002 HID"));
    EXPECT_TRUE(device.OpenHidByName("4211-0003 HID"));
}

TEST_F(HidDevice, TwoInterfacesWithTheSameSerialNumberGiveOneEntry) {
    Configure("serial=4211-0001 pid=2913; serial=4211-0001 vid=1C40 pid=05AB; serial=3320-0007");
    EXPECT_EQ(List(), (std::vector<std::string>{"4211-0001 HID", "3320-0007 HID"}));
}

TEST_F(HidDevice, AnUnreadableSerialNumberGivesThePlaceholderName) {
    Configure("serial=4211-0001 noserial=1");
    EXPECT_EQ(List(), std::vector<std::string>{"0000-???? HID"});
    CHidDevice device;
    EXPECT_TRUE(device.OpenHidByName("0000-???? HID"));
}

TEST_F(HidDevice, ADeviceInUseElsewhereIsSkipped) {
    Configure("serial=4211-0001 busy=1; serial=4211-0002");
    EXPECT_EQ(List(), std::vector<std::string>{"4211-0002 HID"});
    CHidDevice device;
    EXPECT_FALSE(device.OpenHidByName("4211-0001 HID"));
}

TEST_F(HidDevice, ReportLengthsComeFromTheHidrawNodesReportDescriptor) {
    tree.AddDescriptor("hidraw4", VendorDescriptor(16, 32));
    Configure("serial=4211-0001 path=/dev/hidraw4 input=17 output=33");
    CHidDevice device;
    ASSERT_TRUE(device.OpenHidByName("4211-0001 HID"));
    EXPECT_EQ(device.ReportLengths().input, 17);
    EXPECT_EQ(device.ReportLengths().output, 33);
    const Bytes frame(20, 0x11);
    ASSERT_TRUE(device.WriteHid(frame.data(), frame.size()));
    const Bytes report = Report();
    ASSERT_EQ(report.size(), 33u) << "one report takes the whole frame";
    EXPECT_EQ(report[1], 20);
}

TEST_F(HidDevice, ADeviceWithReportsOverSixtyFiveBytesIsRefused) {
    tree.AddDescriptor("hidraw2", VendorDescriptor(8, 128));
    Configure("serial=4211-0001 path=/dev/hidraw2");
    CHidDevice device;
    EXPECT_FALSE(device.OpenHidByName("4211-0001 HID"));
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ(device.ConnectionNumber(), 0);
    EXPECT_EQ(OpenCount(), 0) << "closed again";
}

TEST_F(HidDevice, ConnectionNumbersStartAt10001AndAreGivenBackAtClose) {
    Configure("serial=4211-0001; serial=4211-0002");
    CHidDevice first, second;
    ASSERT_TRUE(first.OpenHidByName("4211-0001 HID"));
    ASSERT_TRUE(second.OpenHidByName("4211-0002 HID"));
    EXPECT_EQ(first.ConnectionNumber(), 10001);
    EXPECT_EQ(second.ConnectionNumber(), 10002);
    EXPECT_EQ(first.CloseHid(), 10001);
    EXPECT_EQ(first.CloseHid(), 0);
    ASSERT_TRUE(first.OpenHidByName("4211-0001 HID"));
    EXPECT_EQ(first.ConnectionNumber(), 10001);
}

TEST_F(HidDevice, AReadErrorClosesTheDevice) {
    Configure("serial=4211-0001");
    CHidDevice device;
    ASSERT_TRUE(device.OpenHidByName("4211-0001 HID"));
    fake.Get<void (*)(int, int)>("fake_hid_set_read_error")(0, 1);
    uint8_t buffer[16];
    EXPECT_EQ(device.ReadHid(buffer, sizeof buffer), 0u);
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ(device.ConnectionNumber(), 0);
    EXPECT_FALSE(device.WriteHid(buffer, 1));
    EXPECT_EQ(OpenCount(), 0);
}

TEST_F(HidDevice, AReportTheDeviceTakesLongerThanFiftyMillisecondsForCountsAsFailed) {
    Configure("serial=4211-0001 writedelay=80; serial=4211-0002 writedelay=10");
    CHidDevice slow, quick;
    ASSERT_TRUE(slow.OpenHidByName("4211-0001 HID"));
    ASSERT_TRUE(quick.OpenHidByName("4211-0002 HID"));
    const uint8_t frame[3] = {1, 2, 3};
    EXPECT_FALSE(slow.WriteHid(frame, sizeof frame));
    EXPECT_FALSE(slow.SendHidCommand(CHidDevice::kStart));
    EXPECT_TRUE(quick.WriteHid(frame, sizeof frame));
    EXPECT_TRUE(quick.SendHidCommand(CHidDevice::kStart));
    slow.CloseHid();
    EXPECT_TRUE(ClosedWithin(2000)) << "closed once the stuck report is out";
}

// A device that takes 3 s for every report: the caller waits the 50 ms and no longer, for the
// write, the control report and the close; the device is closed once its write returns.
TEST_F(HidDevice, ADeviceThatTakesThreeSecondsPerReportHoldsNoCallLongerThanTheTimeOut) {
    Configure("serial=4211-0001 writedelay=3000");
    CHidDevice device;
    ASSERT_TRUE(device.OpenHidByName("4211-0001 HID"));
    const uint8_t frame[3] = {1, 2, 3};
    bool written = true;
    const long long writeMs = TimeMs([&] { written = device.WriteHid(frame, sizeof frame); });
    EXPECT_FALSE(written);
    EXPECT_GE(writeMs, CHidDevice::kWriteTimeoutMs - 5);
    EXPECT_LT(writeMs, 250) << "bounded at 50 ms";
    const long long commandMs = TimeMs([&] { written = device.SendHidCommand(CHidDevice::kStop); });
    EXPECT_FALSE(written) << "the first report is still in the device";
    EXPECT_LT(commandMs, 250);
    const long long closeMs = TimeMs([&] { device.CloseHid(); });
    EXPECT_LT(closeMs, 250) << "the close does not wait for the device";
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ(OpenCount(), 1) << "the report is still in the device";
    EXPECT_TRUE(ClosedWithin(5000));
    // The writer thread counts itself out just after its close, which the fake saw first.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (HidReportWriter::Lingering() != 0 && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(HidReportWriter::Lingering(), 0);
    EXPECT_EQ(Reports().size(), 1u) << "the stop report was never given to the device";
}

TEST_F(HidDevice, StartAndStopReportsAreControlReportsOfTheOutputLength) {
    Configure("serial=4211-0001");
    CHidDevice device;
    ASSERT_TRUE(device.OpenHidByName("4211-0001 HID"));
    ASSERT_TRUE(device.SendHidCommand(CHidDevice::kStart));
    ASSERT_TRUE(device.SendHidCommand(CHidDevice::kStop));
    EXPECT_EQ(Report(), (Bytes{0, 0x82, 0x10, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Report(), (Bytes{0, 0x82, 0x10, 1, 0, 0, 0, 0, 0}));
}

TEST(HidWithoutLibrary, NothingIsListedAndNothingOpens) {
    SetEnv("VESMOR_HIDAPI_LIB", "/nonexistent/libhidapi-hidraw.so.0");
    HidApi::Instance().Unload();
    std::vector<std::string> names;
    ListHidReaders(names);
    EXPECT_TRUE(names.empty());
    CHidDevice device;
    EXPECT_FALSE(device.OpenHidByName("4211-0001 HID"));
    uint8_t buffer[4];
    EXPECT_EQ(device.ReadHid(buffer, sizeof buffer), 0u);
    EXPECT_FALSE(device.WriteHid(buffer, sizeof buffer));
    SetEnv("VESMOR_HIDAPI_LIB", FAKE_HIDAPI_PATH);
    EXPECT_TRUE(HidApi::Instance().Available()) << "a later call tries again";
}

}  // namespace
}  // namespace vesmor::test
