#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The library functions the interface selection dialog calls, behind an interface so that tests
// can present devices of their own. Arguments and results are those of the VESMOR_ functions.
namespace tagforge {

enum class InterfaceKind { kSerial, kUsb, kLan, kBluetooth };

class InterfaceLibrary {
  public:
    virtual ~InterfaceLibrary() = default;

    // VESMOR_GetComPorts, VESMOR_GetHidPorts, VESMOR_FindLanDevicesEx or
    // VESMOR_GetBluetoothPorts by kind: a list buffer.
    virtual int32_t GetList(InterfaceKind kind, char* buffer, int32_t size) = 0;
    virtual int32_t TestLanDevice(const char* reader) = 0;
    // VESMOR_FindLanDevices: every device that answers the LAN search, readers or not.
    virtual int32_t FindLanDevices(char* buffer, int32_t size) = 0;
    // VESMOR_GetLanConfig: each output, when given, of at least 32 bytes.
    virtual int32_t GetLanConfig(const char* reader, char* name, char* address, char* mask,
                                 char* gateway) = 0;
    virtual int32_t SetLanConfig(const char* reader, const char* newAddress, const char* mask,
                                 const char* gateway) = 0;
    virtual int32_t GetMissingDrivers() = 0;
    virtual int32_t IsVirtualComDriverInstalled() = 0;
    virtual int32_t OpenPort(const char* name, int32_t baud, int32_t timeoutMs) = 0;
    virtual int32_t SetUsbMode(int32_t handle, int32_t mode) = 0;
    virtual int32_t ResetDevice(int32_t handle, int32_t first, int32_t second) = 0;
    virtual int32_t ClosePort(int32_t handle) = 0;
};

// libvesmor itself.
InterfaceLibrary& VesmorInterfaces();

// The size of the buffer each list is fetched into.
inline constexpr int32_t kInterfaceListBytes = 2500;

// The names of one kind, in the library's order, fetched into a buffer of kInterfaceListBytes.
// A failing call gives no names.
std::vector<std::string> FetchInterfaceList(InterfaceLibrary& library, InterfaceKind kind);

// Every device of the unfiltered LAN search (VESMOR_FindLanDevices), fetched the same way.
std::vector<std::string> FetchLanDevices(InterfaceLibrary& library);

}  // namespace tagforge
