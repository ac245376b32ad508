#pragma once
// The HID readers' report layout and the report lengths a device's report descriptor gives.
// Lengths count the report ID byte in front, as the readers' documentation counts them: a
// reader with 8-byte reports has report lengths of 9.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace vesmor {

// Longest report the transport handles: the report ID and 64 bytes.
constexpr size_t kMaxHidReportLength = 65;
// Lengths assumed when the report descriptor cannot be read.
constexpr uint16_t kDefaultHidReportLength = 9;

struct HidReportLengths {
    uint16_t input = kDefaultHidReportLength;
    uint16_t output = kDefaultHidReportLength;
    // The device numbers its reports: reads deliver the report ID first.
    bool numberedReports = false;
};

// Longest input and output report of a report descriptor (main items Input and Output, with
// the global Report Size, Report Count and Report ID items, Push and Pop); nullopt when the
// descriptor declares neither.
std::optional<HidReportLengths> ParseReportDescriptor(const uint8_t* descriptor, size_t size);

// A data report: 00, n, n payload bytes, zeros up to outputLength. n is at most
// outputLength - 2.
std::vector<uint8_t> BuildDataReport(const uint8_t* payload, size_t n, uint16_t outputLength);

// The control report that starts (0) or stops (1) a reader: 00 82 10 c, zeros up to the output
// report length, at least 4 bytes.
std::vector<uint8_t> BuildControlReport(uint8_t command, uint16_t outputLength);

// The payload of an input report (report ID first) of `received` bytes: the first
// min(report[1], received - 2) bytes from byte 2, at most capacity. Returns the count copied.
size_t CopyInputPayload(const uint8_t* report, size_t received, uint8_t* buffer, size_t capacity);

}  // namespace vesmor
