#include "transports/ftd2xx_table.h"

#include <cstring>

#include "transports/debug_output.h"

namespace vesmor {

namespace {

using namespace d2xx;

// Positions in the table; the library is searched in this order.
enum D2xxFunction : size_t {
    kSetBaudRate,
    kSetLatencyTimer,
    kSetUSBParameters,
    kListDevices,
    kCreateDeviceInfoList,
    kGetDeviceInfoList,
    kGetDeviceInfoDetail,
    kResetDevice,
    kW32CreateFile,
    kW32CloseHandle,
    kW32ReadFile,
    kW32WriteFile,
    kW32GetLastError,
    kW32GetOverlappedResult,
    kW32ClearCommBreak,
    kW32ClearCommError,
    kW32EscapeCommFunction,
    kW32GetCommModemStatus,
    kW32GetCommState,
    kW32GetCommTimeouts,
    kW32PurgeComm,
    kW32SetCommBreak,
    kW32SetCommMask,
    kW32SetCommState,
    kW32SetCommTimeouts,
    kW32SetupComm,
    kW32WaitCommEvent,
};

std::vector<const char*> FunctionNames() {
    return {"FT_SetBaudRate",
            "FT_SetLatencyTimer",
            "FT_SetUSBParameters",
            "FT_ListDevices",
            "FT_CreateDeviceInfoList",
            "FT_GetDeviceInfoList",
            "FT_GetDeviceInfoDetail",
            "FT_ResetDevice",
            "FT_W32_CreateFile",
            "FT_W32_CloseHandle",
            "FT_W32_ReadFile",
            "FT_W32_WriteFile",
            "FT_W32_GetLastError",
            "FT_W32_GetOverlappedResult",
            "FT_W32_ClearCommBreak",
            "FT_W32_ClearCommError",
            "FT_W32_EscapeCommFunction",
            "FT_W32_GetCommModemStatus",
            "FT_W32_GetCommState",
            "FT_W32_GetCommTimeouts",
            "FT_W32_PurgeComm",
            "FT_W32_SetCommBreak",
            "FT_W32_SetCommMask",
            "FT_W32_SetCommState",
            "FT_W32_SetCommTimeouts",
            "FT_W32_SetupComm",
            "FT_W32_WaitCommEvent"};
}

}  // namespace

CFTD2xxPort::CFTD2xxPort()
    : library_("Ftd2xx.dll", "libftd2xx.so", "VESMOR_FTD2XX_LIB", FunctionNames()) {}

FT_STATUS CFTD2xxPort::SetLatencyTimer(FT_HANDLE handle, UCHAR ms) {
    auto f = library_.As<FT_SetLatencyTimerFn>(kSetLatencyTimer);
    return f ? f(handle, ms) : kFtMissingFunction;
}

FT_STATUS CFTD2xxPort::CreateDeviceInfoList(DWORD* count) {
    LoadD2xx();
    auto f = library_.As<FT_CreateDeviceInfoListFn>(kCreateDeviceInfoList);
    if (f == nullptr) {
        DebugOutput("FT_CreateDeviceInfoList ist nicht vorhanden!");
        return kFtMissingFunction;
    }
    return f(count);
}

FT_STATUS CFTD2xxPort::GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE* nodes, DWORD* count) {
    LoadD2xx();
    auto f = library_.As<FT_GetDeviceInfoListFn>(kGetDeviceInfoList);
    if (f == nullptr) {
        DebugOutput("FT_GetDeviceInfoList ist nicht vorhanden!");
        return kFtMissingFunction;
    }
    return f(nodes, count);
}

FT_HANDLE CFTD2xxPort::W32_CreateFile(const char* name, DWORD access, DWORD share, DWORD create,
                                      DWORD flags) {
    LoadD2xx();
    auto f = library_.As<FT_W32_CreateFileFn>(kW32CreateFile);
    return f ? f(name, access, share, nullptr, create, flags, nullptr) : InvalidHandle();
}

BOOL CFTD2xxPort::W32_CloseHandle(FT_HANDLE handle) {
    auto f = library_.As<FT_W32_CloseHandleFn>(kW32CloseHandle);
    return f ? f(handle) : 0;
}

BOOL CFTD2xxPort::W32_ReadFile(FT_HANDLE handle, void* buffer, DWORD size, DWORD* got) {
    auto f = library_.As<FT_W32_ReadFileFn>(kW32ReadFile);
    return f ? f(handle, buffer, size, got, nullptr) : 0;
}

BOOL CFTD2xxPort::W32_WriteFile(FT_HANDLE handle, const void* data, DWORD size, DWORD* written) {
    auto f = library_.As<FT_W32_WriteFileFn>(kW32WriteFile);
    // The library takes a non-const pointer but only reads the bytes.
    return f ? f(handle, const_cast<void*>(data), size, written, nullptr) : 0;
}

DWORD CFTD2xxPort::W32_GetLastError(FT_HANDLE handle) {
    auto f = library_.As<FT_W32_GetLastErrorFn>(kW32GetLastError);
    return f ? f(handle) : 0;
}

BOOL CFTD2xxPort::W32_ClearCommError(FT_HANDLE handle, DWORD* errors, FTCOMSTAT* status) {
    auto f = library_.As<FT_W32_ClearCommErrorFn>(kW32ClearCommError);
    return f ? f(handle, errors, status) : 0;
}

BOOL CFTD2xxPort::W32_GetCommModemStatus(FT_HANDLE handle, DWORD* bits) {
    auto f = library_.As<FT_W32_GetCommModemStatusFn>(kW32GetCommModemStatus);
    return f ? f(handle, bits) : 0;
}

BOOL CFTD2xxPort::W32_GetCommState(FT_HANDLE handle, FTDCB* dcb) {
    auto f = library_.As<FT_W32_GetCommStateFn>(kW32GetCommState);
    return f ? f(handle, dcb) : 0;
}

BOOL CFTD2xxPort::W32_SetCommState(FT_HANDLE handle, FTDCB* dcb) {
    auto f = library_.As<FT_W32_SetCommStateFn>(kW32SetCommState);
    return f ? f(handle, dcb) : 0;
}

BOOL CFTD2xxPort::W32_SetCommMask(FT_HANDLE handle, ULONG mask) {
    auto f = library_.As<FT_W32_SetCommMaskFn>(kW32SetCommMask);
    return f ? f(handle, mask) : 0;
}

BOOL CFTD2xxPort::W32_SetCommTimeouts(FT_HANDLE handle, FTTIMEOUTS* timeouts) {
    auto f = library_.As<FT_W32_SetCommTimeoutsFn>(kW32SetCommTimeouts);
    return f ? f(handle, timeouts) : 0;
}

BOOL CFTD2xxPort::W32_PurgeComm(FT_HANDLE handle, DWORD flags) {
    auto f = library_.As<FT_W32_PurgeCommFn>(kW32PurgeComm);
    return f ? f(handle, flags) : 0;
}

void ListD2xxDevices(CFTD2xxPort& table, std::vector<std::string>& names) {
    DWORD count = 0;
    if (table.CreateDeviceInfoList(&count) != FT_OK || count == 0) {
        return;
    }
    std::vector<FT_DEVICE_LIST_INFO_NODE> nodes(count);
    DWORD filled = count;
    if (table.GetDeviceInfoList(nodes.data(), &filled) != FT_OK) {
        return;
    }
    // The library reports how many nodes it filled; never more than were made room for.
    filled = std::min(filled, count);
    for (DWORD i = 0; i < filled; ++i) {
        const FT_DEVICE_LIST_INFO_NODE& node = nodes[i];
        const std::string serial(node.SerialNumber,
                                 ::strnlen(node.SerialNumber, sizeof node.SerialNumber));
        if (node.ftHandle == nullptr && !serial.empty()) {
            names.push_back(serial);
        }
    }
}

}  // namespace vesmor
