#include "transports/lan_settings.h"

#include <array>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>

#include "transports/lan_config.h"

namespace vesmor {

namespace {

constexpr int kReappearStepMs = 100;
constexpr int kReappearMaxMs = 5000;
constexpr int kReopenAttempts = 21;
constexpr int kReopenStepMs = 100;
constexpr int kWriteAttempts = 6;
constexpr int kWriteRetryMs = 500;
constexpr size_t kNameLength = 16;

using Octets = std::array<uint8_t, 4>;

struct NewAddress {
    Octets octets{};
    int port = 0;  // 0: not given
    std::optional<std::string> name;
};

Octets OctetsOf(uint32_t address) {
    return {static_cast<uint8_t>(address >> 24), static_cast<uint8_t>(address >> 16),
            static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address)};
}

bool ParsePort(const std::string& text, int& port) {
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    port = std::stoi(text);
    return port <= 0xFFFF;
}

std::optional<NewAddress> ParseNewAddress(const std::string& text) {
    NewAddress parsed;
    std::string address = text;
    if (!address.empty() && address[0] == '[') {
        const size_t close = address.find(']');
        if (close == std::string::npos || close - 1 > kNameLength) {
            return std::nullopt;
        }
        parsed.name = address.substr(1, close - 1);
        address.erase(0, close + 1);
        if (!address.empty() && (address[0] != '-' || !ParsePort(address.substr(1), parsed.port))) {
            return std::nullopt;
        }
        return parsed;
    }
    if (const size_t dash = address.rfind('-'); dash != std::string::npos) {
        if (!ParsePort(address.substr(dash + 1), parsed.port)) {
            return std::nullopt;
        }
        address.erase(dash);
    }
    const std::optional<uint32_t> value = ParseIpv4(address);
    if (!value) {
        return std::nullopt;
    }
    parsed.octets = OctetsOf(*value);
    return parsed;
}

Octets OctetsAt(const ByteVector& body, size_t offset) {
    return {body[offset], body[offset + 1], body[offset + 2], body[offset + 3]};
}

void PutOctets(ByteVector& bytes, size_t offset, const Octets& octets) {
    std::memcpy(bytes.data() + offset, octets.data(), octets.size());
}

void PutText(ByteVector& bytes, size_t offset, const std::string& text, size_t from, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        bytes[offset + i] = from + i < text.size() ? static_cast<uint8_t>(text[from + i]) : 0;
    }
}

std::string InnerName(const std::string& bracketed) {
    return bracketed.substr(1, bracketed.size() - 2);
}

void Pause(int ms, const WaitPump& pump) {
    if (!pump) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return;
    }
    for (int i = 0; i < ms; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        pump();
    }
}

// What the set-address datagram and the record rewrite need from the comparison.
struct Change {
    bool address = false;
    bool others = false;
};

struct SetRequest {
    NewAddress target;
    std::optional<int> hostBits;
    std::optional<Octets> gateway;
};

Change Compare(const SetRequest& request, const ByteVector& body) {
    Change change;
    change.address = OctetsAt(body, kRecAddress) != request.target.octets;
    change.others =
        (request.target.port != 0 && request.target.port != RecordPort(body)) ||
        (request.hostBits && *request.hostBits != body[kRecHostBits]) ||
        (request.gateway && *request.gateway != OctetsAt(body, kRecGateway)) ||
        (request.target.name && *request.target.name != InnerName(RecordDhcpName(body)));
    return change;
}

ByteVector ExtendedPayload(const ByteVector& ping, const SetRequest& request,
                           const ByteVector& body) {
    ByteVector payload(ping.begin() + kPingHardware, ping.begin() + kPingHardware + 6);
    payload.insert(payload.end(), request.target.octets.begin(), request.target.octets.end());
    payload.push_back(static_cast<uint8_t>(request.target.port & 0xFF));
    payload.push_back(static_cast<uint8_t>(request.target.port >> 8));
    const Octets mask =
        OctetsOf(MaskFromHostBits(request.hostBits ? *request.hostBits : body[kRecHostBits]));
    payload.insert(payload.end(), mask.begin(), mask.end());
    const Octets gateway = request.gateway ? *request.gateway : OctetsAt(body, kRecGateway);
    payload.insert(payload.end(), gateway.begin(), gateway.end());
    const std::string name =
        request.target.name ? *request.target.name : InnerName(RecordDhcpName(body));
    const size_t at = payload.size();
    payload.resize(at + kNameLength, 0);
    PutText(payload, at, name, 0, kNameLength);
    return payload;
}

ByteVector ShortPayload(const ByteVector& ping, const SetRequest& request) {
    ByteVector payload = {ping[kPingHardware + 4], ping[kPingHardware + 5]};
    payload.insert(payload.end(), request.target.octets.begin(), request.target.octets.end());
    return payload;
}

// Writes the changed fields into record 0 (and the name's tail into record 3).
bool RewriteRecords(int32_t channel, const SetRequest& request, ByteVector body,
                    const WaitPump& pump) {
    PutOctets(body, kRecAddress, request.target.octets);
    if (request.hostBits) {
        body[kRecHostBits] = static_cast<uint8_t>(*request.hostBits);
    }
    if (request.gateway) {
        PutOctets(body, kRecGateway, *request.gateway);
    }
    if (request.target.port != 0) {
        body[kRecPort] = static_cast<uint8_t>(request.target.port & 0xFF);
        body[kRecPort + 1] = static_cast<uint8_t>(request.target.port >> 8);
    }
    if (request.target.name) {
        PutText(body, kRecNameHead, *request.target.name, 0, 8);
        PutText(body, kRecNameTail, *request.target.name, 8, 8);
        ByteVector record3;
        if (ReadRecord(channel, 3, record3, pump) && record3.size() == kRecord3Length) {
            PutText(record3, kRecord3NameTail, *request.target.name, 8, 8);
            WriteRecord(channel, 3, record3, pump);
        }
    }
    for (int attempt = 1;; ++attempt) {
        if (WriteRecord(channel, 0, body, pump)) {
            return true;
        }
        if (attempt == kWriteAttempts) {
            return false;
        }
        Pause(kWriteRetryMs, pump);
    }
}

// The reader restarts with its new address: it is tried in 100 ms steps until it answers or
// 5000 ms have passed, counted in real time (a failed try takes its own time-outs too).
void WaitForReappearance(const std::string& newAddress, const WaitPump& pump) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReappearMaxMs);
    while (TestLanDevice(newAddress, pump) == 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= kReappearStepMs) {
            return;  // no time left for a pause and another try
        }
        Pause(kReappearStepMs, pump);
    }
}

}  // namespace

int32_t TestLanDevice(const std::string& reader, const WaitPump& pump) {
    const int32_t channel = OpenConfigChannel(reader, pump);
    if (channel < 0) {
        return 0;
    }
    CloseConfigChannel(channel, false);
    return 1;
}

int32_t GetLanConfig(const std::string& reader, LanSettings& settings, const WaitPump& pump) {
    const int32_t channel = OpenConfigChannel(reader, pump);
    if (channel < 0) {
        return channel;
    }
    ByteVector body;
    if (!ReadRecord(channel, 0, body, pump) || body.size() < kRecordBodyMin) {
        CloseConfigChannel(channel, false);
        return -1;
    }
    const int port = RecordPort(body);
    const Octets address = OctetsAt(body, kRecAddress);
    settings.address = address == Octets{} ? "" : WithPort(RecordAddress(body), port);
    settings.name = WithPort(RecordDhcpName(body), port);
    settings.mask = FormatIpv4(MaskFromHostBits(body[kRecHostBits]));
    settings.gateway = DottedAt(body, kRecGateway);
    CloseConfigChannel(channel, false);
    return 0;
}

int32_t SetLanConfig(const std::string& reader, const std::string& newAddress,
                     const std::string& mask, const std::string& gateway, const WaitPump& pump) {
    SetRequest request;
    const std::optional<NewAddress> target = ParseNewAddress(newAddress);
    if (!target) {
        return -1;
    }
    request.target = *target;
    if (!mask.empty()) {
        const std::optional<uint32_t> value = ParseIpv4(mask);
        if (!value) {
            return -1;
        }
        request.hostBits = HostBitsOfMask(*value);
    }
    if (!gateway.empty()) {
        const std::optional<uint32_t> value = ParseIpv4(gateway);
        if (!value) {
            return -1;
        }
        request.gateway = OctetsOf(*value);
    }

    int32_t channel = OpenConfigChannel(reader, pump);
    if (channel < 0) {
        return channel;
    }
    int32_t result = 0;
    ByteVector body;
    if (!ReadRecord(channel, 0, body, pump) || body.size() < kRecordBodyMin) {
        result = -1;
    } else {
        const Change change = Compare(request, body);
        bool othersDone = false;
        ByteVector ping;
        if ((change.address || change.others) && PingReader(channel, ping, pump)) {
            const bool vek = std::memcmp(ping.data() + kPingVek, "VEK", 3) == 0;
            if (vek && change.others) {
                SendIpSetup(channel, true, ExtendedPayload(ping, request, body));
                othersDone = true;
            } else {
                SendIpSetup(channel, false, ShortPayload(ping, request));
            }
            CloseConfigChannel(channel, false);
            channel = -1;
            WaitForReappearance(newAddress, pump);
        } else if (change.address && !change.others) {
            // Only the address was to change, and without the reader's hardware address no
            // set-address datagram could go out: the address is not changed, and as nothing
            // was written the reader is not restarted either.
            CloseConfigChannel(channel, false);
            channel = -1;
            result = -1;
        }
        if (change.others && !othersDone) {
            for (int attempt = 1; channel < 0; ++attempt) {
                channel = OpenConfigChannel(newAddress, pump);
                if (channel < 0 && attempt == kReopenAttempts) {
                    return channel;
                }
                if (channel < 0) {
                    Pause(kReopenStepMs, pump);
                }
            }
            if (!RewriteRecords(channel, request, body, pump)) {
                result = -1;
            }
        }
    }
    if (channel >= 0) {
        CloseConfigChannel(channel, true);
    }
    return result;
}

}  // namespace vesmor
