#pragma once
// CHidDevice: a HID reader opened through hidapi. Reader frames travel in output reports of
// 00, n, n payload bytes and come back in input reports of the same form; a control report
// starts the reader after the open and stops it before the close. The device is used from the
// thread of the library call only.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "transports/hid_report.h"
#include "transports/hid_report_writer.h"
#include "transports/hidapi_table.h"

namespace vesmor {

// The HID readers: vendor 0x16C0 with product 0x2913, vendor 0x1C40 with 0x05AB, 0x05AD,
// 0x05AE or 0x05AF.
bool IsHidReader(uint16_t vendorId, uint16_t productId);

// Connection numbers of open HID devices, process-wide: from 10001 upward.
int32_t AcquireHidConnectionNumber();
void ReleaseHidConnectionNumber(int32_t number);

// Names of the HID readers present ("<serial> HID"), each once, in enumeration order.
void ListHidReaders(std::vector<std::string>& names);

// The sysfs report descriptor of a hidraw node ("/dev/hidraw3") below the tree that
// VESMOR_SYSFS_ROOT names; empty when it cannot be read.
std::vector<uint8_t> ReadHidrawReportDescriptor(const std::string& devicePath);

class CHidDevice {
  public:
    // Start and stop commands of the control report.
    static constexpr uint8_t kStart = 0;
    static constexpr uint8_t kStop = 1;
    // A report that has not gone out after this long counts as failed: the caller waits no
    // longer for it (the writer thread goes on waiting for the device).
    static constexpr int kWriteTimeoutMs = 50;

    CHidDevice() = default;
    ~CHidDevice() { CloseHid(); }
    CHidDevice(const CHidDevice&) = delete;
    CHidDevice& operator=(const CHidDevice&) = delete;

    bool OpenHidByName(const std::string& name);
    bool SendHidCommand(uint8_t command);
    // Payload bytes of the next input report, at most capacity; 0 when none has come within
    // 1 ms. A read error closes the device.
    size_t ReadHid(uint8_t* buffer, size_t capacity);
    // As ReadHid, but without waiting when no report is there.
    size_t ReadHidNow(uint8_t* buffer, size_t capacity);
    bool WriteHid(const uint8_t* bytes, size_t length);
    // Returns the connection number the device held (0 when it was not open).
    int32_t CloseHid();

    bool IsOpen() const { return device_ != nullptr; }
    int32_t ConnectionNumber() const { return connectionNumber_; }
    const std::string& Name() const { return name_; }
    HidReportLengths ReportLengths() const { return lengths_; }

  private:
    bool WriteReport(const std::vector<uint8_t>& report);
    size_t ReadReport(uint8_t* buffer, size_t capacity, int waitMs);

    std::string name_;
    int32_t connectionNumber_ = 0;
    hid_device* device_ = nullptr;
    std::unique_ptr<HidReportWriter> writer_;  // while open; it closes the device
    HidReportLengths lengths_;
    uint8_t report_[kMaxHidReportLength] = {};
};

}  // namespace vesmor
