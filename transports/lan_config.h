#pragma once
// Configuration channels to LAN readers: a datagram socket on the adapter through which the
// reader answered, with the record, ping, address-setting and restart datagrams.

#include <cstdint>
#include <string>

#include "transports/lan_protocol.h"

namespace vesmor {

constexpr int kRecordWaitMs = 500;

// Opens a channel to the reader (dotted address, optional "-port", or a bracketed DHCP name):
// the connection number (20001 and up), or -1 when no adapter reaches the reader.
int32_t OpenConfigChannel(const std::string& address, const WaitPump& pump);
// With restart the reader is told to restart first.
void CloseConfigChannel(int32_t channel, bool restart);
bool ReadRecord(int32_t channel, int record, ByteVector& body, const WaitPump& pump);
bool WriteRecord(int32_t channel, int record, const ByteVector& body, const WaitPump& pump);
bool PingReader(int32_t channel, ByteVector& body, const WaitPump& pump);
bool SendIpSetup(int32_t channel, bool extended, const ByteVector& payload);
// Number of open channels (for tests: every channel is closed again).
size_t OpenConfigChannelCount();

}  // namespace vesmor
