#include "transports/hid_report.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace vesmor {

namespace {

struct GlobalState {
    uint32_t reportSize = 0;   // bits per field
    uint32_t reportCount = 0;  // fields
    uint32_t reportId = 0;
};

uint32_t ItemValue(const uint8_t* data, size_t size) {
    uint32_t value = 0;
    for (size_t i = 0; i < size; ++i) {
        value |= static_cast<uint32_t>(data[i]) << (8 * i);
    }
    return value;
}

uint16_t BitsToLength(uint64_t bits) {
    // One byte for the report ID in front; lengths beyond what a report can be are capped so
    // the caller's limit check still sees them as too long.
    return static_cast<uint16_t>(std::min<uint64_t>((bits + 7) / 8 + 1, 0xFFFF));
}

}  // namespace

std::optional<HidReportLengths> ParseReportDescriptor(const uint8_t* descriptor, size_t size) {
    constexpr uint8_t kInput = 0x80, kOutput = 0x90, kReportSize = 0x74, kReportId = 0x84,
                      kReportCount = 0x94, kPush = 0xA4, kPop = 0xB4, kLongItem = 0xFE;
    GlobalState global;
    std::vector<GlobalState> stack;
    std::map<uint32_t, uint64_t> inputBits, outputBits;
    bool numbered = false;
    size_t at = 0;
    while (at < size) {
        const uint8_t prefix = descriptor[at];
        if (prefix == kLongItem) {
            if (at + 1 >= size) {
                break;
            }
            at += 3 + descriptor[at + 1];
            continue;
        }
        const size_t dataSize = (prefix & 0x03) == 3 ? 4 : (prefix & 0x03);
        if (at + 1 + dataSize > size) {
            break;
        }
        const uint32_t value = ItemValue(descriptor + at + 1, dataSize);
        switch (prefix & 0xFC) {
            case kInput:
                inputBits[global.reportId] += uint64_t{global.reportSize} * global.reportCount;
                break;
            case kOutput:
                outputBits[global.reportId] += uint64_t{global.reportSize} * global.reportCount;
                break;
            case kReportSize:
                global.reportSize = value;
                break;
            case kReportCount:
                global.reportCount = value;
                break;
            case kReportId:
                global.reportId = value;
                numbered = true;
                break;
            case kPush:
                stack.push_back(global);
                break;
            case kPop:
                if (!stack.empty()) {
                    global = stack.back();
                    stack.pop_back();
                }
                break;
            default:
                break;
        }
        at += 1 + dataSize;
    }
    if (inputBits.empty() && outputBits.empty()) {
        return std::nullopt;
    }
    const auto longest = [](const std::map<uint32_t, uint64_t>& bits) {
        uint64_t most = 0;
        for (const auto& [id, count] : bits) {
            most = std::max(most, count);
        }
        return most;
    };
    HidReportLengths lengths;
    lengths.input = BitsToLength(longest(inputBits));
    lengths.output = BitsToLength(longest(outputBits));
    lengths.numberedReports = numbered;
    return lengths;
}

std::vector<uint8_t> BuildDataReport(const uint8_t* payload, size_t n, uint16_t outputLength) {
    std::vector<uint8_t> report(std::max<size_t>(outputLength, n + 2), 0);
    report[1] = static_cast<uint8_t>(n);
    if (n > 0) {
        std::memcpy(report.data() + 2, payload, n);
    }
    return report;
}

std::vector<uint8_t> BuildControlReport(uint8_t command, uint16_t outputLength) {
    std::vector<uint8_t> report(std::max<size_t>(outputLength, 4), 0);
    report[1] = 0x82;
    report[2] = 0x10;
    report[3] = command;
    return report;
}

size_t CopyInputPayload(const uint8_t* report, size_t received, uint8_t* buffer, size_t capacity) {
    if (received < 2) {
        return 0;
    }
    const size_t count = std::min({static_cast<size_t>(report[1]), received - 2, capacity});
    if (count > 0) {
        std::memcpy(buffer, report + 2, count);
    }
    return count;
}

}  // namespace vesmor
