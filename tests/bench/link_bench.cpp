// Exchanges per second with a simulated reader over a pseudo-terminal (no added delay), directly
// and through a Bluetooth dongle on the pseudo-terminal, and the processor time a silent port's
// open consumes while it waits.

#include <sys/resource.h>

#include <benchmark/benchmark.h>

#include <chrono>

#include "sim/pty_link.h"
#include "tests/bench/exchange_timing.h"
#include "vesmor.h"

namespace {

vesmor::sim::ReaderConfig Type0Reader() {
    vesmor::sim::ReaderConfig config;
    config.protocolType = 0;
    return config;
}

using vesmor::bench::TimeExchanges;

void BM_ReaderOptionExchange(benchmark::State& state) {
    vesmor::sim::PtyLink reader(Type0Reader());
    const int32_t handle = VESMOR_OpenPort(reader.Path().c_str(), 19200, 500);
    if (handle <= 0) {
        state.SkipWithError("open failed");
        return;
    }
    TimeExchanges(state, handle);
}
BENCHMARK(BM_ReaderOptionExchange)->UseRealTime();

// The same exchange through the dongle; the link is made before the timing starts.
void BM_DongleReaderOptionExchange(benchmark::State& state) {
    vesmor::sim::PtyLink::Options options;
    options.dongle = true;
    vesmor::sim::PtyLink reader(Type0Reader(), options);
    const std::string name = reader.Path() + " BT";
    const int32_t handle = VESMOR_OpenPort(name.c_str(), 9600, 500);
    if (handle <= 0 || VESMOR_SetReaderOption(handle, 0) != 0) {
        state.SkipWithError("open or link failed");
        return;
    }
    TimeExchanges(state, handle);
}
BENCHMARK(BM_DongleReaderOptionExchange)->UseRealTime();

double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void BM_SilentOpenCpu(benchmark::State& state) {
    vesmor::sim::PtyLink reader(Type0Reader());
    vesmor::sim::Faults faults;
    faults.silent = true;
    reader.SetFaults(faults);
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        const double cpuBefore = CpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(VESMOR_OpenPort(reader.Path().c_str(), 19200, 500));
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpu += CpuSeconds() - cpuBefore;
    }
    state.counters["cpu_percent_of_core"] = 100.0 * cpu / wall;
}
BENCHMARK(BM_SilentOpenCpu)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
