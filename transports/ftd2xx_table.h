#pragma once
// CFTD2xxPort: the function table of FTDI's D2XX library (libftd2xx.so, or the file named by
// VESMOR_FTD2XX_LIB), filled at run time. Each wrapper calls its function when it was found;
// otherwise a status function reports 1, a Win32-style one 0 and FT_W32_CreateFile the invalid
// handle. The wrappers of the device list and of the open load the library first.

#include <string>
#include <vector>

#include "transports/d2xx_types.h"
#include "transports/runtime_library.h"

namespace vesmor {

class CFTD2xxPort {
  public:
    CFTD2xxPort();

    // Loads the library unless it is loaded; false when it cannot be loaded.
    bool LoadD2xx() { return library_.Load(); }
    void UnloadD2xx() { library_.Unload(); }
    bool IsLoaded() const { return library_.IsLoaded(); }

    d2xx::FT_STATUS SetLatencyTimer(d2xx::FT_HANDLE handle, d2xx::UCHAR ms);
    d2xx::FT_STATUS CreateDeviceInfoList(d2xx::DWORD* count);
    d2xx::FT_STATUS GetDeviceInfoList(d2xx::FT_DEVICE_LIST_INFO_NODE* nodes, d2xx::DWORD* count);
    d2xx::FT_HANDLE W32_CreateFile(const char* name, d2xx::DWORD access, d2xx::DWORD share,
                                   d2xx::DWORD create, d2xx::DWORD flags);
    d2xx::BOOL W32_CloseHandle(d2xx::FT_HANDLE handle);
    d2xx::BOOL W32_ReadFile(d2xx::FT_HANDLE handle, void* buffer, d2xx::DWORD size,
                            d2xx::DWORD* got);
    d2xx::BOOL W32_WriteFile(d2xx::FT_HANDLE handle, const void* data, d2xx::DWORD size,
                             d2xx::DWORD* written);
    d2xx::DWORD W32_GetLastError(d2xx::FT_HANDLE handle);
    d2xx::BOOL W32_ClearCommError(d2xx::FT_HANDLE handle, d2xx::DWORD* errors,
                                  d2xx::FTCOMSTAT* status);
    d2xx::BOOL W32_GetCommModemStatus(d2xx::FT_HANDLE handle, d2xx::DWORD* bits);
    d2xx::BOOL W32_GetCommState(d2xx::FT_HANDLE handle, d2xx::FTDCB* dcb);
    d2xx::BOOL W32_SetCommState(d2xx::FT_HANDLE handle, d2xx::FTDCB* dcb);
    d2xx::BOOL W32_SetCommMask(d2xx::FT_HANDLE handle, d2xx::ULONG mask);
    d2xx::BOOL W32_SetCommTimeouts(d2xx::FT_HANDLE handle, d2xx::FTTIMEOUTS* timeouts);
    d2xx::BOOL W32_PurgeComm(d2xx::FT_HANDLE handle, d2xx::DWORD flags);

  private:
    RuntimeLibrary library_;
};

// Serial numbers of the FTDI devices present that no program has open; nothing when the
// library or its device list is missing.
void ListD2xxDevices(CFTD2xxPort& table, std::vector<std::string>& names);

}  // namespace vesmor
