#include "sim/lan_device.h"

#include <cstdio>
#include <cstring>

#include "transports/lan_adapters.h"

namespace vesmor::sim {

namespace {

constexpr size_t kRecord0Body = 120;
constexpr size_t kRecord23Body = 126;
constexpr size_t kPingBody = 26;
constexpr size_t kHeader = 4;
constexpr size_t kNameHead = 112;
constexpr size_t kNameTail = 84;
constexpr size_t kRecord3NameTail = 102;
constexpr size_t kProduct = 93;
constexpr size_t kShortSetup = 4 + 8 + 2 + 6;
constexpr size_t kExtendedSetup = 4 + 8 + 2 + 36;

void PutText(Bytes& bytes, size_t offset, const std::string& text, size_t from, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        bytes[offset + i] = from + i < text.size() ? static_cast<uint8_t>(text[from + i]) : 0;
    }
}

Bytes Reply(uint8_t type, const Bytes& body) {
    Bytes reply = {0x00, 0x00, 0x00, type};
    reply.insert(reply.end(), body.begin(), body.end());
    return reply;
}

bool Is(const Bytes& request, std::initializer_list<uint8_t> head) {
    return request.size() >= head.size() && std::equal(head.begin(), head.end(), request.begin());
}

}  // namespace

std::optional<std::array<uint8_t, 4>> Ipv4Octets(const std::string& text) {
    const std::optional<uint32_t> address = ParseIpv4(text);
    if (!address) {
        return std::nullopt;
    }
    return std::array<uint8_t, 4>{static_cast<uint8_t>(*address >> 24),
                                  static_cast<uint8_t>(*address >> 16),
                                  static_cast<uint8_t>(*address >> 8),
                                  static_cast<uint8_t>(*address)};
}

std::string Ipv4Text(const uint8_t* octets) {
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", octets[0], octets[1], octets[2], octets[3]);
    return text;
}

int HostBitsOf(const uint8_t* maskOctets) {
    uint32_t mask = 0;
    for (int i = 0; i < 4; ++i) {
        mask = (mask << 8) | maskOctets[i];
    }
    int bits = 0;
    while (bits < 32 && (mask & (uint32_t{1} << bits)) == 0) {
        ++bits;
    }
    return bits;
}

LanDevice::LanDevice(const LanDeviceConfig& config)
    : record0_(kRecord0Body, 0),
      record2_(kRecord23Body, 0),
      record3_(kRecord23Body, 0),
      ping_(kPingBody, 0),
      address_(config.address),
      actualAddress_(config.address),
      tcpPort_(config.tcpPort),
      hardware_(config.hardware),
      foreign_(config.foreign) {
    if (!config.dhcp) {
        StoreAddress(Ipv4Octets(config.address).value_or(std::array<uint8_t, 4>{}));
    }
    record0_[6] = static_cast<uint8_t>(config.hostBits);
    const auto gateway = Ipv4Octets(config.gateway).value_or(std::array<uint8_t, 4>{});
    std::memcpy(record0_.data() + 12, gateway.data(), 4);
    record0_[20] = static_cast<uint8_t>(config.tcpPort & 0xFF);
    record0_[21] = static_cast<uint8_t>(config.tcpPort >> 8);
    PutText(record0_, kNameHead, config.dhcpName, 0, 8);
    PutText(record0_, kNameTail, config.dhcpName, 8, 8);
    PutText(record3_, kRecord3NameTail, config.dhcpName, 8, 8);
    PutText(record2_, kProduct, config.product, 0, kRecord23Body - kProduct - 1);
    if (config.vek) {
        std::memcpy(ping_.data() + 11, "VEK", 3);
    }
    std::memcpy(ping_.data() + 20, hardware_.data(), hardware_.size());
}

void LanDevice::StoreAddress(const std::array<uint8_t, 4>& octets) {
    std::memcpy(record0_.data(), octets.data(), 4);
}

LanDevice::Outcome LanDevice::OnDatagram(const Bytes& request) {
    if (Is(request, {0x00, 0x01, 0x00, 0xF8})) {
        return {Reply(0xF9, record0_), {}, {}};
    }
    if (Is(request, {0x00, 0x01, 0x00, 0xF6})) {
        return {Reply(0xF7, ping_), {}, {}};
    }
    if (Is(request, {0x00, 0x01, 0x00}) && request.size() == 4 && request[3] > 0xE0 &&
        request[3] <= 0xEF) {
        const int record = request[3] - 0xE0;
        const Bytes& body =
            record == 2 ? record2_ : (record == 3 ? record3_ : Bytes(kRecord23Body));
        return {Reply(static_cast<uint8_t>(0xD0 + record), body), {}, {}};
    }
    if (Is(request, {0x00, 0x00, 0x00, 0xFD}) && request.size() >= kHeader + kRecord0Body) {
        record0_.assign(request.begin() + kHeader, request.begin() + kHeader + kRecord0Body);
        return {Reply(0xFB, {}), {}, {}};
    }
    if (Is(request, {0x00, 0x01, 0x00}) && request.size() > 4 && request[3] > 0xC0 &&
        request[3] <= 0xCF) {
        const int record = request[3] - 0xC0;
        if (record == 3 && request.size() == kHeader + kRecord23Body) {
            record3_.assign(request.begin() + kHeader, request.end());
        }
        return {Reply(static_cast<uint8_t>(0xB0 + record), {}), {}, {}};
    }
    if (Is(request, {0x00, 0x00, 0x00, 0xFC, 'I', 'P', '-', 'S', 'E', 'T', 'U', 'P'})) {
        return SetAddress(request);
    }
    if (request == Bytes{0x00, 0x00, 0x00, 0x03, 0x58, 0x33}) {
        return Restart();
    }
    return {};
}

LanDevice::Outcome LanDevice::SetAddress(const Bytes& request) {
    const bool extended =
        request.size() >= kExtendedSetup && request[12] == 'E' && request[13] == 'X';
    const bool plain = request.size() >= kShortSetup && request[12] == 0 && request[13] == 0;
    std::array<uint8_t, 4> octets;
    if (extended) {
        if (!std::equal(hardware_.begin(), hardware_.end(), request.begin() + 14)) {
            return {};
        }
        std::memcpy(octets.data(), request.data() + 20, 4);
        const int port = request[24] | (request[25] << 8);
        if (port != 0) {
            record0_[20] = request[24];
            record0_[21] = request[25];
        }
        record0_[6] = static_cast<uint8_t>(HostBitsOf(request.data() + 26));
        std::memcpy(record0_.data() + 12, request.data() + 30, 4);
        const std::string name(reinterpret_cast<const char*>(request.data() + 34),
                               strnlen(reinterpret_cast<const char*>(request.data() + 34), 16));
        PutText(record0_, kNameHead, name, 0, 8);
        PutText(record0_, kNameTail, name, 8, 8);
        PutText(record3_, kRecord3NameTail, name, 8, 8);
    } else if (plain) {
        if (request[14] != hardware_[4] || request[15] != hardware_[5]) {
            return {};
        }
        std::memcpy(octets.data(), request.data() + 16, 4);
    } else {
        return {};
    }
    StoreAddress(octets);
    Outcome outcome = Restart();
    return outcome;
}

LanDevice::Outcome LanDevice::Restart() {
    Outcome outcome;
    const std::string stored = Ipv4Text(record0_.data());
    const std::string next = stored == "0.0.0.0" ? actualAddress_ : stored;
    if (next != address_) {
        address_ = next;
        outcome.moveTo = next;
    }
    const int port = record0_[20] | (record0_[21] << 8);
    if (port != tcpPort_ && port != 0) {
        tcpPort_ = port;
        outcome.tcpPort = port;
    }
    return outcome;
}

}  // namespace vesmor::sim
