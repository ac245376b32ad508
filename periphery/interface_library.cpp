#include "periphery/interface_library.h"

#include <cstring>

#include "vesmor.h"

namespace tagforge {

namespace {

class Vesmor final : public InterfaceLibrary {
  public:
    int32_t GetList(InterfaceKind kind, char* buffer, int32_t size) override {
        switch (kind) {
            case InterfaceKind::kSerial:
                return VESMOR_GetComPorts(buffer, size);
            case InterfaceKind::kUsb:
                return VESMOR_GetHidPorts(buffer, size);
            case InterfaceKind::kLan:
                return VESMOR_FindLanDevicesEx(buffer, size);
            case InterfaceKind::kBluetooth:
                return VESMOR_GetBluetoothPorts(buffer, size);
        }
        return -1;
    }
    int32_t TestLanDevice(const char* reader) override { return VESMOR_TestLanDevice(reader); }
    int32_t FindLanDevices(char* buffer, int32_t size) override {
        return VESMOR_FindLanDevices(buffer, size);
    }
    int32_t GetLanConfig(const char* reader, char* name, char* address, char* mask,
                         char* gateway) override {
        return VESMOR_GetLanConfig(reader, name, address, mask, gateway);
    }
    int32_t SetLanConfig(const char* reader, const char* newAddress, const char* mask,
                         const char* gateway) override {
        return VESMOR_SetLanConfig(reader, newAddress, mask, gateway);
    }
    int32_t GetMissingDrivers() override { return VESMOR_GetMissingDrivers(); }
    int32_t IsVirtualComDriverInstalled() override { return VESMOR_IsVirtualComDriverInstalled(); }
    int32_t OpenPort(const char* name, int32_t baud, int32_t timeoutMs) override {
        return VESMOR_OpenPort(name, baud, timeoutMs);
    }
    int32_t SetUsbMode(int32_t handle, int32_t mode) override {
        return VESMOR_SetUsbMode(handle, mode);
    }
    int32_t ResetDevice(int32_t handle, int32_t first, int32_t second) override {
        return VESMOR_ResetDevice(handle, first, second);
    }
    int32_t ClosePort(int32_t handle) override { return VESMOR_ClosePort(handle); }
};

}  // namespace

InterfaceLibrary& VesmorInterfaces() {
    static Vesmor library;
    return library;
}

namespace {

// Zeroed, so that a call that fails without writing reads as an empty list.
template <class ListCall>
std::vector<std::string> FetchNames(ListCall list) {
    std::vector<char> buffer(kInterfaceListBytes, '\0');
    list(buffer.data(), kInterfaceListBytes);
    std::vector<std::string> names;
    for (size_t at = 0; at < buffer.size() && buffer[at] != '\0';) {
        const size_t length = strnlen(buffer.data() + at, buffer.size() - at);
        names.emplace_back(buffer.data() + at, length);
        at += length + 1;
    }
    return names;
}

}  // namespace

std::vector<std::string> FetchInterfaceList(InterfaceLibrary& library, InterfaceKind kind) {
    return FetchNames(
        [&](char* buffer, int32_t size) { return library.GetList(kind, buffer, size); });
}

std::vector<std::string> FetchLanDevices(InterfaceLibrary& library) {
    return FetchNames(
        [&](char* buffer, int32_t size) { return library.FindLanDevices(buffer, size); });
}

}  // namespace tagforge
