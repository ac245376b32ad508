// The serial ports and the missing-driver check through SetupAPI, loaded at run time from
// SETUPAPI.DLL by each call and released before it returns. Without SetupAPI (or without a
// usable "Ports" class) the port list falls back to probing COM1 to COM256, which finds only
// ports no other program holds.

#include "transports/system_ports.h"

#include <windows.h>
#include <setupapi.h>

#include <cstdlib>
#include <cstring>

#include "transports/runtime_library.h"
#include "transports/usb_driver_check.h"

namespace vesmor {

namespace {

constexpr int kHighestProbedPort = 256;

using OpenDevRegKey = HKEY(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, DWORD, DWORD, DWORD, REGSAM);
using ClassGuidsFromName = BOOL(WINAPI*)(PCSTR, LPGUID, DWORD, PDWORD);
using GetClassDevs = HDEVINFO(WINAPI*)(const GUID*, PCSTR, HWND, DWORD);
using GetRegistryProperty = BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, DWORD, PDWORD, PBYTE,
                                          DWORD, PDWORD);
using DestroyList = BOOL(WINAPI*)(HDEVINFO);
using EnumDeviceInfo = BOOL(WINAPI*)(HDEVINFO, DWORD, PSP_DEVINFO_DATA);

enum SetupFunction : size_t {
    kOpenDevRegKey,
    kClassGuidsFromName,
    kGetClassDevs,
    kGetRegistryProperty,
    kDestroyList,
    kEnumDeviceInfo,
};

RuntimeLibrary SetupApi() {
    return RuntimeLibrary("SETUPAPI.DLL", "SETUPAPI.DLL", nullptr,
                          {"SetupDiOpenDevRegKey", "SetupDiClassGuidsFromNameA",
                           "SetupDiGetClassDevsA", "SetupDiGetDeviceRegistryPropertyA",
                           "SetupDiDestroyDeviceInfoList", "SetupDiEnumDeviceInfo"});
}

bool HasAll(const RuntimeLibrary& library, std::initializer_list<SetupFunction> functions) {
    for (const SetupFunction f : functions) {
        if (library.Function(f) == nullptr) {
            SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
            return false;
        }
    }
    return true;
}

// A registry text property of a device; "" when it is missing or of another type.
std::string TextProperty(const RuntimeLibrary& setup, HDEVINFO set, SP_DEVINFO_DATA& device,
                         DWORD property, DWORD wantedType) {
    char value[257] = {};
    DWORD type = 0;
    if (!setup.As<GetRegistryProperty>(kGetRegistryProperty)(
            set, &device, property, &type, reinterpret_cast<PBYTE>(value), 256, nullptr) ||
        type != wantedType) {
        return {};
    }
    return value;
}

int PortNumber(const std::string& name) {
    return std::atoi(name.c_str() + 7);  // after "\\.\COM"
}

void InsertByNumber(std::vector<std::string>& list, std::string name) {
    const int number = PortNumber(name);
    auto at = list.begin();
    while (at != list.end() && PortNumber(*at) <= number) {
        ++at;
    }
    list.insert(at, std::move(name));
}

// A port is listed when its PortName is a REG_SZ longer than "COM" that begins with it.
std::string PortNameOf(const RuntimeLibrary& setup, HDEVINFO set, SP_DEVINFO_DATA& device) {
    const HKEY key = setup.As<OpenDevRegKey>(kOpenDevRegKey)(set, &device, DICS_FLAG_GLOBAL, 0,
                                                             DIREG_DEV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE) {
        return {};
    }
    char value[257] = {};
    DWORD type = 0;
    DWORD size = 256;
    const LONG result =
        RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<LPBYTE>(value), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ || std::strlen(value) <= 3 ||
        std::strncmp(value, "COM", 3) != 0) {
        return {};
    }
    return value;
}

bool ListWithSetupApi(std::vector<std::string>& list) {
    RuntimeLibrary setup = SetupApi();
    if (!setup.Load() || !HasAll(setup, {kOpenDevRegKey, kClassGuidsFromName, kGetClassDevs,
                                         kGetRegistryProperty, kDestroyList, kEnumDeviceInfo})) {
        return false;
    }
    DWORD count = 0;
    setup.As<ClassGuidsFromName>(kClassGuidsFromName)("Ports", nullptr, 0, &count);
    if (count == 0) {
        return false;
    }
    std::vector<GUID> guids(count);
    if (!setup.As<ClassGuidsFromName>(kClassGuidsFromName)("Ports", guids.data(), count, &count)) {
        return false;
    }
    const HDEVINFO set = setup.As<GetClassDevs>(kGetClassDevs)(&guids[0], nullptr, nullptr,
                                                               DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) {
        return false;
    }
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; setup.As<EnumDeviceInfo>(kEnumDeviceInfo)(set, index, &device);
         ++index) {
        const std::string port = PortNameOf(setup, set, device);
        if (port.empty()) {
            continue;
        }
        std::string name = "\\\\.\\" + port;
        const std::string description = TextProperty(setup, set, device, SPDRP_DEVICEDESC, REG_SZ);
        if (description.starts_with("Vek") || description.starts_with("QM-4")) {
            name += " [" + description + "]";
        } else {
            const std::string ids = TextProperty(setup, set, device, SPDRP_HARDWAREID, REG_MULTI_SZ);
            if (ids.find("VID_1C40") != std::string::npos &&
                ids.find("PID_05AC") != std::string::npos) {
                name += " [Vek Virtual COM]";
            }
        }
        InsertByNumber(list, std::move(name));
    }
    setup.As<DestroyList>(kDestroyList)(set);
    return true;
}

void ListByProbing(std::vector<std::string>& list) {
    list.clear();
    for (int number = 1; number <= kHighestProbedPort; ++number) {
        const std::string name = "\\\\.\\COM" + std::to_string(number);
        const HANDLE port = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
        if (port != INVALID_HANDLE_VALUE) {
            CloseHandle(port);
            list.push_back(name);
        }
    }
}

// Whether the device has a driver: asking for its driver key without a buffer fails with
// ERROR_INSUFFICIENT_BUFFER when there is one.
bool HasDriver(const RuntimeLibrary& setup, HDEVINFO set, SP_DEVINFO_DATA& device) {
    DWORD needed = 0;
    if (setup.As<GetRegistryProperty>(kGetRegistryProperty)(set, &device, SPDRP_DRIVER, nullptr,
                                                             nullptr, 0, &needed)) {
        return true;
    }
    return GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}

}  // namespace

std::vector<std::string> SystemSerialPorts() {
    std::vector<std::string> list;
    if (!ListWithSetupApi(list)) {
        ListByProbing(list);
    }
    return list;
}

int32_t SystemMissingDrivers(bool d2xxLibraryLoadable) {
    RuntimeLibrary setup = SetupApi();
    if (!setup.Load() ||
        !HasAll(setup, {kGetClassDevs, kGetRegistryProperty, kDestroyList, kEnumDeviceInfo})) {
        return 0;
    }
    const HDEVINFO set = setup.As<GetClassDevs>(kGetClassDevs)(nullptr, "USB", nullptr,
                                                               DIGCF_PRESENT | DIGCF_ALLCLASSES);
    if (set == INVALID_HANDLE_VALUE) {
        return 0;
    }
    int32_t bits = 0;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; setup.As<EnumDeviceInfo>(kEnumDeviceInfo)(set, index, &device);
         ++index) {
        const std::string ids = TextProperty(setup, set, device, SPDRP_HARDWAREID, REG_MULTI_SZ);
        const auto has = [&ids](const char* part) { return ids.find(part) != std::string::npos; };
        if (has("VID_1C40") && has("PID_05AC")) {
            if (!HasDriver(setup, set, device)) {
                bits |= kVirtualComReaderWithoutDriver;
            }
        } else if (has("VID_0403") && has("PID_E130")) {
            // The D2XX library drives the FTDI reader from user space where it is present.
            if (!d2xxLibraryLoadable && !HasDriver(setup, set, device)) {
                bits |= kFtdiReaderWithoutDriver;
            }
        }
    }
    setup.As<DestroyList>(kDestroyList)(set);
    return bits;
}

bool SystemHasVirtualComDriver() {
    // Windows 10 and later bring the class driver of USB CDC devices (usbser.sys) themselves.
    char system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return false;
    }
    const std::string driver = std::string(system) + "\\drivers\\usbser.sys";
    return GetFileAttributesA(driver.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace vesmor
