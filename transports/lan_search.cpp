#include "transports/lan_search.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace vesmor {

namespace {

constexpr size_t kRecord2BodyMin = 126;

void InsertSorted(std::vector<std::string>& list, const std::string& entry) {
    const auto at = std::lower_bound(list.begin(), list.end(), entry);
    if (at == list.end() || *at != entry) {
        list.insert(at, entry);
    }
}

bool IsRecord0Reply(const Datagram& reply) {
    return reply.Type() == ReadRecordReplyType(0) &&
           reply.bytes.size() >= kReplyHeader + kRecordBodyMin;
}

bool IsReaderProduct(CTCPSocket& socket, const std::string& address, const WaitPump& pump) {
    if (!socket.SendDatagram(address, kConfigPort, ReadRecordRequest(2))) {
        return false;
    }
    std::string product;
    const bool replied = WaitForDatagram(
        socket, kSearchTimeoutMs, true,
        [&](const Datagram& reply) {
            const std::optional<std::string> name = ProductOf(reply, address);
            product = name.value_or("");
            return name.has_value();
        },
        pump);
    return replied && product.starts_with("QX-");
}

void SearchAdapter(CTCPSocket& socket, std::vector<std::string>& found, int timeoutMs, int variant,
                   const WaitPump& pump) {
    if (!socket.CreateDatagram() ||
        !socket.SendDatagram(kBroadcastAddress, kConfigPort, ReadRecordRequest(0))) {
        socket.Close();
        return;
    }
    // Every accepted reply starts the time-out again, until kFloodCapWindows time-outs have
    // passed since the query: a device that keeps replying cannot hold the search.
    const auto start = std::chrono::steady_clock::now();
    const auto cap = start + std::chrono::milliseconds(int64_t{kFloodCapWindows} * timeoutMs);
    const auto capLeftMs = [&] {
        return static_cast<int>(
            std::max<int64_t>(0, std::chrono::ceil<std::chrono::milliseconds>(
                                     cap - std::chrono::steady_clock::now())
                                     .count()));
    };
    while (capLeftMs() > 0 && WaitForDatagram(
                                  socket, timeoutMs, false,
                                  [&](const Datagram& reply) {
                                      const std::optional<std::string> entry = SearchEntryOf(reply);
                                      if (entry) {
                                          InsertSorted(found, *entry);
                                      }
                                      return entry.has_value();
                                  },
                                  pump, capLeftMs())) {
    }
    if (variant == 1) {
        std::vector<std::string> readers;
        for (const std::string& entry : found) {
            if (!IsReaderProduct(socket, EntryAddress(entry), pump)) {
                continue;
            }
            readers.push_back(ReaderOnlyEntry(entry));
        }
        found = readers;
    }
    socket.Close();
}

}  // namespace

std::optional<std::string> SearchEntryOf(const Datagram& reply) {
    if (!IsRecord0Reply(reply)) {
        return std::nullopt;
    }
    const ByteVector body = reply.Body();
    const std::string address = WithPort(reply.sender, RecordPort(body));
    return RecordAddress(body) == reply.sender ? address : RecordDhcpName(body) + address;
}

// A reader's DHCP name may itself hold ']': its own closing bracket is the last one (the address
// and port behind it never hold one).
std::string EntryAddress(const std::string& entry) {
    std::string address = entry.substr(0, entry.rfind('-'));
    if (!address.empty() && address[0] == '[') {
        const size_t close = address.rfind(']');
        address = close == std::string::npos ? "" : address.substr(close + 1);
    }
    return address;
}

std::string ReaderOnlyEntry(const std::string& entry) {
    return entry[0] == '[' ? entry.substr(0, entry.rfind(']') + 1) : entry;
}

std::optional<std::string> ProductOf(const Datagram& reply, const std::string& address) {
    if (reply.Type() != ReadRecordReplyType(2) || reply.sender != address ||
        reply.bytes.size() < kReplyHeader + kRecord2BodyMin) {
        return std::nullopt;
    }
    const ByteVector body = reply.Body();
    std::string product;
    for (size_t i = kRecord2Product; i < body.size() && body[i] != 0; ++i) {
        product += static_cast<char>(body[i]);
    }
    return product;
}

std::optional<std::string> DhcpLookupAnswer(const Datagram& reply, const std::string& name) {
    if (!IsRecord0Reply(reply)) {
        return std::nullopt;
    }
    const ByteVector body = reply.Body();
    if (RecordAddress(body) == reply.sender || RecordDhcpName(body) != name) {
        return std::nullopt;  // a fixed-address reader, or another name
    }
    return WithPort(reply.sender, RecordPort(body));
}

int SearchReaders(std::vector<std::string>& list, int timeoutMs, int variant,
                  const WaitPump& pump) {
    CTCPSocket socket;
    socket.CollectAdapters();
    list.clear();
    socket.SelectFirstAdapter();
    do {
        std::vector<std::string> found;
        SearchAdapter(socket, found, timeoutMs, variant, pump);
        for (const std::string& entry : found) {
            InsertSorted(list, entry);
        }
    } while (socket.SelectNextAdapter());
    return static_cast<int>(list.size());
}

std::string LookupDhcpName(const std::string& bindAddress, const std::string& name, int timeoutMs,
                           const WaitPump& pump) {
    CTCPSocket socket;
    socket.SetBindAddress(bindAddress);
    if (!socket.CreateDatagram() ||
        !socket.SendDatagram(kBroadcastAddress, kConfigPort, ReadRecordRequest(0))) {
        return "";
    }
    std::string result;
    WaitForDatagram(
        socket, timeoutMs, false,
        [&](const Datagram& reply) {
            result = DhcpLookupAnswer(reply, name).value_or("");
            return !result.empty();
        },
        pump);
    return result;
}

std::string ResolveReaderName(const std::string& name, int perAdapterMs, CTCPSocket& adapters,
                              const WaitPump& pump) {
    const size_t open = name.find('[');
    if (open == std::string::npos) {
        return name;
    }
    // The name as the search lists it (it may hold ']' itself).
    const std::string bracketed = ReaderOnlyEntry(name.substr(open));
    if (adapters.Adapters().empty()) {
        adapters.CollectAdapters();
    }
    if (adapters.Adapters().empty()) {
        return LookupDhcpName("", bracketed, perAdapterMs, pump);
    }
    for (const CAdapter& adapter : adapters.Adapters()) {
        std::string found = LookupDhcpName(adapter.address, bracketed, perAdapterMs, pump);
        if (!found.empty()) {
            return found;
        }
    }
    return "";
}

}  // namespace vesmor
