// A fake libftd2xx.so: the D2XX calls the library makes, on FTDI devices that the environment
// variable VESMOR_FAKE_D2XX configures (see fake_reader.h), each answered by a simulated
// reader. Only the functions the library calls are present; the others are missing, as in an
// incomplete installation.

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tests/fakes/fake_reader.h"
#include "transports/d2xx_types.h"

using namespace vesmor::d2xx;

namespace vesmor::fake {
namespace {

struct FtHandle {
    size_t index;
};

struct FtDevice {
    FtDevice(const Settings& s, size_t /*index*/) : reader(s) {
        const auto serialText = s.find("serial");
        serial = serialText != s.end() ? serialText->second : "";
        const auto text = s.find("description");
        description = text != s.end() ? text->second : "VEK USB Reader";
        busy = IntSetting(s, "busy", 0) != 0;
        dcb.DCBlength = sizeof dcb;
        dcb.BaudRate = 9600;
        dcb.ByteSize = 8;
        // A device left by another program with the line flags the library must not keep:
        // DSR sensitivity on, transmit stopping on XOFF, abort on error, null stripping on.
        if (IntSetting(s, "wrongline", 0) != 0) {
            dcb.fDsrSensitivity = 1;
            dcb.fTXContinueOnXoff = 0;
            dcb.fAbortOnError = 1;
            dcb.fNull = 1;
        }
    }
    FakeReader reader;
    std::string serial;
    std::string description;
    bool busy;
    bool unplugged = false;  // calls on its handle fail
    FtHandle* open = nullptr;
    int latency = -1;
    DWORD baud = 0;
    FTDCB dcb{};           // the line settings in effect
    long purgeFlags = -1;  // of the last purge, -1 when never
};

std::mutex g_mutex;
DeviceSet<FtDevice> g_devices("VESMOR_FAKE_D2XX");

std::vector<std::unique_ptr<FtDevice>>& Devices() {
    return g_devices.Current([](const FtDevice& d) { return d.open != nullptr; });
}

// The device of an open handle, also when it has been pulled out.
FtDevice* HolderOf(FT_HANDLE handle) {
    if (!IsValidHandle(handle)) {
        return nullptr;
    }
    FtDevice* d = g_devices.At(static_cast<FtHandle*>(handle)->index);
    return d != nullptr && d->open == handle ? d : nullptr;
}

// The device of an open handle that is still plugged in.
FtDevice* Of(FT_HANDLE handle) {
    FtDevice* d = HolderOf(handle);
    return d != nullptr && !d->unplugged ? d : nullptr;
}

// The device of an open handle, looked up under the lock; its reader is safe to use after.
FtDevice* LockedOf(FT_HANDLE handle) {
    std::lock_guard lock(g_mutex);
    return Of(handle);
}

FtDevice* At(int index) {
    return index < 0 ? nullptr : g_devices.At(static_cast<size_t>(index));
}

}  // namespace
}  // namespace vesmor::fake

using namespace vesmor::fake;

FAKE_EXPORT FT_STATUS FT_CreateDeviceInfoList(DWORD* count) {
    std::lock_guard lock(g_mutex);
    *count = static_cast<DWORD>(Devices().size());
    return FT_OK;
}

FAKE_EXPORT FT_STATUS FT_GetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE* nodes, DWORD* count) {
    std::lock_guard lock(g_mutex);
    auto& devices = Devices();
    for (size_t i = 0; i < devices.size(); ++i) {
        FT_DEVICE_LIST_INFO_NODE& node = nodes[i];
        std::memset(&node, 0, sizeof node);
        node.ID = 0x0403E130;
        node.LocId = static_cast<DWORD>(0x100 + i);
        // A device another program holds shows as opened, without serial number or description.
        node.Flags = devices[i]->busy ? 1 : 0;
        if (!devices[i]->busy) {
            std::strncpy(node.SerialNumber, devices[i]->serial.c_str(),
                         sizeof node.SerialNumber - 1);
            std::strncpy(node.Description, devices[i]->description.c_str(),
                         sizeof node.Description - 1);
        }
        node.ftHandle = devices[i]->open;
    }
    *count = static_cast<DWORD>(devices.size());
    return FT_OK;
}

FAKE_EXPORT FT_HANDLE FT_W32_CreateFile(const char* name, DWORD, DWORD, SECURITY_ATTRIBUTES*,
                                        DWORD create, DWORD flags, void*) {
    std::lock_guard lock(g_mutex);
    auto& devices = Devices();
    if (name == nullptr || (flags & FT_OPEN_BY_SERIAL_NUMBER) == 0 || create != OPEN_EXISTING) {
        return InvalidHandle();
    }
    for (size_t i = 0; i < devices.size(); ++i) {
        FtDevice& d = *devices[i];
        if (d.serial == name && !d.busy && d.open == nullptr) {
            d.open = new FtHandle{i};
            return d.open;
        }
    }
    return InvalidHandle();
}

FAKE_EXPORT BOOL FT_W32_CloseHandle(FT_HANDLE handle) {
    std::lock_guard lock(g_mutex);
    FtDevice* d = HolderOf(handle);
    if (d == nullptr) {
        return 0;
    }
    delete d->open;
    d->open = nullptr;
    return 1;
}

FAKE_EXPORT FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, UCHAR ms) {
    std::lock_guard lock(g_mutex);
    FtDevice* d = Of(handle);
    if (d == nullptr) {
        return 1;
    }
    d->latency = ms;
    return FT_OK;
}

FAKE_EXPORT BOOL FT_W32_ReadFile(FT_HANDLE handle, void* buffer, DWORD size, DWORD* got,
                                 OVERLAPPED*) {
    FtDevice* const d = LockedOf(handle);
    if (d == nullptr) {
        return 0;
    }
    auto* const bytes = static_cast<uint8_t*>(buffer);
    size_t n = d->reader.Take(bytes, size);
    bool stripNulls;
    {
        std::lock_guard lock(g_mutex);
        stripNulls = d->dcb.fNull != 0;
    }
    // With null stripping on, the device drops every 00 byte it receives.
    if (stripNulls) {
        n = static_cast<size_t>(std::remove(bytes, bytes + n, uint8_t{0}) - bytes);
    }
    *got = static_cast<DWORD>(n);
    return 1;
}

FAKE_EXPORT BOOL FT_W32_WriteFile(FT_HANDLE handle, void* data, DWORD size, DWORD* written,
                                  OVERLAPPED*) {
    FtDevice* const d = LockedOf(handle);
    if (d == nullptr) {
        return 0;
    }
    d->reader.Receive(static_cast<const uint8_t*>(data), size);
    *written = size;
    return 1;
}

FAKE_EXPORT DWORD FT_W32_GetLastError(FT_HANDLE) {
    return 0;
}

FAKE_EXPORT BOOL FT_W32_ClearCommError(FT_HANDLE handle, DWORD* errors, FTCOMSTAT* status) {
    FtDevice* const d = LockedOf(handle);
    if (d == nullptr) {
        return 0;
    }
    *errors = 0;
    std::memset(status, 0, sizeof *status);
    status->cbInQue = static_cast<DWORD>(d->reader.Due());
    return 1;
}

FAKE_EXPORT BOOL FT_W32_GetCommModemStatus(FT_HANDLE handle, DWORD* bits) {
    std::lock_guard lock(g_mutex);
    if (Of(handle) == nullptr) {
        return 0;
    }
    *bits = 0x30;  // CTS and DSR on
    return 1;
}

FAKE_EXPORT BOOL FT_W32_GetCommState(FT_HANDLE handle, FTDCB* dcb) {
    std::lock_guard lock(g_mutex);
    FtDevice* d = Of(handle);
    if (d == nullptr) {
        return 0;
    }
    *dcb = d->dcb;
    return 1;
}

FAKE_EXPORT BOOL FT_W32_SetCommState(FT_HANDLE handle, FTDCB* dcb) {
    std::lock_guard lock(g_mutex);
    FtDevice* d = Of(handle);
    if (d == nullptr) {
        return 0;
    }
    d->baud = dcb->BaudRate;
    d->dcb = *dcb;
    return 1;
}

FAKE_EXPORT BOOL FT_W32_SetCommMask(FT_HANDLE handle, ULONG) {
    std::lock_guard lock(g_mutex);
    return Of(handle) != nullptr;
}

FAKE_EXPORT BOOL FT_W32_SetCommTimeouts(FT_HANDLE handle, FTTIMEOUTS*) {
    std::lock_guard lock(g_mutex);
    return Of(handle) != nullptr;
}

FAKE_EXPORT BOOL FT_W32_PurgeComm(FT_HANDLE handle, DWORD flags) {
    FtDevice* const d = LockedOf(handle);
    if (d == nullptr) {
        return 0;
    }
    {
        std::lock_guard lock(g_mutex);
        d->purgeFlags = static_cast<long>(flags);
    }
    if ((flags & PURGE_RXCLEAR) != 0) {
        uint8_t discard[256];
        while (d->reader.Take(discard, sizeof discard) > 0) {
        }
    }
    return 1;
}

// Test controls.

// Pulls the device out: calls on its handle fail from now on.
FAKE_EXPORT void fake_d2xx_unplug(int device) {
    std::lock_guard lock(g_mutex);
    if (FtDevice* d = At(device)) {
        d->unplugged = true;
    }
}

// The devices are made anew from the configuration at the next call (once none is open).
FAKE_EXPORT void fake_d2xx_reset() {
    std::lock_guard lock(g_mutex);
    g_devices.Reset();
}

// The latency timer last set on the device, -1 when never.
FAKE_EXPORT int fake_d2xx_latency(int device) {
    std::lock_guard lock(g_mutex);
    FtDevice* d = At(device);
    return d ? d->latency : -1;
}

FAKE_EXPORT int fake_d2xx_baud(int device) {
    std::lock_guard lock(g_mutex);
    FtDevice* d = At(device);
    return d ? static_cast<int>(d->baud) : -1;
}

// The line flags in effect: 1 DSR sensitivity, 2 transmit continues on XOFF, 4 abort on
// error, 8 null stripping; -1 without the device.
FAKE_EXPORT int fake_d2xx_line_flags(int device) {
    std::lock_guard lock(g_mutex);
    FtDevice* d = At(device);
    if (d == nullptr) {
        return -1;
    }
    return (d->dcb.fDsrSensitivity ? 1 : 0) | (d->dcb.fTXContinueOnXoff ? 2 : 0) |
           (d->dcb.fAbortOnError ? 4 : 0) | (d->dcb.fNull ? 8 : 0);
}

// The flags of the last purge, -1 when none was made.
FAKE_EXPORT int fake_d2xx_purge_flags(int device) {
    std::lock_guard lock(g_mutex);
    FtDevice* d = At(device);
    return d ? static_cast<int>(d->purgeFlags) : -1;
}

FAKE_EXPORT int fake_d2xx_is_open(int device) {
    std::lock_guard lock(g_mutex);
    FtDevice* d = At(device);
    return d ? (d->open != nullptr ? 1 : 0) : -1;
}

// The next request the simulated reader took (wire command, then data): its length or -1.
FAKE_EXPORT int fake_d2xx_take_command(int device, unsigned char* out, int capacity) {
    FtDevice* d;
    {
        std::lock_guard lock(g_mutex);
        d = At(device);
    }
    return d ? d->reader.TakeCommand(out, capacity) : -1;
}

// The simulated reader's test control (see FakeReader::Control).
FAKE_EXPORT int fake_d2xx_control(int device, const char* command, unsigned char* out,
                                  int capacity) {
    FtDevice* d;
    {
        std::lock_guard lock(g_mutex);
        d = At(device);
    }
    return d ? d->reader.Control(command, out, capacity) : -1;
}
