#include "transports/lan_config.h"

#include <map>
#include <memory>
#include <mutex>

#include "transports/connection_numbers.h"
#include "transports/lan_search.h"

namespace vesmor {

namespace {

struct ConfigChannel {
    CTCPSocket socket;
    std::string reader;  // dotted address
    ConnectionNumber number;
};

std::mutex& ChannelsMutex() {
    static std::mutex mutex;
    return mutex;
}

std::map<int32_t, std::unique_ptr<ConfigChannel>>& Channels() {
    static std::map<int32_t, std::unique_ptr<ConfigChannel>> channels;
    return channels;
}

ConfigChannel* FindChannel(int32_t channel) {
    std::lock_guard lock(ChannelsMutex());
    const auto it = Channels().find(channel);
    return it == Channels().end() ? nullptr : it->second.get();
}

std::string UnicastTarget(const std::string& reader) {
    return reader.empty() ? kBroadcastAddress : reader;
}

// Record reads and the ping go out as broadcasts; only the reader's own reply counts.
bool Query(CTCPSocket& socket, const std::string& reader, const ByteVector& request,
           uint8_t replyType, size_t minBody, ByteVector& body, const WaitPump& pump) {
    if (!socket.SendDatagram(kBroadcastAddress, kConfigPort, request)) {
        return false;
    }
    return WaitForDatagram(
        socket, kRecordWaitMs, true,
        [&](const Datagram& reply) {
            if (!IsReplyFrom(reply, replyType, minBody, reader)) {
                return false;
            }
            body = reply.Body();
            return true;
        },
        pump);
}

}  // namespace

int32_t OpenConfigChannel(const std::string& address, const WaitPump& pump) {
    auto channel = std::make_unique<ConfigChannel>();
    std::string reader = ResolveReaderName(address, kDhcpLookupPerAdapterMs, channel->socket, pump);
    if (const size_t dash = reader.rfind('-'); dash != std::string::npos) {
        reader.erase(dash);
    }
    if (reader.empty()) {
        return -1;
    }
    channel->reader = reader;
    CTCPSocket& socket = channel->socket;
    if (socket.Adapters().empty()) {
        socket.CollectAdapters();
    }
    socket.SetBindAddress("");
    socket.SelectFirstAdapter();
    for (;;) {
        ByteVector body;
        if (socket.CreateDatagram() && Query(socket, reader, ReadRecordRequest(0),
                                             ReadRecordReplyType(0), kRecordBodyMin, body, pump)) {
            const int32_t number = channel->number.Value();
            std::lock_guard lock(ChannelsMutex());
            Channels()[number] = std::move(channel);
            return number;
        }
        socket.Close();
        if (!socket.SelectNextAdapter()) {
            return -1;
        }
    }
}

void CloseConfigChannel(int32_t channel, bool restart) {
    std::unique_ptr<ConfigChannel> closing;
    {
        std::lock_guard lock(ChannelsMutex());
        const auto it = Channels().find(channel);
        if (it == Channels().end()) {
            return;
        }
        closing = std::move(it->second);
        Channels().erase(it);
    }
    if (restart) {
        closing->socket.SendDatagram(UnicastTarget(closing->reader), kConfigPort, RestartRequest());
    }
    closing->socket.Close();
}

bool ReadRecord(int32_t channel, int record, ByteVector& body, const WaitPump& pump) {
    ConfigChannel* open = FindChannel(channel);
    if (open == nullptr || record < 0 || record > 15) {
        return false;
    }
    return Query(open->socket, open->reader, ReadRecordRequest(record), ReadRecordReplyType(record),
                 kRecordBodyMin, body, pump);
}

bool PingReader(int32_t channel, ByteVector& body, const WaitPump& pump) {
    ConfigChannel* open = FindChannel(channel);
    if (open == nullptr) {
        return false;
    }
    return Query(open->socket, open->reader, PingRequest(), kPingReplyType, kPingBodyMin, body,
                 pump);
}

bool WriteRecord(int32_t channel, int record, const ByteVector& body, const WaitPump& pump) {
    ConfigChannel* open = FindChannel(channel);
    if (open == nullptr || record < 0 || record > 15) {
        return false;
    }
    if (!open->socket.SendDatagram(UnicastTarget(open->reader), kConfigPort,
                                   WriteRecordRequest(record, body))) {
        return false;
    }
    const uint8_t replyType = WriteRecordReplyType(record);
    return WaitForDatagram(
        open->socket, kRecordWaitMs, true,
        [&](const Datagram& reply) { return reply.Type() == replyType; }, pump);
}

bool SendIpSetup(int32_t channel, bool extended, const ByteVector& payload) {
    ConfigChannel* open = FindChannel(channel);
    return open != nullptr && open->socket.SendDatagram(kBroadcastAddress, kConfigPort,
                                                        IpSetupRequest(extended, payload));
}

size_t OpenConfigChannelCount() {
    std::lock_guard lock(ChannelsMutex());
    return Channels().size();
}

}  // namespace vesmor
