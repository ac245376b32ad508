#pragma once
// Helpers for tests of the USB paths against the fake hidapi and D2XX libraries: the fakes'
// control functions, their device configurations, and a sysfs tree with hidraw report
// descriptors.

#include <dlfcn.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "vesmor.h"

namespace vesmor::test {

// One of the fake libraries, opened a second time for its control functions (the library
// under test loads the same file, so both see the same devices).
class FakeLibrary {
  public:
    explicit FakeLibrary(const char* path) : handle_(::dlopen(path, RTLD_NOW | RTLD_LOCAL)) {}
    ~FakeLibrary() {
        if (handle_ != nullptr) {
            ::dlclose(handle_);
        }
    }
    FakeLibrary(const FakeLibrary&) = delete;
    FakeLibrary& operator=(const FakeLibrary&) = delete;

    bool Loaded() const { return handle_ != nullptr; }
    template <class F>
    F Get(const char* name) const {
        return reinterpret_cast<F>(::dlsym(handle_, name));
    }

    // The control function's answer for device and a buffer, as bytes; empty when none.
    std::vector<uint8_t> Take(const char* function, int device) const {
        auto take = Get<int (*)(int, unsigned char*, int)>(function);
        std::vector<uint8_t> bytes(256);
        const int n = take(device, bytes.data(), static_cast<int>(bytes.size()));
        bytes.resize(n < 0 ? 0 : static_cast<size_t>(n));
        return bytes;
    }
    std::vector<std::vector<uint8_t>> TakeAll(const char* function, int device) const {
        std::vector<std::vector<uint8_t>> all;
        for (auto item = Take(function, device); !item.empty(); item = Take(function, device)) {
            all.push_back(item);
        }
        return all;
    }

  private:
    void* handle_;
};

inline void SetEnv(const char* name, const std::string& value) {
    ::setenv(name, value.c_str(), 1);
}

// A sysfs root with class/hidraw/<node>/device/report_descriptor files.
class HidrawTree {
  public:
    HidrawTree() {
        char pattern[] = "/tmp/vesmor-hidraw-XXXXXX";
        root_ = ::mkdtemp(pattern);
    }
    ~HidrawTree() { std::filesystem::remove_all(root_); }
    HidrawTree(const HidrawTree&) = delete;
    HidrawTree& operator=(const HidrawTree&) = delete;

    const std::string& Root() const { return root_; }
    void AddDescriptor(const std::string& node, const std::vector<uint8_t>& descriptor) const {
        const std::filesystem::path dir =
            std::filesystem::path(root_) / "class/hidraw" / node / "device";
        std::filesystem::create_directories(dir);
        std::ofstream(dir / "report_descriptor", std::ios::binary)
            .write(reinterpret_cast<const char*>(descriptor.data()),
                   static_cast<std::streamsize>(descriptor.size()));
    }

  private:
    std::string root_;
};

// A vendor-defined report descriptor with one input report of inputBytes and one output
// report of outputBytes (8-bit fields, no report IDs).
inline std::vector<uint8_t> VendorDescriptor(uint8_t inputBytes, uint8_t outputBytes) {
    return {0x06, 0x00,        0xFF,        // Usage Page (vendor)
            0x09, 0x01,                     // Usage
            0xA1, 0x01,                     // Collection (application)
            0x15, 0x00,                     // Logical Minimum 0
            0x26, 0xFF,        0x00,        // Logical Maximum 255
            0x75, 0x08,                     // Report Size 8
            0x95, inputBytes,               // Report Count
            0x09, 0x01,        0x81, 0x02,  // Usage, Input (data, variable, absolute)
            0x95, outputBytes,              // Report Count
            0x09, 0x01,        0x91, 0x02,  // Usage, Output
            0xC0};                          // End Collection
}

// The names VESMOR_GetHidPorts lists.
inline std::vector<std::string> UsbPorts() {
    char buffer[2500];
    const int32_t n = VESMOR_GetHidPorts(buffer, sizeof buffer);
    std::vector<std::string> names;
    for (int32_t at = 0; at < n && buffer[at] != '\0';
         at += static_cast<int32_t>(std::strlen(buffer + at)) + 1) {
        names.emplace_back(buffer + at);
    }
    return names;
}

// Tests against the fake hidapi library, on devices made anew for each test, with an empty
// sysfs tree for report descriptors and no D2XX library.
class FakeHidTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(fake.Loaded());
        fake.Get<void (*)()>("fake_hid_reset")();
        SetEnv("VESMOR_HIDAPI_LIB", FAKE_HIDAPI_PATH);
        SetEnv("VESMOR_SYSFS_ROOT", tree.Root());
        SetEnv("VESMOR_FTD2XX_LIB", "/nonexistent/libftd2xx.so");
    }
    void Configure(const std::string& devices) { SetEnv("VESMOR_FAKE_HID", devices); }
    // The next report the library wrote to the device, and all that are left.
    std::vector<uint8_t> Report(int device = 0) {
        return fake.Take("fake_hid_take_report", device);
    }
    std::vector<std::vector<uint8_t>> Reports(int device = 0) {
        return fake.TakeAll("fake_hid_take_report", device);
    }
    int OpenCount(int device = 0) { return fake.Get<int (*)(int)>("fake_hid_open_count")(device); }
    // Waits (at most withinMs) until the device is no longer open; whether it closed.
    bool ClosedWithin(int withinMs, int device = 0) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(withinMs);
        while (OpenCount(device) > 0 && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return OpenCount(device) <= 0;
    }

    FakeLibrary fake{FAKE_HIDAPI_PATH};
    HidrawTree tree;
};

}  // namespace vesmor::test
