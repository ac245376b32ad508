// HID readers' reports: report descriptors as sysfs offers them (the lengths they give, and the
// file read under the node's name), and input reports of any length and content read through
// an open device (the fake hidapi library, with unnumbered 9-byte and numbered 65-byte reports).
// Checked: a descriptor built from known sizes gives those lengths, only the reader's own nodes
// give a descriptor, a read copies exactly min(count byte, bytes received, capacity) payload
// bytes and nothing beyond the capacity, and a data report reads back as its payload.
//
// Input: a flags byte (bit 0: the numbered device; bits 1..7: the read capacity), Report Size,
// the input and output Report Counts and a Report ID (0: none) of a built descriptor, then
// segments (a length byte, that many bytes): the first is a report descriptor and a node name,
// every further one an input report as hidraw delivers it.

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "transports/hid_device.h"
#include "transports/hid_report.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Require(bool holds) {
    if (!holds) {
        __builtin_trap();
    }
}

// An 8-bit vendor descriptor with `bytes` in each direction, with or without report ID 1.
Bytes VendorDescriptor(uint8_t bytes, bool numbered) {
    Bytes d = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01};
    if (numbered) {
        d.insert(d.end(), {0x85, 0x01});
    }
    d.insert(d.end(), {0x75, 0x08, 0x95, bytes, 0x09, 0x01, 0x81, 0x02, 0x95, bytes, 0x09, 0x01,
                       0x91, 0x02, 0xC0});
    return d;
}

// The two readers, opened once: a sysfs tree with their descriptors and the fake library.
struct Readers {
    Readers() {
        root = (::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
        root += "/vesmor-fuzz-hid-" + std::to_string(::getpid());
        for (int i = 0; i < 2; ++i) {
            const std::filesystem::path dir = std::filesystem::path(root) / "class/hidraw" /
                                              ("hidraw" + std::to_string(i)) / "device";
            std::filesystem::create_directories(dir);
            descriptors[i] = VendorDescriptor(i == 0 ? 8 : 64, i == 1);
            std::ofstream(dir / "report_descriptor", std::ios::binary)
                .write(reinterpret_cast<const char*>(descriptors[i].data()),
                       static_cast<std::streamsize>(descriptors[i].size()));
        }
        ::setenv("VESMOR_SYSFS_ROOT", root.c_str(), 1);
        ::setenv("VESMOR_HIDAPI_LIB", FAKE_HIDAPI_PATH, 1);
        ::setenv("VESMOR_FAKE_HID",
                 "serial=FZ-0 path=/dev/hidraw0 input=9 output=9; "
                 "serial=FZ-1 path=/dev/hidraw1 input=65 output=65",
                 1);
        library = ::dlopen(FAKE_HIDAPI_PATH, RTLD_NOW | RTLD_LOCAL);
        Require(library != nullptr);
        push = reinterpret_cast<void (*)(int, const unsigned char*, int)>(
            ::dlsym(library, "fake_hid_push_input"));
        Require(push != nullptr);
        Require(devices[0].OpenHidByName("FZ-0 HID") && devices[1].OpenHidByName("FZ-1 HID"));
        Require(!devices[0].ReportLengths().numberedReports &&
                devices[1].ReportLengths().numberedReports);
        Require(devices[0].ReportLengths().input == 9 && devices[1].ReportLengths().input == 65);
    }
    ~Readers() {
        devices[0].CloseHid();
        devices[1].CloseHid();
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    std::string root;
    Bytes descriptors[2];
    void* library = nullptr;
    void (*push)(int, const unsigned char*, int) = nullptr;
    vesmor::CHidDevice devices[2];
};

void CheckBuiltDescriptor(uint8_t reportSize, uint8_t inputCount, uint8_t outputCount,
                          uint8_t reportId) {
    Bytes d;
    if (reportId != 0) {
        d.insert(d.end(), {0x85, reportId});
    }
    d.insert(d.end(),
             {0x75, reportSize, 0x95, inputCount, 0x81, 0x02, 0x95, outputCount, 0x91, 0x02});
    const auto lengths = vesmor::ParseReportDescriptor(d.data(), d.size());
    Require(lengths.has_value());
    Require(lengths->input == (reportSize * inputCount + 7) / 8 + 1);
    Require(lengths->output == (reportSize * outputCount + 7) / 8 + 1);
    Require(lengths->numberedReports == (reportId != 0));
    // Whatever Push and Pop do around it, the same fields give the same lengths.
    Bytes wrapped = {0xA4};
    wrapped.insert(wrapped.end(), d.begin(), d.end());
    wrapped.insert(wrapped.end(), {0xB4, 0xB4, 0x75, 0x00});
    const auto again = vesmor::ParseReportDescriptor(wrapped.data(), wrapped.size());
    Require(again && again->input == lengths->input && again->output == lengths->output);
}

void CheckSysfsDescriptor(const Readers& readers, const std::string& name) {
    const Bytes read = vesmor::ReadHidrawReportDescriptor("/dev/" + name);
    const std::string node = name.substr(name.rfind('/') + 1);
    if (node == "hidraw0" || node == "hidraw1") {
        Require(read == readers.descriptors[node == "hidraw1"]);
    } else {
        Require(read.empty());
    }
}

void CheckRead(Readers& readers, int which, const Bytes& report, size_t capacity) {
    vesmor::CHidDevice& device = readers.devices[which];
    const bool numbered = which == 1;
    readers.push(which, report.data(), static_cast<int>(report.size()));
    uint8_t buffer[160];  // beyond every capacity the input can ask for
    std::memset(buffer, 0xA5, sizeof buffer);
    const size_t n = device.ReadHid(buffer, capacity);
    Require(device.IsOpen());
    // hidraw leaves out the report ID of unnumbered reports: the count byte comes first then.
    const size_t got = std::min<size_t>(report.size(), numbered ? 65 : 8);
    const size_t received = got + (numbered ? 0 : 1);
    const size_t countAt = numbered ? 1 : 0;
    size_t expected = 0;
    if (got > 0 && received >= 2) {
        expected = std::min<size_t>({report[countAt], received - 2, capacity});
    }
    Require(n == expected);
    Require(n == 0 || std::equal(buffer, buffer + n, report.data() + countAt + 1));
    Require(std::all_of(buffer + n, buffer + sizeof buffer, [](uint8_t b) { return b == 0xA5; }));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Readers readers;
    if (size < 5) {
        return 0;
    }
    const int which = data[0] & 1;
    const size_t capacity = data[0] >> 1;
    CheckBuiltDescriptor(data[1], data[2], data[3], data[4]);

    std::vector<Bytes> segments;
    for (size_t at = 5; at < size;) {
        const size_t wanted = data[at++];
        const size_t length = std::min(wanted, size - at);
        segments.emplace_back(data + at, data + at + length);
        at += length;
    }
    if (segments.empty()) {
        return 0;
    }
    const Bytes& descriptor = segments[0];
    if (const auto lengths = vesmor::ParseReportDescriptor(descriptor.data(), descriptor.size())) {
        Require(lengths->input >= 1 && lengths->output >= 1);
    }
    // A device path is a C string: it ends at the first NUL.
    const auto end = std::find(descriptor.begin(), descriptor.end(), 0);
    CheckSysfsDescriptor(readers, std::string(descriptor.begin(), end));
    for (size_t i = 1; i < segments.size(); ++i) {
        CheckRead(readers, which, segments[i], capacity);
    }
    // A data report as the host sends it reads back as its payload.
    const uint16_t outputLength = which ? 65 : 9;
    const size_t n = std::min<size_t>(descriptor.size(), outputLength - 2u);
    const Bytes report = vesmor::BuildDataReport(descriptor.data(), n, outputLength);
    Require(report.size() == outputLength);
    uint8_t payload[64];
    Require(vesmor::CopyInputPayload(report.data(), report.size(), payload, sizeof payload) == n &&
            std::equal(payload, payload + n, descriptor.begin()));
    return 0;
}
