#pragma once
// Types and constants of FTDI's D2XX library for Linux, with the sizes its Linux headers give:
// DWORD, ULONG and BOOL are 32 bits, handles are pointers. On 64-bit Linux a device-list node is
// therefore 104 bytes (the handle is aligned to 8), not the 100 bytes of 32-bit Windows.

#include <cstddef>
#include <cstdint>

namespace vesmor::d2xx {

using DWORD = uint32_t;
using ULONG = uint32_t;
using BOOL = uint32_t;
using WORD = uint16_t;
using UCHAR = uint8_t;
using FT_STATUS = ULONG;
using FT_HANDLE = void*;

constexpr FT_STATUS FT_OK = 0;
// What a status wrapper returns when its function is missing.
constexpr FT_STATUS kFtMissingFunction = 1;

constexpr DWORD FT_OPEN_BY_SERIAL_NUMBER = 1;
constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD OPEN_EXISTING = 3;

constexpr DWORD PURGE_TXABORT = 0x01;
constexpr DWORD PURGE_RXABORT = 0x02;
constexpr DWORD PURGE_TXCLEAR = 0x04;
constexpr DWORD PURGE_RXCLEAR = 0x08;

constexpr UCHAR NOPARITY = 0;
constexpr UCHAR ODDPARITY = 1;
constexpr UCHAR EVENPARITY = 2;
constexpr UCHAR ONESTOPBIT = 0;
constexpr UCHAR TWOSTOPBITS = 2;

// FT_W32_CreateFile's failure result (INVALID_HANDLE_VALUE of the Linux headers).
inline FT_HANDLE InvalidHandle() {
    // The driver returns this fixed number as a handle; it is only compared, never dereferenced.
    return reinterpret_cast<FT_HANDLE>(  // NOLINT(performance-no-int-to-ptr)
        static_cast<uintptr_t>(0xFFFFFFFFu));
}
inline bool IsValidHandle(FT_HANDLE handle) {
    return handle != nullptr && handle != InvalidHandle();
}

struct OVERLAPPED {
    DWORD Internal;
    DWORD InternalHigh;
    DWORD Offset;
    DWORD OffsetHigh;
    void* hEvent;
};

struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    void* lpSecurityDescriptor;
    BOOL bInheritHandle;
};

struct FT_DEVICE_LIST_INFO_NODE {
    ULONG Flags;
    ULONG Type;
    ULONG ID;
    DWORD LocId;
    char SerialNumber[16];
    char Description[64];
    FT_HANDLE ftHandle;
};

struct FTCOMSTAT {
    DWORD fCtsHold : 1;
    DWORD fDsrHold : 1;
    DWORD fRlsdHold : 1;
    DWORD fXoffHold : 1;
    DWORD fXoffSent : 1;
    DWORD fEof : 1;
    DWORD fTxim : 1;
    DWORD fReserved : 25;
    DWORD cbInQue;
    DWORD cbOutQue;
};

struct FTDCB {
    DWORD DCBlength;
    DWORD BaudRate;
    DWORD fBinary : 1;
    DWORD fParity : 1;
    DWORD fOutxCtsFlow : 1;
    DWORD fOutxDsrFlow : 1;
    DWORD fDtrControl : 2;
    DWORD fDsrSensitivity : 1;
    DWORD fTXContinueOnXoff : 1;
    DWORD fOutX : 1;
    DWORD fInX : 1;
    DWORD fErrorChar : 1;
    DWORD fNull : 1;
    DWORD fRtsControl : 2;
    DWORD fAbortOnError : 1;
    DWORD fDummy2 : 17;
    WORD wReserved;
    WORD XonLim;
    WORD XoffLim;
    UCHAR ByteSize;
    UCHAR Parity;
    UCHAR StopBits;
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    WORD wReserved1;
};

struct FTTIMEOUTS {
    DWORD ReadIntervalTimeout;
    DWORD ReadTotalTimeoutMultiplier;
    DWORD ReadTotalTimeoutConstant;
    DWORD WriteTotalTimeoutMultiplier;
    DWORD WriteTotalTimeoutConstant;
};

static_assert(sizeof(FTDCB) == 28);
static_assert(sizeof(FTCOMSTAT) == 12);
static_assert(offsetof(FT_DEVICE_LIST_INFO_NODE, ftHandle) == 96);

// The functions the system calls, as the D2XX library declares them.
using FT_SetLatencyTimerFn = FT_STATUS (*)(FT_HANDLE, UCHAR);
using FT_CreateDeviceInfoListFn = FT_STATUS (*)(DWORD*);
using FT_GetDeviceInfoListFn = FT_STATUS (*)(FT_DEVICE_LIST_INFO_NODE*, DWORD*);
using FT_W32_CreateFileFn = FT_HANDLE (*)(const char*, DWORD, DWORD, SECURITY_ATTRIBUTES*, DWORD,
                                          DWORD, void*);
using FT_W32_CloseHandleFn = BOOL (*)(FT_HANDLE);
using FT_W32_ReadFileFn = BOOL (*)(FT_HANDLE, void*, DWORD, DWORD*, OVERLAPPED*);
using FT_W32_WriteFileFn = BOOL (*)(FT_HANDLE, void*, DWORD, DWORD*, OVERLAPPED*);
using FT_W32_GetLastErrorFn = DWORD (*)(FT_HANDLE);
using FT_W32_ClearCommErrorFn = BOOL (*)(FT_HANDLE, DWORD*, FTCOMSTAT*);
using FT_W32_GetCommModemStatusFn = BOOL (*)(FT_HANDLE, DWORD*);
using FT_W32_GetCommStateFn = BOOL (*)(FT_HANDLE, FTDCB*);
using FT_W32_SetCommStateFn = BOOL (*)(FT_HANDLE, FTDCB*);
using FT_W32_SetCommMaskFn = BOOL (*)(FT_HANDLE, ULONG);
using FT_W32_SetCommTimeoutsFn = BOOL (*)(FT_HANDLE, FTTIMEOUTS*);
using FT_W32_PurgeCommFn = BOOL (*)(FT_HANDLE, DWORD);

}  // namespace vesmor::d2xx
