#pragma once
// Times reader option exchanges on an open port, then closes it.

#include <benchmark/benchmark.h>

#include "vesmor.h"

namespace vesmor::bench {

inline void TimeExchanges(benchmark::State& state, int32_t handle) {
    for (auto _ : state) {
        if (VESMOR_SetReaderOption(handle, 0) != 0) {
            state.SkipWithError("exchange failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
    VESMOR_ClosePort(handle);
}

}  // namespace vesmor::bench
