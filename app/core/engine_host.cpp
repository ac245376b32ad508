#include "app/core/engine_host.h"

#include <chrono>

namespace tagforge {

int64_t SteadyClock::NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace tagforge
