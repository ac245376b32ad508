// A stand-in for the Silicon Labs USBXpress library (libSiUSBXp.so) that presents Bluetooth
// dongles with a simulated reader in range. The library under test loads it through
// VESMOR_SIUSBXP_LIB and reaches it by the same calls as the vendor's library.
//
// VESMOR_FAKE_SIUSBXP lists the dongles: "SERIAL[|DESCRIPTION];SERIAL..." (default one dongle
// "VEK-PN4207#00042"). VESMOR_FAKE_SIUSBXP_TAGS puts transponders of these kinds
// ("nxp,st") into every reader's field; VESMOR_FAKE_SIUSBXP_CONVEYOR="N:M" brings a new NXP
// transponder every N ms for M ms; VESMOR_FAKE_SIUSBXP_FAIL names a set-up function
// (SI_SetBaudRate, SI_SetLineControl, SI_SetFlowControl, SI_SetBreak) that fails. Tests that load
// the same file reach the dongles through the FakeSiUsbXp_ functions.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "sim/conveyor.h"
#include "sim/dongle_engine.h"
#include "sim/tag_field.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using vesmor::sim::DongleConfig;
using vesmor::sim::DongleEngine;
using vesmor::sim::ReaderConfig;
using vesmor::sim::ReaderEngine;
using vesmor::sim::Reply;
using vesmor::sim::TagField;

constexpr int kSuccess = 0x00;
constexpr int kDeviceNotFound = 0xFF;
constexpr int kInvalidHandle = 0x01;
constexpr int kInvalidParameter = 0x12;
constexpr int kDeviceIoFailed = 0x04;

int64_t NowNs() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

struct FakeDongle {
    FakeDongle(std::string serialNumber, std::string productDescription)
        : serial(std::move(serialNumber)),
          description(std::move(productDescription)),
          engine(ReaderConfig{}),
          dongle(engine, DongleConfig{}) {
        engine.SetField(&field);
    }
    std::string serial;
    std::string description;
    TagField field;
    ReaderEngine engine;
    DongleEngine dongle;
    bool open = false;
    uint32_t baud = 0;
    uint16_t lineControl = 0;
    int breaks = 0;
    // Bytes the dongle sends, each with the time it arrives.
    std::multimap<int64_t, std::vector<uint8_t>> incoming;
    std::deque<uint8_t> arrived;
    std::unique_ptr<vesmor::sim::Conveyor> conveyor;

    void Receive(const std::vector<Reply>& replies) {
        const int64_t now = NowNs();
        for (const Reply& reply : replies) {
            incoming.emplace(now + int64_t{reply.delayMs} * 1'000'000, reply.bytes);
        }
    }
    void TakeArrived() {
        const int64_t now = NowNs();
        while (!incoming.empty() && incoming.begin()->first <= now) {
            const std::vector<uint8_t>& bytes = incoming.begin()->second;
            arrived.insert(arrived.end(), bytes.begin(), bytes.end());
            incoming.erase(incoming.begin());
        }
    }
};

std::mutex g_mutex;
std::vector<std::unique_ptr<FakeDongle>> g_dongles;
bool g_made = false;
std::string g_failing;

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    for (std::string part; std::getline(stream, part, separator);) {
        if (!part.empty()) {
            parts.push_back(part);
        }
    }
    return parts;
}

void MakeDongles() {
    g_dongles.clear();
    const char* list = std::getenv("VESMOR_FAKE_SIUSBXP");
    const char* tags = std::getenv("VESMOR_FAKE_SIUSBXP_TAGS");
    const char* conveyor = std::getenv("VESMOR_FAKE_SIUSBXP_CONVEYOR");
    const char* failing = std::getenv("VESMOR_FAKE_SIUSBXP_FAIL");
    g_failing = failing != nullptr ? failing : "";
    int everyMs = 0, presentMs = 0;
    if (conveyor == nullptr || std::sscanf(conveyor, "%d:%d", &everyMs, &presentMs) != 2) {
        everyMs = 0;
    }
    for (const std::string& entry : Split(list != nullptr ? list : "VEK-PN4207#00042", ';')) {
        const size_t bar = entry.find('|');
        auto dongle = std::make_unique<FakeDongle>(
            entry.substr(0, bar),
            bar == std::string::npos ? "Vek Bluetooth Dongle" : entry.substr(bar + 1));
        for (const std::string& kind : Split(tags != nullptr ? tags : "", ',')) {
            if (const auto chip = vesmor::sim::ChipKindByName(kind)) {
                dongle->field.Insert(*chip);
            }
        }
        if (everyMs > 0 && presentMs > 0) {
            dongle->conveyor = std::make_unique<vesmor::sim::Conveyor>(
                dongle->field, vesmor::sim::ChipKind::kNxp, everyMs, presentMs);
        }
        g_dongles.push_back(std::move(dongle));
    }
    g_made = true;
}

std::vector<std::unique_ptr<FakeDongle>>& Dongles() {
    if (!g_made) {
        MakeDongles();
    }
    return g_dongles;
}

FakeDongle* ByIndex(uint32_t index) {
    auto& dongles = Dongles();
    return index < dongles.size() ? dongles[index].get() : nullptr;
}

FakeDongle* ByHandle(void* handle) {
    for (auto& dongle : Dongles()) {
        if (dongle.get() == handle && dongle->open) {
            return dongle.get();
        }
    }
    return nullptr;
}

// Runs body on the open dongle of the handle: success, or an invalid handle, or the failure of
// the function named to fail.
template <class Body>
int WithOpenDongle(void* handle, Body body, const char* function = "") {
    std::lock_guard lock(g_mutex);
    FakeDongle* dongle = ByHandle(handle);
    if (dongle == nullptr) {
        return kInvalidHandle;
    }
    if (!g_failing.empty() && g_failing == function) {
        return kDeviceIoFailed;
    }
    body(dongle);
    return kSuccess;
}

}  // namespace

FAKE_EXPORT int SI_GetNumDevices(uint32_t* count) {
    std::lock_guard lock(g_mutex);
    if (count == nullptr) {
        return kInvalidParameter;
    }
    *count = static_cast<uint32_t>(Dongles().size());
    return kSuccess;
}

FAKE_EXPORT int SI_GetProductString(uint32_t device, void* text, uint32_t flags) {
    std::lock_guard lock(g_mutex);
    FakeDongle* dongle = ByIndex(device);
    if (dongle == nullptr) {
        return kDeviceNotFound;
    }
    const std::string& value = flags == 0 ? dongle->serial : dongle->description;
    std::memcpy(text, value.c_str(), value.size() + 1);
    return kSuccess;
}

FAKE_EXPORT int SI_Open(uint32_t device, void** handle) {
    std::lock_guard lock(g_mutex);
    FakeDongle* dongle = ByIndex(device);
    if (dongle == nullptr) {
        return kDeviceNotFound;
    }
    if (dongle->open) {
        return kDeviceIoFailed;  // held by another program
    }
    dongle->open = true;
    dongle->incoming.clear();
    dongle->arrived.clear();
    dongle->dongle.ResetParser();
    *handle = dongle;
    return kSuccess;
}

FAKE_EXPORT int SI_Close(void* handle) {
    return WithOpenDongle(handle, [&](FakeDongle* dongle) { dongle->open = false; });
}

FAKE_EXPORT int SI_Read(void* handle, void* buffer, uint32_t count, uint32_t* got, void*) {
    return WithOpenDongle(handle, [&](FakeDongle* dongle) {
        dongle->TakeArrived();
        const size_t n = std::min<size_t>(count, dongle->arrived.size());
        std::copy_n(dongle->arrived.begin(), n, static_cast<uint8_t*>(buffer));
        dongle->arrived.erase(dongle->arrived.begin(), dongle->arrived.begin() + n);
        *got = static_cast<uint32_t>(n);
    });
}

FAKE_EXPORT int SI_Write(void* handle, void* data, uint32_t count, uint32_t* written, void*) {
    return WithOpenDongle(handle, [&](FakeDongle* dongle) {
        dongle->Receive(dongle->dongle.OnBytes(static_cast<const uint8_t*>(data), count));
        *written = count;
    });
}

FAKE_EXPORT int SI_DeviceIOControl(void*, uint32_t, void*, uint32_t, void*, uint32_t, uint32_t*) {
    return kDeviceIoFailed;
}

FAKE_EXPORT int SI_FlushBuffers(void* handle, uint8_t /*transmit*/, uint8_t receive) {
    return WithOpenDongle(handle, [&](FakeDongle* dongle) {
        if (receive != 0) {
            dongle->TakeArrived();
            dongle->arrived.clear();
        }
    });
}

FAKE_EXPORT int SI_SetTimeouts(uint32_t, uint32_t) {
    return kSuccess;
}

FAKE_EXPORT int SI_GetTimeouts(uint32_t* readMs, uint32_t* writeMs) {
    *readMs = *writeMs = 1000;
    return kSuccess;
}

FAKE_EXPORT int SI_CheckRXQueue(void* handle, uint32_t* bytesWaiting, uint32_t* queueStatus) {
    return WithOpenDongle(handle, [&](FakeDongle* dongle) {
        dongle->TakeArrived();
        *bytesWaiting = static_cast<uint32_t>(dongle->arrived.size());
        *queueStatus = dongle->arrived.empty() ? 0 : 2;  // SI_RX_READY
    });
}

FAKE_EXPORT int SI_SetBaudRate(void* handle, uint32_t baud) {
    return WithOpenDongle(
        handle, [&](FakeDongle* dongle) { dongle->baud = baud; }, "SI_SetBaudRate");
}

FAKE_EXPORT int SI_SetBaudDivisor(void*, uint16_t) {
    return kSuccess;
}

FAKE_EXPORT int SI_SetLineControl(void* handle, uint16_t lineControl) {
    return WithOpenDongle(
        handle, [&](FakeDongle* dongle) { dongle->lineControl = lineControl; },
        "SI_SetLineControl");
}

FAKE_EXPORT int SI_SetFlowControl(void* handle, uint8_t, uint8_t, uint8_t, uint8_t, uint8_t, int) {
    return WithOpenDongle(
        handle, [](FakeDongle*) {}, "SI_SetFlowControl");
}

FAKE_EXPORT int SI_GetModemStatus(void*, uint8_t* status) {
    *status = 0;
    return kSuccess;
}

FAKE_EXPORT int SI_SetBreak(void* handle, uint16_t state) {
    return WithOpenDongle(
        handle, [&](FakeDongle* dongle) { dongle->breaks += state != 0 ? 1 : 0; }, "SI_SetBreak");
}

FAKE_EXPORT int SI_ReadLatch(void*, uint8_t* latch) {
    *latch = 0;
    return kSuccess;
}

FAKE_EXPORT int SI_WriteLatch(void*, uint8_t, uint8_t) {
    return kSuccess;
}

FAKE_EXPORT int SI_GetPartNumber(uint32_t, uint8_t* part) {
    *part = 0x0A;  // CP2110-like bridge
    return kSuccess;
}

FAKE_EXPORT int SI_GetDLLVersion(uint32_t* high, uint32_t* low) {
    *high = 0x00030005;
    *low = 0;
    return kSuccess;
}

FAKE_EXPORT int SI_GetDriverVersion(uint32_t* high, uint32_t* low) {
    *high = 0x00030005;
    *low = 0;
    return kSuccess;
}

// Test controls.

// Builds the dongles again from the environment.
FAKE_EXPORT void FakeSiUsbXp_Reset() {
    std::lock_guard lock(g_mutex);
    MakeDongles();
}

// The reader of that dongle leaves its range (0) or comes back (1).
FAKE_EXPORT void FakeSiUsbXp_SetReaderInRange(uint32_t device, int inRange) {
    std::lock_guard lock(g_mutex);
    if (FakeDongle* dongle = ByIndex(device)) {
        dongle->Receive(dongle->dongle.SetReaderInRange(inRange != 0));
    }
}

// What the dongle has seen: "open", "link", "baud", "line", "breaks", "resets", "inquiries",
// "names", "connects", "disconnects", "data"; -1 for an unknown dongle or word.
FAKE_EXPORT int64_t FakeSiUsbXp_Query(uint32_t device, const char* what) {
    std::lock_guard lock(g_mutex);
    FakeDongle* dongle = ByIndex(device);
    if (dongle == nullptr) {
        return -1;
    }
    const vesmor::sim::DongleLog& log = dongle->dongle.Log();
    const std::map<std::string, int64_t> values = {
        {"open", dongle->open},       {"link", dongle->dongle.IsLinkUp()},
        {"baud", dongle->baud},       {"line", dongle->lineControl},
        {"breaks", dongle->breaks},   {"resets", log.resets},
        {"inquiries", log.inquiries}, {"names", log.nameRequests},
        {"connects", log.connects},   {"disconnects", log.disconnects},
        {"data", log.dataRequests}};
    const auto it = values.find(what);
    return it == values.end() ? -1 : it->second;
}

// The first transponder of that dongle's reader: block 0 into out (up to size bytes); the
// number of bytes, or -1.
FAKE_EXPORT int FakeSiUsbXp_FirstBlock(uint32_t device, uint8_t* out, int size) {
    std::lock_guard lock(g_mutex);
    FakeDongle* dongle = ByIndex(device);
    if (dongle == nullptr || dongle->field.Uids().empty()) {
        return -1;
    }
    const auto block = dongle->field.Block(dongle->field.Uids().front(), 0);
    if (!block) {
        return -1;
    }
    const int n = std::min(size, static_cast<int>(block->size()));
    std::memcpy(out, block->data(), static_cast<size_t>(n));
    return n;
}
