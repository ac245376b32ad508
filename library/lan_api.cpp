// The VESMOR_ functions of LAN readers: search, reachability test, reading and changing the
// network settings. Each runs the host's wait hooks while it waits for replies.

#include <algorithm>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "library/include/vesmor.h"
#include "library/list_buffer.h"
#include "library/wait_hooks.h"
#include "transports/lan_search.h"
#include "transports/lan_settings.h"

namespace {

// Outputs of VESMOR_GetLanConfig hold at least this many bytes.
constexpr size_t kLanTextOutput = 32;

template <class Body>
int32_t GuardedLan(int32_t failure, Body body) {
    try {
        return body();
    } catch (const std::exception&) {
        return failure;
    }
}

// Runs body with the host's wait hooks and a pump for the waits inside.
template <class Body>
int32_t WithWaitHooks(Body body) {
    const vesmor::WaitHookScope hooks;
    const vesmor::WaitPump pump =
        hooks.HasPump() ? vesmor::WaitPump([&] { hooks.Pump(); }) : vesmor::WaitPump();
    return body(pump);
}

int32_t FindLan(char* buffer, int32_t size, int variant) {
    if (buffer == nullptr || size < 0) {
        return -1;
    }
    return WithWaitHooks([&](const vesmor::WaitPump& pump) {
        std::vector<std::string> readers;
        vesmor::SearchReaders(readers, vesmor::kSearchTimeoutMs, variant, pump);
        return vesmor::WriteListBuffer(readers, buffer, size);
    });
}

void CopyOut(char* out, const std::string& text) {
    if (out != nullptr) {
        const size_t count = std::min(text.size(), kLanTextOutput - 1);
        std::memcpy(out, text.data(), count);
        out[count] = '\0';
    }
}

}  // namespace

extern "C" {

int32_t VESMOR_SetLanConfig(const char* reader, const char* newAddress, const char* mask,
                            const char* gateway) {
    return GuardedLan(-1, [&]() -> int32_t {
        if (reader == nullptr || newAddress == nullptr || mask == nullptr || gateway == nullptr) {
            return -1;
        }
        return WithWaitHooks([&](const vesmor::WaitPump& pump) {
            return vesmor::SetLanConfig(reader, newAddress, mask, gateway, pump);
        });
    });
}

int32_t VESMOR_FindLanDevices(char* buffer, int32_t size) {
    return GuardedLan(-1, [&] { return FindLan(buffer, size, 0); });
}

int32_t VESMOR_GetLanConfig(const char* reader, char* name, char* address, char* mask,
                            char* gateway) {
    return GuardedLan(-1, [&]() -> int32_t {
        if (reader == nullptr) {
            return -1;
        }
        vesmor::LanSettings settings;
        const int32_t result = WithWaitHooks([&](const vesmor::WaitPump& pump) {
            return vesmor::GetLanConfig(reader, settings, pump);
        });
        if (result != 0) {
            return result;
        }
        CopyOut(name, settings.name);
        // Without a name output a DHCP reader's name stands in for its (empty) address.
        CopyOut(address,
                name == nullptr && settings.address.empty() ? settings.name : settings.address);
        CopyOut(mask, settings.mask);
        CopyOut(gateway, settings.gateway);
        return 0;
    });
}

int32_t VESMOR_TestLanDevice(const char* reader) {
    return GuardedLan(0, [&]() -> int32_t {
        if (reader == nullptr) {
            return 0;
        }
        return WithWaitHooks(
            [&](const vesmor::WaitPump& pump) { return vesmor::TestLanDevice(reader, pump); });
    });
}

int32_t VESMOR_FindLanDevicesEx(char* buffer, int32_t size) {
    return GuardedLan(-1, [&] { return FindLan(buffer, size, 1); });
}

}  // extern "C"
