// The flat VESMOR_ functions: argument checks, then the library object or the port.

#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "library/include/vesmor.h"
#include "library/list_buffer.h"
#include "library/model_table.h"
#include "library/sdk_app.h"
#include "library/trace.h"
#include "library/wait_hooks.h"
#include "transports/bt_dongle.h"
#include "transports/ftd2xx_table.h"
#include "transports/sim_announcement.h"
#include "transports/system_ports.h"
#include "transports/usb_reader_list.h"

using vesmor::CVESMOR_SDKApp;

namespace {

// No exception may cross the C interface; an unexpected one turns into the failure result.
template <class Body>
int32_t Guarded(int32_t failure, Body body) {
    try {
        return body();
    } catch (const std::exception&) {
        return failure;
    }
}

bool ValidBuffer(const void* buffer, int32_t size) {
    return buffer != nullptr && size >= 0;
}

int32_t WriteList(const std::vector<std::string>& names, char* buffer, int32_t size) {
    if (!ValidBuffer(buffer, size)) {
        return -1;
    }
    return vesmor::WriteListBuffer(names, buffer, size);
}

// Sends a reader command with the given data bytes: 0 on success, -1 on failure.
int32_t SimpleCommand(int32_t handle, uint8_t command, const CMyByteArray& data) {
    auto port = CVESMOR_SDKApp::Instance().FindPort(handle);
    if (!port) {
        return -1;
    }
    CMyByteArray answer;
    return port->Exchange(command, data, answer) ? 0 : -1;
}

}  // namespace

extern "C" {

int32_t VESMOR_GetBluetoothPorts(char* buffer, int32_t size) {
    return Guarded(-1, [&] {
        return WriteList(
            ValidBuffer(buffer, size) ? vesmor::BluetoothPortNames() : std::vector<std::string>{},
            buffer, size);
    });
}

int32_t VESMOR_ClosePort(int32_t handle) {
    return Guarded(-1, [&] { return CVESMOR_SDKApp::Instance().ClosePort(handle); });
}

int32_t VESMOR_GetVersion(int32_t handle, unsigned char* buffer, int32_t size) {
    return Guarded(-1, [&]() -> int32_t {
        auto port = CVESMOR_SDKApp::Instance().FindPort(handle);
        if (!port || !ValidBuffer(buffer, size)) {
            return -1;
        }
        CMyByteArray answer;
        if (!CVESMOR_SDKApp::Instance().Identify(*port, answer)) {
            return -1;
        }
        if (answer.GetSize() > static_cast<size_t>(size)) {
            port->SetLastError(VESMOR_ERR_BUFFER_TOO_SMALL);
            return -1;
        }
        if (!answer.IsEmpty()) {
            std::memcpy(buffer, answer.GetData(), answer.GetSize());
        }
        return static_cast<int32_t>(answer.GetSize());
    });
}

int32_t VESMOR_GetComPorts(char* buffer, int32_t size) {
    return Guarded(-1, [&] {
        std::vector<std::string> names;
        if (ValidBuffer(buffer, size)) {
            names = vesmor::SystemSerialPorts();
            // A running vesmor-sim is offered like a device, after the real ones.
            const std::vector<std::string> simulators = vesmor::AnnouncedSimulators();
            names.insert(names.end(), simulators.begin(), simulators.end());
        }
        return WriteList(names, buffer, size);
    });
}

int32_t VESMOR_GetDeviceName(int32_t handle, char* buffer, int32_t size) {
    return Guarded(-1, [&]() -> int32_t {
        if (buffer != nullptr && size < 0) {
            return -1;
        }
        auto port = CVESMOR_SDKApp::Instance().FindPort(handle);
        const std::string name = vesmor::ModelName(port ? port->DeviceCode() : 0);
        if (buffer != nullptr && size > 0) {
            // The buffer is zeroed first: the name, cut to size - 1 characters, ends in NUL.
            std::memset(buffer, 0, static_cast<size_t>(size));
            std::memcpy(buffer, name.data(),  // NOLINT(bugprone-not-null-terminated-result)
                        std::min(name.size(), static_cast<size_t>(size) - 1));
        }
        return static_cast<int32_t>(name.size());
    });
}

int32_t VESMOR_GetLastError(int32_t handle) {
    return Guarded(VESMOR_ERR_UNKNOWN_HANDLE, [&] {
        auto port = CVESMOR_SDKApp::Instance().FindPort(handle);
        return port ? port->LastError() : VESMOR_ERR_UNKNOWN_HANDLE;
    });
}

int32_t VESMOR_GetMissingDrivers(void) {
    return Guarded(0, [] {
        vesmor::CFTD2xxPort d2xx;
        return vesmor::SystemMissingDrivers(d2xx.LoadD2xx());
    });
}

int32_t VESMOR_IsProgrammer(int32_t handle) {
    return Guarded(-1, [&] {
        auto port = CVESMOR_SDKApp::Instance().FindPort(handle);
        return port ? (vesmor::IsProgrammerCode(port->DeviceCode()) ? 1 : 0) : -1;
    });
}

int32_t VESMOR_IsUSB(int32_t handle) {
    return Guarded(-1, [&] {
        auto port = CVESMOR_SDKApp::Instance().FindPort(handle);
        if (!port) {
            return -1;
        }
        return (port->IsHidOpen() || port->IsD2xxMode()) ? 1 : 0;
    });
}

int32_t VESMOR_IsConnected(int32_t handle) {
    return Guarded(-1, [&] {
        auto port = CVESMOR_SDKApp::Instance().FindPort(handle);
        if (!port) {
            return -1;
        }
        return port->IsConnected() ? 1 : 0;
    });
}

int32_t VESMOR_GetProtocolType(int32_t handle) {
    return Guarded(-1, [&] {
        auto port = CVESMOR_SDKApp::Instance().FindPort(handle);
        return port ? port->ProtocolType() : -1;
    });
}

int32_t VESMOR_IsVirtualComDriverInstalled(void) {
    return Guarded(0, [] {
        return vesmor::SystemHasVirtualComDriver() ? 1 : 0;
    });
}

int32_t VESMOR_GetHidPorts(char* buffer, int32_t size) {
    return Guarded(-1, [&] {
        return WriteList(
            ValidBuffer(buffer, size) ? vesmor::ListUsbReaders() : std::vector<std::string>{},
            buffer, size);
    });
}

int32_t VESMOR_OpenPort(const char* name, int32_t baud, int32_t timeoutMs) {
    return Guarded(-1, [&] { return CVESMOR_SDKApp::Instance().OpenPort(name, baud, timeoutMs); });
}

int32_t VESMOR_SetUsbMode(int32_t handle, int32_t mode) {
    return Guarded(-1, [&] { return SimpleCommand(handle, 0xFF, {static_cast<uint8_t>(mode)}); });
}

int32_t VESMOR_ResetDevice(int32_t handle, int32_t first, int32_t second) {
    return Guarded(-1, [&] {
        return SimpleCommand(handle, 0xF6,
                             {static_cast<uint8_t>(first), static_cast<uint8_t>(second)});
    });
}

int32_t VESMOR_SetReaderOption(int32_t handle, int32_t value) {
    return Guarded(-1, [&]() -> int32_t {
        auto port = CVESMOR_SDKApp::Instance().FindPort(handle);
        if (!port) {
            return -1;
        }
        if ((value & 0x7F) > 3) {
            port->SetLastError(VESMOR_ERR_OPTION_RANGE);
            return -1;
        }
        if (port->ProtocolType() >= 2) {
            return 0;
        }
        CMyByteArray answer;
        return port->Exchange(0xF4, {static_cast<uint8_t>(value)}, answer) ? 0 : -1;
    });
}

void VESMOR_SetWaitHooks(VESMOR_WaitHook begin, VESMOR_WaitHook pump, VESMOR_WaitHook end,
                         void* context) {
    vesmor::SetWaitHooks({begin, pump, end, context});
}

void VESMOR_SetTraceHook(VESMOR_TraceHook hook) {
    CVESMOR_SDKApp::Instance().SetTraceHook(hook);
}

void VESMOR_Trace(const char* text) {
    if (text != nullptr) {
        Guarded(0, [&] { return vesmor::TraceSend(text) ? 1 : 0; });
    }
}

}  // extern "C"
