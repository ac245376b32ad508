// Exchanges per second with a simulated reader behind the fake hidapi library (reports written
// on the device's writer thread, answers read in as they are due) and behind the fake D2XX
// library (the serial worker polling every millisecond), with no added delay.

#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <string>

#include "tests/bench/exchange_timing.h"
#include "vesmor.h"

namespace {

void Configure(bool hid) {
    ::setenv("VESMOR_HIDAPI_LIB", FAKE_HIDAPI_PATH, 1);
    ::setenv("VESMOR_FTD2XX_LIB", FAKE_FTD2XX_PATH, 1);
    ::setenv("VESMOR_SYSFS_ROOT", "/nonexistent", 1);
    ::setenv("VESMOR_FAKE_HID", hid ? "serial=4211-0001 tags=nxp" : "", 1);
    ::setenv("VESMOR_FAKE_D2XX", hid ? "" : "serial=4211-0002 tags=nxp", 1);
}

void TimeExchanges(benchmark::State& state, const char* name) {
    const int32_t handle = VESMOR_OpenPort(name, 19200, 500);
    if (handle <= 0) {
        state.SkipWithError("open failed");
        return;
    }
    vesmor::bench::TimeExchanges(state, handle);
}

void BM_HidReaderOptionExchange(benchmark::State& state) {
    Configure(true);
    TimeExchanges(state, "4211-0001 HID");
}
BENCHMARK(BM_HidReaderOptionExchange)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_D2xxReaderOptionExchange(benchmark::State& state) {
    Configure(false);
    TimeExchanges(state, "4211-0002");
}
BENCHMARK(BM_D2xxReaderOptionExchange)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
