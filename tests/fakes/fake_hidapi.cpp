// A fake libhidapi-hidraw.so.0: the hidapi calls the library makes, on devices that the
// environment variable VESMOR_FAKE_HID configures (see fake_reader.h), each answered by a
// simulated reader. Reports are hidraw's: unnumbered, so reads deliver no report ID.

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/fakes/fake_reader.h"
#include "transports/hidapi_table.h"

struct hid_device_ {
    size_t index;
};

namespace vesmor::fake {
namespace {

struct HidDevice {
    explicit HidDevice(const Settings& s, size_t index) : settings(s), reader(s) {
        vendorId = static_cast<unsigned short>(IntSetting(s, "vid", 0x16C0, 16));
        productId = static_cast<unsigned short>(IntSetting(s, "pid", 0x2913, 16));
        const auto p = s.find("path");
        path = p != s.end() ? p->second : "/dev/hidraw" + std::to_string(index);
        const auto serialText = s.find("serial");
        const std::string narrow = serialText != s.end() ? serialText->second : "";
        serial.assign(narrow.begin(), narrow.end());
        inputLength = static_cast<size_t>(IntSetting(s, "input", 9));
        outputLength = static_cast<size_t>(IntSetting(s, "output", 9));
        busy = IntSetting(s, "busy", 0) != 0;
        readError = IntSetting(s, "readerror", 0) != 0;
        noSerial = IntSetting(s, "noserial", 0) != 0;
        noStart = IntSetting(s, "nostart", 0) != 0;
        writeDelayMs = IntSetting(s, "writedelay", 0);
    }
    Settings settings;
    FakeReader reader;
    unsigned short vendorId, productId;
    std::string path;
    std::wstring serial;
    size_t inputLength, outputLength;
    bool busy, readError, noSerial, noStart;
    int writeDelayMs;
    int openCount = 0;
    std::deque<std::vector<uint8_t>> written;
    std::deque<std::vector<uint8_t>> injected;
};

std::mutex g_mutex;
// Never destroyed: like a real device, one stays valid for a write still in it while the
// program ends (the library does not wait for a device that is slow to take a report).
DeviceSet<HidDevice>& g_devices = *new DeviceSet<HidDevice>("VESMOR_FAKE_HID");

std::vector<std::unique_ptr<HidDevice>>& Devices() {
    return g_devices.Current([](const HidDevice& d) { return d.openCount > 0; });
}

// A device of the configuration in effect (calls on open devices never reload it).
HidDevice* At(size_t index) {
    return g_devices.At(index);
}

wchar_t* CopyWide(const std::wstring& text) {
    auto* copy = static_cast<wchar_t*>(std::calloc(text.size() + 1, sizeof(wchar_t)));
    std::wmemcpy(copy, text.c_str(), text.size());
    return copy;
}

}  // namespace
}  // namespace vesmor::fake

using namespace vesmor::fake;

FAKE_EXPORT int hid_init() {
    return 0;
}

FAKE_EXPORT int hid_exit() {
    return 0;
}

FAKE_EXPORT hid_device_info* hid_enumerate(unsigned short vendorId, unsigned short productId) {
    std::lock_guard lock(g_mutex);
    hid_device_info* first = nullptr;
    hid_device_info** tail = &first;
    for (const auto& d : Devices()) {
        if ((vendorId != 0 && vendorId != d->vendorId) ||
            (productId != 0 && productId != d->productId)) {
            continue;
        }
        auto* info = static_cast<hid_device_info*>(std::calloc(1, sizeof(hid_device_info)));
        info->path = ::strdup(d->path.c_str());
        info->vendor_id = d->vendorId;
        info->product_id = d->productId;
        info->serial_number = CopyWide(d->serial);
        info->manufacturer_string = CopyWide(L"Vek");
        info->product_string = CopyWide(L"Fake HID reader");
        info->interface_number = 0;
        info->bus_type = HID_API_BUS_USB;
        *tail = info;
        tail = &info->next;
    }
    return first;
}

FAKE_EXPORT void hid_free_enumeration(hid_device_info* devices) {
    while (devices != nullptr) {
        hid_device_info* next = devices->next;
        std::free(devices->path);
        std::free(devices->serial_number);
        std::free(devices->manufacturer_string);
        std::free(devices->product_string);
        std::free(devices);
        devices = next;
    }
}

FAKE_EXPORT hid_device* hid_open_path(const char* path) {
    std::lock_guard lock(g_mutex);
    auto& devices = Devices();
    for (size_t i = 0; i < devices.size(); ++i) {
        if (devices[i]->path == path && !devices[i]->busy) {
            ++devices[i]->openCount;
            return new hid_device_{i};
        }
    }
    return nullptr;
}

FAKE_EXPORT void hid_close(hid_device* device) {
    if (device == nullptr) {
        return;
    }
    {
        std::lock_guard lock(g_mutex);
        if (HidDevice* d = At(device->index)) {
            --d->openCount;
        }
    }
    delete device;
}

FAKE_EXPORT int hid_write(hid_device* device, const unsigned char* data, size_t length) {
    HidDevice* d;
    int delayMs = 0;
    {
        std::lock_guard lock(g_mutex);
        d = At(device->index);
        delayMs = d ? d->writeDelayMs : 0;
    }
    // A device that is slow to take its reports.
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    {
        std::lock_guard lock(g_mutex);
        d = At(device->index);
        if (d == nullptr || length < 2 || length > d->outputLength || data[0] != 0) {
            return -1;
        }
        d->written.emplace_back(data, data + length);
        if (data[1] == 0x82 && length >= 4 && data[2] == 0x10) {
            return d->noStart && data[3] == 0 ? -1 : static_cast<int>(length);
        }
    }
    const size_t n = std::min<size_t>(data[1], length - 2);
    d->reader.Receive(data + 2, n);
    return static_cast<int>(length);
}

FAKE_EXPORT int hid_read_timeout(hid_device* device, unsigned char* data, size_t length,
                                 int milliseconds) {
    HidDevice* d;
    {
        std::lock_guard lock(g_mutex);
        d = At(device->index);
        if (d == nullptr || d->readError) {
            return -1;
        }
        if (!d->injected.empty()) {
            const int n = TakeQueued(d->injected, data, static_cast<int>(length));
            return std::min(n, static_cast<int>(length));
        }
    }
    if (d->reader.WaitDue(milliseconds) == 0) {
        return 0;
    }
    // One report as the device sends it: n, n payload bytes, zeros up to its length.
    std::vector<uint8_t> report(d->inputLength - 1, 0);
    report[0] = static_cast<uint8_t>(d->reader.Take(report.data() + 1, d->inputLength - 2));
    const size_t n = std::min(length, report.size());
    std::memcpy(data, report.data(), n);
    return static_cast<int>(n);
}

FAKE_EXPORT int hid_read(hid_device* device, unsigned char* data, size_t length) {
    return hid_read_timeout(device, data, length, -1);
}

FAKE_EXPORT int hid_get_serial_number_string(hid_device* device, wchar_t* text, size_t maxLength) {
    std::lock_guard lock(g_mutex);
    HidDevice* d = At(device->index);
    if (d == nullptr || d->noSerial || maxLength == 0) {
        return -1;
    }
    std::wcsncpy(text, d->serial.c_str(), maxLength);
    text[maxLength - 1] = L'\0';
    return 0;
}

FAKE_EXPORT const wchar_t* hid_error(hid_device*) {
    return L"fake hidapi error";
}

// Test controls.

// The devices are made anew from the configuration at the next call (once none is open).
FAKE_EXPORT void fake_hid_reset() {
    std::lock_guard lock(g_mutex);
    g_devices.Reset();
}

// The next report the library wrote to the device: its length, or -1 when there is none.
FAKE_EXPORT int fake_hid_take_report(int device, unsigned char* out, int capacity) {
    std::lock_guard lock(g_mutex);
    HidDevice* d = At(static_cast<size_t>(device));
    return d ? TakeQueued(d->written, out, capacity) : -1;
}

// An input report (as hidraw delivers it, without report ID) for the next read.
FAKE_EXPORT void fake_hid_push_input(int device, const unsigned char* report, int length) {
    std::lock_guard lock(g_mutex);
    if (HidDevice* d = At(static_cast<size_t>(device))) {
        d->injected.emplace_back(report, report + length);
    }
}

FAKE_EXPORT void fake_hid_set_read_error(int device, int on) {
    std::lock_guard lock(g_mutex);
    if (HidDevice* d = At(static_cast<size_t>(device))) {
        d->readError = on != 0;
    }
}

// From now on the device takes ms for every report it is given.
FAKE_EXPORT void fake_hid_set_write_delay(int device, int ms) {
    std::lock_guard lock(g_mutex);
    if (HidDevice* d = At(static_cast<size_t>(device))) {
        d->writeDelayMs = ms;
    }
}

FAKE_EXPORT void fake_hid_set_silent(int device, int on) {
    HidDevice* d;
    {
        std::lock_guard lock(g_mutex);
        d = At(static_cast<size_t>(device));
    }
    if (d != nullptr) {
        d->reader.SetSilent(on != 0);
    }
}

// The next request the simulated reader took (wire command, then data): its length or -1.
FAKE_EXPORT int fake_hid_take_command(int device, unsigned char* out, int capacity) {
    HidDevice* d;
    {
        std::lock_guard lock(g_mutex);
        d = At(static_cast<size_t>(device));
    }
    if (d == nullptr) {
        return -1;
    }
    return d->reader.TakeCommand(out, capacity);
}

FAKE_EXPORT int fake_hid_open_count(int device) {
    std::lock_guard lock(g_mutex);
    HidDevice* d = At(static_cast<size_t>(device));
    return d ? d->openCount : -1;
}

// The simulated reader's test control (see FakeReader::Control).
FAKE_EXPORT int fake_hid_control(int device, const char* command, unsigned char* out,
                                 int capacity) {
    HidDevice* d;
    {
        std::lock_guard lock(g_mutex);
        d = At(static_cast<size_t>(device));
    }
    return d ? d->reader.Control(command, out, capacity) : -1;
}
