#include "transports/hid_device.h"

#include "transports/connection_numbers.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>

#include "transports/sysfs_tree.h"

namespace vesmor {

namespace {

constexpr int32_t kFirstHidConnectionNumber = 10001;
// The serial number is read into 50 bytes of UTF-16 text: 24 characters and the terminator.
constexpr size_t kSerialCharacters = 25;
constexpr const char* kUnreadableSerial = "0000-????";
constexpr const char* kHidSuffix = " HID";
constexpr int kReadWaitMs = 1;

// Made before main, so that it outlives the ports the library closes while the program ends.
NumberPool g_hidNumbers(kFirstHidConnectionNumber);

NumberPool& HidNumbers() {
    return g_hidNumbers;
}

void AppendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x110000) {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += '?';
    }
}

// The device name of an open interface: its serial number followed by " HID".
std::string DeviceName(HidApi& api, hid_device* device) {
    wchar_t serial[kSerialCharacters] = {};
    std::string name;
    if (api.GetSerialNumberString(device, serial, kSerialCharacters) < 0 || serial[0] == L'\0') {
        name = kUnreadableSerial;
    } else {
        for (size_t i = 0; i < kSerialCharacters && serial[i] != L'\0'; ++i) {
            AppendUtf8(name, static_cast<uint32_t>(serial[i]));
        }
    }
    return name + kHidSuffix;
}

// Calls visit(path, opened device, name) for every HID reader interface that opens; visit
// returns true to keep the device open and stop.
template <class Visit>
bool ForEachReader(HidApi& api, Visit visit) {
    hid_device_info* const devices = api.Enumerate(0, 0);
    bool kept = false;
    for (hid_device_info* info = devices; info != nullptr && !kept; info = info->next) {
        if (info->path == nullptr || !IsHidReader(info->vendor_id, info->product_id)) {
            continue;
        }
        hid_device* const device = api.OpenPath(info->path);
        if (device == nullptr) {
            continue;  // in use elsewhere, or no access
        }
        if (visit(std::string(info->path), device, DeviceName(api, device))) {
            kept = true;
        } else {
            api.Close(device);
        }
    }
    api.FreeEnumeration(devices);
    return kept;
}

}  // namespace

bool IsHidReader(uint16_t vendorId, uint16_t productId) {
    if (vendorId == 0x16C0) {
        return productId == 0x2913;
    }
    if (vendorId == 0x1C40) {
        return productId == 0x05AB || productId == 0x05AD || productId == 0x05AE ||
               productId == 0x05AF;
    }
    return false;
}

int32_t AcquireHidConnectionNumber() {
    return HidNumbers().Acquire();
}

void ReleaseHidConnectionNumber(int32_t number) {
    HidNumbers().Release(number);
}

void ListHidReaders(std::vector<std::string>& names) {
    HidApi& api = HidApi::Instance();
    if (!api.Available()) {
        return;
    }
    ForEachReader(api, [&](const std::string&, hid_device*, const std::string& name) {
        if (std::find(names.begin(), names.end(), name) == names.end()) {
            names.push_back(name);
        }
        return false;
    });
}

std::vector<uint8_t> ReadHidrawReportDescriptor(const std::string& devicePath) {
    const size_t slash = devicePath.rfind('/');
    const std::string node = slash == std::string::npos ? devicePath : devicePath.substr(slash + 1);
    if (node.empty() || node.find("..") != std::string::npos) {
        return {};
    }
    const SysfsTree tree = SysfsTree::FromEnvironment();
    const std::optional<std::string> file =
        tree.Resolve("class/hidraw/" + node + "/device/report_descriptor");
    if (!file) {
        return {};
    }
    std::ifstream in(tree.HostPath(*file), std::ios::binary);
    // A report descriptor is at most 4096 bytes (HID_MAX_DESCRIPTOR_SIZE).
    std::vector<uint8_t> bytes;
    char c;
    while (bytes.size() < 4096 && in.get(c)) {
        bytes.push_back(static_cast<uint8_t>(c));
    }
    return bytes;
}

bool CHidDevice::OpenHidByName(const std::string& name) {
    HidApi& api = HidApi::Instance();
    if (!api.Available()) {
        return false;
    }
    CloseHid();
    std::string path;
    const bool found = ForEachReader(api, [&](const std::string& candidatePath, hid_device* device,
                                              const std::string& candidateName) {
        if (candidateName != name) {
            return false;
        }
        path = candidatePath;
        device_ = device;
        return true;
    });
    if (!found) {
        return false;
    }
    lengths_ = HidReportLengths{};
    if (const auto lengths = api.ReportLengths(device_, path)) {
        lengths_ = *lengths;
    }
    // The report buffers hold 65 bytes; a device with longer reports is not one of ours.
    if (lengths_.input > kMaxHidReportLength || lengths_.output > kMaxHidReportLength ||
        lengths_.input < 2 || lengths_.output < 3) {
        api.Close(device_);
        device_ = nullptr;
        return false;
    }
    name_ = name;
    writer_ = std::make_unique<HidReportWriter>(device_);
    connectionNumber_ = AcquireHidConnectionNumber();
    return true;
}

bool CHidDevice::WriteReport(const std::vector<uint8_t>& report) {
    return writer_ && writer_->Write(report, std::chrono::milliseconds(kWriteTimeoutMs));
}

bool CHidDevice::SendHidCommand(uint8_t command) {
    if (device_ == nullptr) {
        return false;
    }
    return WriteReport(BuildControlReport(command, lengths_.output));
}

bool CHidDevice::WriteHid(const uint8_t* bytes, size_t length) {
    if (device_ == nullptr) {
        return false;
    }
    const size_t chunk = lengths_.output - 2u;
    for (size_t at = 0; at < length; at += chunk) {
        const size_t n = std::min(chunk, length - at);
        if (!WriteReport(BuildDataReport(bytes + at, n, lengths_.output))) {
            return false;
        }
    }
    return true;
}

size_t CHidDevice::ReadHid(uint8_t* buffer, size_t capacity) {
    return ReadReport(buffer, capacity, kReadWaitMs);
}

size_t CHidDevice::ReadHidNow(uint8_t* buffer, size_t capacity) {
    return ReadReport(buffer, capacity, 0);
}

size_t CHidDevice::ReadReport(uint8_t* buffer, size_t capacity, int waitMs) {
    if (device_ == nullptr) {
        return 0;
    }
    // Reads of unnumbered reports (hidraw) leave the report ID out: it goes in front here.
    const size_t offset = lengths_.numberedReports ? 0 : 1;
    report_[0] = 0;
    const int got =
        HidApi::Instance().ReadTimeout(device_, report_ + offset, lengths_.input - offset, waitMs);
    if (got < 0) {
        CloseHid();
        return 0;
    }
    if (got == 0) {
        return 0;
    }
    return CopyInputPayload(report_, static_cast<size_t>(got) + offset, buffer, capacity);
}

int32_t CHidDevice::CloseHid() {
    if (writer_) {
        writer_->Close();  // closes the device, at once or once a stuck write returns
        writer_.reset();
    } else if (device_ != nullptr) {
        HidApi::Instance().Close(device_);
    }
    device_ = nullptr;
    const int32_t number = connectionNumber_;
    if (number != 0) {
        ReleaseHidConnectionNumber(number);
        connectionNumber_ = 0;
    }
    name_.clear();
    return number;
}

}  // namespace vesmor
