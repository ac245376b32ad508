#include "transports/ftd2xx_table.h"

#include <algorithm>
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

// Calls the function at index with args, or gives missing when the library lacks it.
template <class Fn, class Result, class... Args>
Result CallOr(const RuntimeLibrary& library, size_t index, Result missing, Args... args) {
    const auto f = library.As<Fn>(index);
    return f ? f(args...) : missing;
}

}  // namespace

CFTD2xxPort::CFTD2xxPort()
    : library_("libftd2xx.so", "libftd2xx.so", "VESMOR_FTD2XX_LIB", FunctionNames()) {}

FT_STATUS CFTD2xxPort::SetLatencyTimer(FT_HANDLE handle, UCHAR ms) {
    return CallOr<FT_SetLatencyTimerFn>(library_, kSetLatencyTimer, FT_STATUS{kFtMissingFunction},
                                        handle, ms);
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
    return CallOr<FT_W32_CreateFileFn>(library_, kW32CreateFile, InvalidHandle(), name, access,
                                       share, static_cast<SECURITY_ATTRIBUTES*>(nullptr), create,
                                       flags, static_cast<void*>(nullptr));
}

BOOL CFTD2xxPort::W32_CloseHandle(FT_HANDLE handle) {
    return CallOr<FT_W32_CloseHandleFn>(library_, kW32CloseHandle, BOOL{0}, handle);
}

BOOL CFTD2xxPort::W32_ReadFile(FT_HANDLE handle, void* buffer, DWORD size, DWORD* got) {
    return CallOr<FT_W32_ReadFileFn>(library_, kW32ReadFile, BOOL{0}, handle, buffer, size, got,
                                     nullptr);
}

BOOL CFTD2xxPort::W32_WriteFile(FT_HANDLE handle, const void* data, DWORD size, DWORD* written) {
    // The library takes a non-const pointer but only reads the bytes.
    return CallOr<FT_W32_WriteFileFn>(library_, kW32WriteFile, BOOL{0}, handle,
                                      const_cast<void*>(data), size, written, nullptr);
}

DWORD CFTD2xxPort::W32_GetLastError(FT_HANDLE handle) {
    return CallOr<FT_W32_GetLastErrorFn>(library_, kW32GetLastError, DWORD{0}, handle);
}

BOOL CFTD2xxPort::W32_ClearCommError(FT_HANDLE handle, DWORD* errors, FTCOMSTAT* status) {
    return CallOr<FT_W32_ClearCommErrorFn>(library_, kW32ClearCommError, BOOL{0}, handle, errors,
                                           status);
}

BOOL CFTD2xxPort::W32_GetCommModemStatus(FT_HANDLE handle, DWORD* bits) {
    return CallOr<FT_W32_GetCommModemStatusFn>(library_, kW32GetCommModemStatus, BOOL{0}, handle,
                                               bits);
}

BOOL CFTD2xxPort::W32_GetCommState(FT_HANDLE handle, FTDCB* dcb) {
    return CallOr<FT_W32_GetCommStateFn>(library_, kW32GetCommState, BOOL{0}, handle, dcb);
}

BOOL CFTD2xxPort::W32_SetCommState(FT_HANDLE handle, FTDCB* dcb) {
    return CallOr<FT_W32_SetCommStateFn>(library_, kW32SetCommState, BOOL{0}, handle, dcb);
}

BOOL CFTD2xxPort::W32_SetCommMask(FT_HANDLE handle, ULONG mask) {
    return CallOr<FT_W32_SetCommMaskFn>(library_, kW32SetCommMask, BOOL{0}, handle, mask);
}

BOOL CFTD2xxPort::W32_SetCommTimeouts(FT_HANDLE handle, FTTIMEOUTS* timeouts) {
    return CallOr<FT_W32_SetCommTimeoutsFn>(library_, kW32SetCommTimeouts, BOOL{0}, handle,
                                            timeouts);
}

BOOL CFTD2xxPort::W32_PurgeComm(FT_HANDLE handle, DWORD flags) {
    return CallOr<FT_W32_PurgeCommFn>(library_, kW32PurgeComm, BOOL{0}, handle, flags);
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
