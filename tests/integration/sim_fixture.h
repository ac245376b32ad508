#pragma once
// Helpers for tests that drive libvesmor through its C API against simulated readers.

#include <dirent.h>
#include <sys/resource.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "sim/pty_link.h"
#include "vesmor.h"

namespace vesmor::test {

inline sim::ReaderConfig Reader(int protocolType, int deviceCode = 0x125, char firmware = '7',
                                uint8_t address = 1) {
    sim::ReaderConfig config;
    config.protocolType = protocolType;
    config.deviceCode = deviceCode;
    config.firmware = firmware;
    config.busAddress = address;
    return config;
}

inline std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> bytes;
    for (int v : values)
        bytes.push_back(static_cast<uint8_t>(v));
    return bytes;
}

inline std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Milliseconds a call takes.
template <class F>
long long TimeMs(F f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

// Processor time the process has used so far, in milliseconds.
inline double ProcessCpuMs() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

inline int CountEntries(const char* dir) {
    int n = 0;
    if (DIR* d = ::opendir(dir)) {
        while (::readdir(d))
            ++n;
        ::closedir(d);
    }
    return n;
}

}  // namespace vesmor::test
