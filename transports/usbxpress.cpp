#include "transports/usbxpress.h"

#include <cstring>

namespace vesmor {

namespace {

// Positions in the table; the names below are loaded in this order.
enum Function : size_t {
    kGetNumDevices,
    kGetProductString,
    kOpen,
    kClose,
    kRead,
    kWrite,
    kDeviceIOControl,
    kFlushBuffers,
    kSetTimeouts,
    kGetTimeouts,
    kCheckRXQueue,
    kSetBaudRate,
    kSetBaudDivisor,
    kSetLineControl,
    kSetFlowControl,
    kGetModemStatus,
    kSetBreak,
    kReadLatch,
    kWriteLatch,
    kGetPartNumber,
    kGetDLLVersion,
    kGetDriverVersion,
};

std::vector<const char*> FunctionNames() {
    return {"SI_GetNumDevices",
            "SI_GetProductString",
            "SI_Open",
            "SI_Close",
            "SI_Read",
            "SI_Write",
            "SI_DeviceIOControl",
            "SI_FlushBuffers",
            "SI_SetTimeouts",
            "SI_GetTimeouts",
            "SI_CheckRXQueue",
            "SI_SetBaudRate",
            "SI_SetBaudDivisor",
            "SI_SetLineControl",
            "SI_SetFlowControl",
            "SI_GetModemStatus",
            "SI_SetBreak",
            "SI_ReadLatch",
            "SI_WriteLatch",
            "SI_GetPartNumber",
            "SI_GetDLLVersion",
            "SI_GetDriverVersion"};
}

constexpr const char* kDonglePrefix = "VEK-PN4207#";

}  // namespace

CUsbXpress::CUsbXpress()
    : library_("libSiUSBXp.so", "libSiUSBXp.so", "VESMOR_SIUSBXP_LIB", FunctionNames()) {}

bool CUsbXpress::LoadUsbXpress() {
    return library_.Load();
}

namespace {

// Calls the function at the position when it is there; a missing one is a failure status.
template <typename... Params, typename... Args>
SiStatus Call(const RuntimeLibrary& library, size_t position, Args... args) {
    auto function = library.As<SiStatus (*)(Params...)>(position);
    return function != nullptr ? function(args...) : kSiFailure;
}

}  // namespace

SiStatus CUsbXpress::GetNumDevices(uint32_t* count) {
    LoadUsbXpress();
    return Call<uint32_t*>(library_, kGetNumDevices, count);
}

SiStatus CUsbXpress::GetProductString(uint32_t device, char* text, uint32_t flags) {
    return Call<uint32_t, void*, uint32_t>(library_, kGetProductString, device, text, flags);
}

SiStatus CUsbXpress::Open(uint32_t device, SiHandle* handle) {
    LoadUsbXpress();
    return Call<uint32_t, SiHandle*>(library_, kOpen, device, handle);
}

SiStatus CUsbXpress::Close(SiHandle handle) {
    return Call<SiHandle>(library_, kClose, handle);
}

SiStatus CUsbXpress::Read(SiHandle handle, void* buffer, uint32_t count, uint32_t* got) {
    return Call<SiHandle, void*, uint32_t, uint32_t*, void*>(library_, kRead, handle, buffer, count,
                                                             got, nullptr);
}

SiStatus CUsbXpress::Write(SiHandle handle, const void* data, uint32_t count, uint32_t* written) {
    return Call<SiHandle, void*, uint32_t, uint32_t*, void*>(
        library_, kWrite, handle, const_cast<void*>(data), count, written, nullptr);
}

SiStatus CUsbXpress::FlushBuffers(SiHandle handle, uint8_t transmit, uint8_t receive) {
    return Call<SiHandle, uint8_t, uint8_t>(library_, kFlushBuffers, handle, transmit, receive);
}

SiStatus CUsbXpress::SetTimeouts(uint32_t readMs, uint32_t writeMs) {
    return Call<uint32_t, uint32_t>(library_, kSetTimeouts, readMs, writeMs);
}

SiStatus CUsbXpress::CheckRXQueue(SiHandle handle, uint32_t* bytesWaiting, uint32_t* queueStatus) {
    return Call<SiHandle, uint32_t*, uint32_t*>(library_, kCheckRXQueue, handle, bytesWaiting,
                                                queueStatus);
}

SiStatus CUsbXpress::SetBaudRate(SiHandle handle, uint32_t baud) {
    return Call<SiHandle, uint32_t>(library_, kSetBaudRate, handle, baud);
}

SiStatus CUsbXpress::SetLineControl(SiHandle handle, uint16_t lineControl) {
    return Call<SiHandle, uint16_t>(library_, kSetLineControl, handle, lineControl);
}

SiStatus CUsbXpress::SetFlowControl(SiHandle handle, uint8_t cts, uint8_t rts, uint8_t dtr,
                                    uint8_t dsr, uint8_t dcd, int xonXoff) {
    return Call<SiHandle, uint8_t, uint8_t, uint8_t, uint8_t, uint8_t, int>(
        library_, kSetFlowControl, handle, cts, rts, dtr, dsr, dcd, xonXoff);
}

SiStatus CUsbXpress::SetBreak(SiHandle handle, uint16_t state) {
    return Call<SiHandle, uint16_t>(library_, kSetBreak, handle, state);
}

std::string CUsbXpress::SerialNumber(uint32_t device) {
    char text[kSiMaxDeviceString + 1] = {};
    if (GetProductString(device, text, kSiReturnSerialNumber) != kSiSuccess) {
        return {};
    }
    text[kSiMaxDeviceString] = '\0';
    return text;
}

void ListBluetoothDongles(CUsbXpress& usbXpress, std::vector<std::string>& list) {
    uint32_t count = 0;
    if (usbXpress.GetNumDevices(&count) != kSiSuccess) {
        return;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const std::string serial = usbXpress.SerialNumber(i);
        if (serial.compare(0, std::strlen(kDonglePrefix), kDonglePrefix) == 0) {
            list.push_back(serial + " BT");
        }
    }
}

}  // namespace vesmor
