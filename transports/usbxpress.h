#pragma once
// The Silicon Labs USBXpress library (libSiUSBXp.so), which drives the Bluetooth USB dongle. It
// is optional and loaded at run time: without it the dongle list is empty and dongles do not
// open. Every wrapper returns 1 (a failure status) when its function is missing.

#include <cstdint>
#include <string>
#include <vector>

#include "transports/runtime_library.h"

namespace vesmor {

// The library's own types on Linux.
using SiStatus = int;
using SiHandle = void*;
constexpr SiStatus kSiSuccess = 0;
constexpr SiStatus kSiFailure = 1;
constexpr uint32_t kSiReturnSerialNumber = 0;
constexpr uint32_t kSiReturnDescription = 1;
constexpr size_t kSiMaxDeviceString = 256;

class CUsbXpress {
  public:
    CUsbXpress();

    // Loads the library unless it is loaded; the diagnostics go to the debug channel.
    bool LoadUsbXpress();
    void UnloadUsbXpress() { library_.Unload(); }

    SiStatus GetNumDevices(uint32_t* count);
    SiStatus GetProductString(uint32_t device, char* text, uint32_t flags);
    SiStatus Open(uint32_t device, SiHandle* handle);
    SiStatus Close(SiHandle handle);
    SiStatus Read(SiHandle handle, void* buffer, uint32_t count, uint32_t* got);
    SiStatus Write(SiHandle handle, const void* data, uint32_t count, uint32_t* written);
    SiStatus FlushBuffers(SiHandle handle, uint8_t transmit, uint8_t receive);
    SiStatus SetTimeouts(uint32_t readMs, uint32_t writeMs);
    SiStatus CheckRXQueue(SiHandle handle, uint32_t* bytesWaiting, uint32_t* queueStatus);
    SiStatus SetBaudRate(SiHandle handle, uint32_t baud);
    SiStatus SetLineControl(SiHandle handle, uint16_t lineControl);
    SiStatus SetFlowControl(SiHandle handle, uint8_t cts, uint8_t rts, uint8_t dtr, uint8_t dsr,
                            uint8_t dcd, int xonXoff);
    SiStatus SetBreak(SiHandle handle, uint16_t state);

    // The serial number string (selector 0) of a device, empty when it cannot be read.
    std::string SerialNumber(uint32_t device);

  private:
    RuntimeLibrary library_;
};

// The dongles present: every device whose serial number begins with "VEK-PN4207#", as the
// serial number followed by " BT".
void ListBluetoothDongles(CUsbXpress& usbXpress, std::vector<std::string>& list);

}  // namespace vesmor
