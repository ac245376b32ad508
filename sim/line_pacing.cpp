#include "sim/line_pacing.h"

#include <chrono>

namespace vesmor::sim {

void ScheduleReplies(OutgoingQueue& queue, const std::vector<Reply>& replies, int64_t nowNs,
                     int lineBaud) {
    const int64_t byteNs = lineBaud > 0 ? 10'000'000'000LL / lineBaud : 0;
    for (const Reply& reply : replies) {
        const int64_t start = nowNs + static_cast<int64_t>(reply.requestLength) * byteNs +
                              static_cast<int64_t>(reply.delayMs) * 1'000'000;
        if (byteNs == 0) {
            queue.emplace(start, Outgoing{reply.bytes, true});
            continue;
        }
        for (size_t k = 0; k < reply.bytes.size(); ++k) {
            queue.emplace(start + static_cast<int64_t>(k + 1) * byteNs,
                          Outgoing{{reply.bytes[k]}, k + 1 == reply.bytes.size()});
        }
    }
}

int64_t SteadyNowNs() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace vesmor::sim
