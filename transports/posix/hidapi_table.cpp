#include "transports/hidapi_table.h"

#include "transports/hid_device.h"

namespace vesmor {

namespace {

enum HidFunction : size_t {
    kInit,
    kEnumerate,
    kFreeEnumeration,
    kOpenPath,
    kWrite,
    kReadTimeout,
    kClose,
    kGetSerialNumberString,
    kError,
    kExit,
};

using InitFn = int (*)();
using ExitFn = int (*)();
using EnumerateFn = hid_device_info* (*)(unsigned short, unsigned short);
using FreeEnumerationFn = void (*)(hid_device_info*);
using OpenPathFn = hid_device* (*)(const char*);
using WriteFn = int (*)(hid_device*, const unsigned char*, size_t);
using ReadTimeoutFn = int (*)(hid_device*, unsigned char*, size_t, int);
using CloseFn = void (*)(hid_device*);
using GetSerialNumberStringFn = int (*)(hid_device*, wchar_t*, size_t);

}  // namespace

HidApi& HidApi::Instance() {
    static HidApi table;
    return table;
}

struct HidApi::Libraries {
    RuntimeLibrary library{
        "libhidapi-hidraw.so.0",
        "libhidapi-hidraw.so.0",
        "VESMOR_HIDAPI_LIB",
        {"hid_init", "hid_enumerate", "hid_free_enumeration", "hid_open_path", "hid_write",
         "hid_read_timeout", "hid_close", "hid_get_serial_number_string", "hid_error", "hid_exit"}};
    bool initialised = false;
};

HidApi::HidApi() : libraries_(std::make_unique<Libraries>()) {}

// hidapi keeps state of its own (the last error text, for one) until hid_exit.
HidApi::~HidApi() {
    Unload();
}

bool HidApi::Available() {
    std::lock_guard lock(mutex_);
    if (!libraries_->library.Load()) {
        return false;
    }
    for (size_t f = kEnumerate; f <= kGetSerialNumberString; ++f) {
        if (libraries_->library.Function(f) == nullptr) {
            return false;
        }
    }
    if (!libraries_->initialised) {
        if (auto init = libraries_->library.As<InitFn>(kInit)) {
            init();
        }
        libraries_->initialised = true;
    }
    return true;
}

void HidApi::Unload() {
    std::lock_guard lock(mutex_);
    if (auto exit = libraries_->library.As<ExitFn>(kExit); exit && libraries_->initialised) {
        exit();
    }
    libraries_->library.Unload();
    libraries_->initialised = false;
}

hid_device_info* HidApi::Enumerate(unsigned short vendorId, unsigned short productId) {
    auto f = libraries_->library.As<EnumerateFn>(kEnumerate);
    return f ? f(vendorId, productId) : nullptr;
}

void HidApi::FreeEnumeration(hid_device_info* devices) {
    if (auto f = libraries_->library.As<FreeEnumerationFn>(kFreeEnumeration); f && devices) {
        f(devices);
    }
}

hid_device* HidApi::OpenPath(const char* path) {
    auto f = libraries_->library.As<OpenPathFn>(kOpenPath);
    return f ? f(path) : nullptr;
}

int HidApi::Write(hid_device* device, const unsigned char* data, size_t length) {
    auto f = libraries_->library.As<WriteFn>(kWrite);
    return f ? f(device, data, length) : -1;
}

int HidApi::ReadTimeout(hid_device* device, unsigned char* data, size_t length, int milliseconds) {
    auto f = libraries_->library.As<ReadTimeoutFn>(kReadTimeout);
    return f ? f(device, data, length, milliseconds) : -1;
}

void HidApi::Close(hid_device* device) {
    if (auto f = libraries_->library.As<CloseFn>(kClose); f && device) {
        f(device);
    }
}

HidApi::WriteFunction HidApi::RawWrite() {
    return libraries_->library.As<WriteFunction>(kWrite);
}

HidApi::CloseFunction HidApi::RawClose() {
    return libraries_->library.As<CloseFunction>(kClose);
}

int HidApi::GetSerialNumberString(hid_device* device, wchar_t* text, size_t maxLength) {
    auto f = libraries_->library.As<GetSerialNumberStringFn>(kGetSerialNumberString);
    return f ? f(device, text, maxLength) : -1;
}

// hidraw gives the device's report descriptor in sysfs, and leaves the report ID out of the
// reports of a device that does not number them.
std::optional<HidReportLengths> HidApi::ReportLengths(hid_device* /*device*/,
                                                      const std::string& path) {
    const std::vector<uint8_t> descriptor = ReadHidrawReportDescriptor(path);
    return ParseReportDescriptor(descriptor.data(), descriptor.size());
}

}  // namespace vesmor
