#pragma once
// When the simulated reader's answer bytes leave over a serial line. At an emulated line speed
// (8N1: 10 bit times a byte) an answer starts once the request has had its wire time and its
// bytes follow one byte time apart; without one an answer leaves whole, after its delay.

#include <cstdint>
#include <map>
#include <vector>

#include "sim/reader_engine.h"

namespace vesmor::sim {

// Bytes to send by due time (steady clock, ns); the last byte of an answer is marked, since the
// reader's answer is complete only when it is out.
struct Outgoing {
    std::vector<uint8_t> bytes;
    bool endsAnswer = false;
};
using OutgoingQueue = std::multimap<int64_t, Outgoing>;

void ScheduleReplies(OutgoingQueue& queue, const std::vector<Reply>& replies, int64_t nowNs,
                     int lineBaud);

// The steady clock in ns.
int64_t SteadyNowNs();

}  // namespace vesmor::sim
