#pragma once
// The fake USBXpress library from a test's side: points the library under test at it, presents
// the given dongles and reaches them through the fake's test controls. The test keeps the fake
// loaded, so its dongles (and the transponders behind them) live as long as the test.
// Needs FAKE_SIUSBXP_PATH, the path of the built fake.

#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace vesmor::test {

class FakeSiUsbXp {
  public:
    explicit FakeSiUsbXp(const std::string& dongles, const std::string& tags = "") {
        ::setenv("VESMOR_SIUSBXP_LIB", FAKE_SIUSBXP_PATH, 1);
        ::setenv("VESMOR_FAKE_SIUSBXP", dongles.c_str(), 1);
        ::setenv("VESMOR_FAKE_SIUSBXP_TAGS", tags.c_str(), 1);
        handle_ = ::dlopen(FAKE_SIUSBXP_PATH, RTLD_NOW | RTLD_LOCAL);
        if (handle_ == nullptr) {
            std::fprintf(stderr, "fake USBXpress library: %s\n", ::dlerror());
        } else {
            reset_ = reinterpret_cast<void (*)()>(::dlsym(handle_, "FakeSiUsbXp_Reset"));
            query_ = reinterpret_cast<int64_t (*)(uint32_t, const char*)>(
                ::dlsym(handle_, "FakeSiUsbXp_Query"));
            inRange_ = reinterpret_cast<void (*)(uint32_t, int)>(
                ::dlsym(handle_, "FakeSiUsbXp_SetReaderInRange"));
            firstBlock_ = reinterpret_cast<int (*)(uint32_t, uint8_t*, int)>(
                ::dlsym(handle_, "FakeSiUsbXp_FirstBlock"));
            if (reset_ != nullptr) {
                reset_();
            }
        }
    }
    ~FakeSiUsbXp() {
        if (handle_ != nullptr) {
            ::dlclose(handle_);
        }
        ::unsetenv("VESMOR_SIUSBXP_LIB");
        ::unsetenv("VESMOR_FAKE_SIUSBXP");
        ::unsetenv("VESMOR_FAKE_SIUSBXP_TAGS");
    }
    FakeSiUsbXp(const FakeSiUsbXp&) = delete;
    FakeSiUsbXp& operator=(const FakeSiUsbXp&) = delete;

    // "open", "link", "baud", "line", "breaks", "resets", "inquiries", "names", "connects",
    // "disconnects", "data".
    int64_t Query(uint32_t device, const char* what) const {
        return query_ != nullptr ? query_(device, what) : -1;
    }
    void SetReaderInRange(uint32_t device, bool inRange) {
        if (inRange_ != nullptr) {
            inRange_(device, inRange ? 1 : 0);
        }
    }
    std::vector<uint8_t> FirstBlock(uint32_t device) const {
        uint8_t bytes[32];
        const int n = firstBlock_ != nullptr ? firstBlock_(device, bytes, sizeof bytes) : -1;
        return n < 0 ? std::vector<uint8_t>{} : std::vector<uint8_t>(bytes, bytes + n);
    }

  private:
    void* handle_ = nullptr;
    void (*reset_)() = nullptr;
    int64_t (*query_)(uint32_t, const char*) = nullptr;
    void (*inRange_)(uint32_t, int) = nullptr;
    int (*firstBlock_)(uint32_t, uint8_t*, int) = nullptr;
};

}  // namespace vesmor::test
