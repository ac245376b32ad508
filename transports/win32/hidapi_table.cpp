// HID devices through hid.dll and SetupAPI, both loaded at run time. SetupAPI lists the
// interfaces of the HID class; hid.dll reads a device's attributes, strings and capabilities.
// Reports travel as overlapped reads and writes on the device handle, as the class driver
// wants them: every report whole, its report ID in byte 0.

#include "transports/hidapi_table.h"

#include <windows.h>

#include <hidsdi.h>
#include <setupapi.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "transports/hid_device.h"
#include "transports/win32/overlapped_reports.h"

// An open device: its handle, its report lengths from the capabilities, its report I/O.
struct hid_device_ {
    hid_device_(HANDLE h, vesmor::HidReportLengths l)
        : handle(h), lengths(l), reports(h, l.input) {}
    ~hid_device_() {
        reports.CancelRead();
        CloseHandle(handle);
    }
    const HANDLE handle;
    const vesmor::HidReportLengths lengths;
    vesmor::OverlappedReports reports;
};

namespace vesmor {

namespace {

using GetHidGuidFn = void(WINAPI*)(LPGUID);
using GetAttributesFn = BOOLEAN(WINAPI*)(HANDLE, PHIDD_ATTRIBUTES);
using GetStringFn = BOOLEAN(WINAPI*)(HANDLE, PVOID, ULONG);
using GetPreparsedDataFn = BOOLEAN(WINAPI*)(HANDLE, PHIDP_PREPARSED_DATA*);
using FreePreparsedDataFn = BOOLEAN(WINAPI*)(PHIDP_PREPARSED_DATA);
using GetCapsFn = NTSTATUS(WINAPI*)(PHIDP_PREPARSED_DATA, PHIDP_CAPS);
using GetClassDevsFn = HDEVINFO(WINAPI*)(const GUID*, PCSTR, HWND, DWORD);
using DestroyListFn = BOOL(WINAPI*)(HDEVINFO);
using EnumInterfacesFn = BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, const GUID*, DWORD,
                                       PSP_DEVICE_INTERFACE_DATA);
using InterfaceDetailFn = BOOL(WINAPI*)(HDEVINFO, PSP_DEVICE_INTERFACE_DATA,
                                        PSP_DEVICE_INTERFACE_DETAIL_DATA_A, DWORD, PDWORD,
                                        PSP_DEVINFO_DATA);

enum HidFunction : size_t {
    kGetHidGuid,
    kGetAttributes,
    kGetSerialNumberString,
    kGetProductString,
    kGetManufacturerString,
    kGetPreparsedData,
    kFreePreparsedData,
    kGetCaps,
};

enum SetupFunction : size_t {
    kGetClassDevs,
    kDestroyList,
    kEnumInterfaces,
    kInterfaceDetail,
};

// Serial number, product and manufacturer strings: USB string descriptors hold at most 126
// characters.
constexpr size_t kStringCharacters = 127;

// The interface number in a device path ("...&mi_01#..."), -1 when the path names none.
int InterfaceNumber(const std::string& path) {
    for (size_t at = 0; (at = path.find("&mi_", at)) != std::string::npos; ++at) {
        char* end = nullptr;
        const long number = std::strtol(path.c_str() + at + 4, &end, 16);
        if (end == path.c_str() + at + 6) {
            return static_cast<int>(number);
        }
    }
    return -1;
}

wchar_t* CopyText(const wchar_t* text) {
    const size_t n = std::wcslen(text) + 1;
    auto* copy = static_cast<wchar_t*>(std::malloc(n * sizeof(wchar_t)));
    if (copy != nullptr) {
        std::memcpy(copy, text, n * sizeof(wchar_t));
    }
    return copy;
}

int WriteReport(hid_device* device, const unsigned char* data, size_t length) {
    // The class driver takes only whole output reports: a shorter one is padded with zeros.
    std::vector<uint8_t> report(data, data + length);
    if (report.size() < device->lengths.output) {
        report.resize(device->lengths.output);
    }
    return device->reports.Write(report.data(), report.size(), CHidDevice::kWriteTimeoutMs);
}

void CloseDevice(hid_device* device) {
    delete device;
}

}  // namespace

struct HidApi::Libraries {
    RuntimeLibrary hid{"hid.dll",
                       "hid.dll",
                       "VESMOR_HID_LIB",
                       {"HidD_GetHidGuid", "HidD_GetAttributes", "HidD_GetSerialNumberString",
                        "HidD_GetProductString", "HidD_GetManufacturerString",
                        "HidD_GetPreparsedData", "HidD_FreePreparsedData", "HidP_GetCaps"}};
    RuntimeLibrary setup{"SetupApi.dll",
                         "SetupApi.dll",
                         nullptr,
                         {"SetupDiGetClassDevsA", "SetupDiDestroyDeviceInfoList",
                          "SetupDiEnumDeviceInterfaces", "SetupDiGetDeviceInterfaceDetailA"}};

    bool Complete() const {
        for (size_t f : {kGetHidGuid, kGetAttributes, kGetSerialNumberString}) {
            if (hid.Function(f) == nullptr) {
                return false;
            }
        }
        for (size_t f : {kGetClassDevs, kDestroyList, kEnumInterfaces, kInterfaceDetail}) {
            if (setup.Function(f) == nullptr) {
                return false;
            }
        }
        return true;
    }

    // The device path of one interface: asked for its size first, then filled in.
    std::string InterfacePath(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& entry) const {
        const auto detail = setup.As<InterfaceDetailFn>(kInterfaceDetail);
        DWORD size = 0;
        detail(set, &entry, nullptr, 0, &size, nullptr);
        if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
            return {};
        }
        std::vector<DWORD> record((size + sizeof(DWORD) - 1) / sizeof(DWORD));
        auto* data = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(record.data());
        data->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        if (!detail(set, &entry, data, size, nullptr, nullptr)) {
            return {};
        }
        return data->DevicePath;
    }

    // A copy of one of the device's strings, nullptr when it has none or it cannot be read.
    wchar_t* Text(HidFunction function, HANDLE device) const {
        wchar_t text[kStringCharacters] = {};
        const auto get = hid.As<GetStringFn>(function);
        if (get == nullptr || !get(device, text, sizeof text - sizeof(wchar_t))) {
            return nullptr;
        }
        return CopyText(text);
    }

    // The top-level collection's capabilities, when hid.dll has the functions and gives them.
    bool Capabilities(HANDLE device, HIDP_CAPS& caps) const {
        const auto get = hid.As<GetPreparsedDataFn>(kGetPreparsedData);
        const auto free = hid.As<FreePreparsedDataFn>(kFreePreparsedData);
        const auto getCaps = hid.As<GetCapsFn>(kGetCaps);
        PHIDP_PREPARSED_DATA data = nullptr;
        if (get == nullptr || free == nullptr || getCaps == nullptr || !get(device, &data)) {
            return false;
        }
        const bool ok = getCaps(data, &caps) == HIDP_STATUS_SUCCESS;
        free(data);
        return ok;
    }

    // The entry of one interface, when it opens and its IDs match (0: any).
    hid_device_info* Describe(const std::string& path, unsigned short vendorId,
                              unsigned short productId) const {
        // No access is asked for: the attributes, strings and capabilities need none, and a
        // device that another program holds can still be listed.
        const HANDLE device = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, 0, nullptr);
        if (device == INVALID_HANDLE_VALUE) {
            return nullptr;
        }
        HIDD_ATTRIBUTES attributes{};
        attributes.Size = sizeof attributes;
        hid_device_info* info = nullptr;
        if (hid.As<GetAttributesFn>(kGetAttributes)(device, &attributes) &&
            (vendorId == 0 || attributes.VendorID == vendorId) &&
            (productId == 0 || attributes.ProductID == productId)) {
            info = new hid_device_info{};
            info->path = _strdup(path.c_str());
            info->vendor_id = attributes.VendorID;
            info->product_id = attributes.ProductID;
            info->release_number = attributes.VersionNumber;
            info->serial_number = Text(kGetSerialNumberString, device);
            info->manufacturer_string = Text(kGetManufacturerString, device);
            info->product_string = Text(kGetProductString, device);
            HIDP_CAPS caps{};
            if (Capabilities(device, caps)) {
                info->usage_page = caps.UsagePage;
                info->usage = caps.Usage;
            }
            info->interface_number = InterfaceNumber(path);
            info->bus_type = HID_API_BUS_UNKNOWN;
        }
        CloseHandle(device);
        return info;
    }
};

HidApi& HidApi::Instance() {
    static HidApi table;
    return table;
}

HidApi::HidApi() : libraries_(std::make_unique<Libraries>()) {}

HidApi::~HidApi() {
    Unload();
}

bool HidApi::Available() {
    std::lock_guard lock(mutex_);
    const bool hid = libraries_->hid.Load();
    const bool setup = libraries_->setup.Load();
    return hid && setup && libraries_->Complete();
}

void HidApi::Unload() {
    std::lock_guard lock(mutex_);
    libraries_->hid.Unload();
    libraries_->setup.Unload();
}

hid_device_info* HidApi::Enumerate(unsigned short vendorId, unsigned short productId) {
    const Libraries& l = *libraries_;
    if (!l.Complete()) {
        return nullptr;
    }
    GUID guid{};
    l.hid.As<GetHidGuidFn>(kGetHidGuid)(&guid);
    const HDEVINFO set = l.setup.As<GetClassDevsFn>(kGetClassDevs)(
        &guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    hid_device_info* first = nullptr;
    hid_device_info** last = &first;
    SP_DEVICE_INTERFACE_DATA entry{};
    entry.cbSize = sizeof entry;
    const auto next = l.setup.As<EnumInterfacesFn>(kEnumInterfaces);
    for (DWORD index = 0; next(set, nullptr, &guid, index, &entry); ++index) {
        const std::string path = l.InterfacePath(set, entry);
        if (path.empty()) {
            continue;
        }
        if (hid_device_info* info = l.Describe(path, vendorId, productId)) {
            *last = info;
            last = &info->next;
        }
    }
    l.setup.As<DestroyListFn>(kDestroyList)(set);
    return first;
}

void HidApi::FreeEnumeration(hid_device_info* devices) {
    while (devices != nullptr) {
        hid_device_info* const next = devices->next;
        std::free(devices->path);
        std::free(devices->serial_number);
        std::free(devices->manufacturer_string);
        std::free(devices->product_string);
        delete devices;
        devices = next;
    }
}

hid_device* HidApi::OpenPath(const char* path) {
    const HANDLE handle =
        CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    // hid.dll counts the report ID in both lengths and puts it in front of every input report.
    HidReportLengths lengths;
    lengths.numberedReports = true;
    if (HIDP_CAPS caps{}; libraries_->Capabilities(handle, caps)) {
        lengths.input = caps.InputReportByteLength;
        lengths.output = caps.OutputReportByteLength;
    }
    auto* device = new hid_device_(handle, lengths);
    if (!device->reports.IsValid()) {
        delete device;
        return nullptr;
    }
    return device;
}

int HidApi::Write(hid_device* device, const unsigned char* data, size_t length) {
    return WriteReport(device, data, length);
}

int HidApi::ReadTimeout(hid_device* device, unsigned char* data, size_t length, int milliseconds) {
    const DWORD wait = milliseconds < 0 ? INFINITE : static_cast<DWORD>(milliseconds);
    return device->reports.Read(data, length, wait);
}

void HidApi::Close(hid_device* device) {
    CloseDevice(device);
}

// Both work on the device alone, without the loaded libraries.
HidApi::WriteFunction HidApi::RawWrite() {
    return WriteReport;
}

HidApi::CloseFunction HidApi::RawClose() {
    return CloseDevice;
}

int HidApi::GetSerialNumberString(hid_device* device, wchar_t* text, size_t maxLength) {
    const auto get = libraries_->hid.As<GetStringFn>(kGetSerialNumberString);
    if (get == nullptr || maxLength == 0) {
        return -1;
    }
    const ULONG bytes = static_cast<ULONG>(maxLength * sizeof(wchar_t));
    if (!get(device->handle, text, bytes)) {
        return -1;
    }
    text[maxLength - 1] = L'\0';  // a string that fills the buffer ends without one
    return 0;
}

std::optional<HidReportLengths> HidApi::ReportLengths(hid_device* device,
                                                      const std::string& /*path*/) {
    return device->lengths;
}

}  // namespace vesmor
