// Datagrams on the LAN readers' configuration port, as the socket queues them (the sender's
// address in four bytes, then the datagram): the split into sender and bytes, the reply test of
// record reads and pings, the record 0 fields, and what both search variants and the DHCP name
// lookup take from a reply. Checked: fields stay inside the body, dotted addresses and masks
// convert back, and a search entry gives back its sender and its name.
//
// Input: one byte choosing the reader asked (bit 0: a fixed address instead of the broadcast)
// and the name looked up (bit 1: another name than the record's), then the queued datagram.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "transports/lan_adapters.h"
#include "transports/lan_protocol.h"
#include "transports/lan_search.h"

namespace {

using vesmor::ByteVector;
using vesmor::Datagram;

void Require(bool holds) {
    if (!holds) {
        __builtin_trap();
    }
}

// A dotted address must read back as the same text.
void CheckDotted(const std::string& dotted) {
    const std::optional<uint32_t> value = vesmor::ParseIpv4(dotted);
    Require(value && vesmor::FormatIpv4(*value) == dotted);
}

void CheckRecord0Fields(const ByteVector& body) {
    CheckDotted(vesmor::RecordAddress(body));
    CheckDotted(vesmor::DottedAt(body, vesmor::kRecGateway));
    const int port = vesmor::RecordPort(body);
    Require(port >= 0 && port <= 0xFFFF);
    const std::string name = vesmor::RecordDhcpName(body);
    Require(name.size() >= 2 && name.size() <= 18 && name.front() == '[' && name.back() == ']');
    const int hostBits = body[vesmor::kRecHostBits];
    Require(vesmor::HostBitsOfMask(vesmor::MaskFromHostBits(hostBits)) == std::min(hostBits, 32));
}

void CheckSearchReply(const Datagram& reply, bool otherName) {
    const std::optional<std::string> entry = vesmor::SearchEntryOf(reply);
    if (!entry) {
        Require(!vesmor::DhcpLookupAnswer(reply, vesmor::RecordDhcpName(reply.Body())));
        return;
    }
    const ByteVector body = reply.Body();
    Require(body.size() >= vesmor::kRecordBodyMin);
    // Variant 0's entry names the sender; variant 1 asks that address for its product.
    Require(vesmor::EntryAddress(*entry) == reply.sender);
    const std::string withPort = vesmor::WithPort(reply.sender, vesmor::RecordPort(body));
    const std::string name = vesmor::RecordDhcpName(body);
    const std::optional<std::string> looked =
        vesmor::DhcpLookupAnswer(reply, otherName ? "[READER-01]" : name);
    if (vesmor::RecordAddress(body) == reply.sender) {
        Require(*entry == withPort && vesmor::ReaderOnlyEntry(*entry) == *entry && !looked);
        return;
    }
    // A DHCP reader: its entry is its name and address, variant 1 lists the name alone, and
    // the lookup of that name finds the address.
    Require(*entry == name + withPort);
    Require(vesmor::ReaderOnlyEntry(*entry) == name);
    if (!otherName || name == "[READER-01]") {
        Require(looked && *looked == withPort);
    } else {
        Require(!looked);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    const uint8_t choice = data[0];
    const ByteVector queued(data + 1, data + size);
    const Datagram reply = vesmor::SplitDatagram(queued);
    if (queued.size() < 4) {
        Require(reply.sender.empty() && reply.bytes.empty());
        return 0;
    }
    CheckDotted(reply.sender);
    Require(reply.bytes.size() == queued.size() - 4 &&
            std::equal(reply.bytes.begin(), reply.bytes.end(), queued.begin() + 4));
    const ByteVector body = reply.Body();
    Require(body.size() == (reply.bytes.size() > 4 ? reply.bytes.size() - 4 : 0));

    const std::string reader = (choice & 1) ? "192.168.1.50" : vesmor::kBroadcastAddress;
    for (int record = 0; record < 16; ++record) {
        if (vesmor::IsReplyFrom(reply, vesmor::ReadRecordReplyType(record), vesmor::kRecordBodyMin,
                                reader)) {
            Require(reply.Type() == vesmor::ReadRecordReplyType(record));
            Require(body.size() >= vesmor::kRecordBodyMin);
            Require((choice & 1) == 0 || reply.sender == reader);
            CheckRecord0Fields(body);
        }
    }
    if (vesmor::IsReplyFrom(reply, vesmor::kPingReplyType, vesmor::kPingBodyMin, reader)) {
        // The address setting reads the maker tag and the hardware address of the ping.
        Require(body.size() >= vesmor::kPingBodyMin && body.size() >= vesmor::kPingHardware + 6 &&
                body.size() >= vesmor::kPingVek + 3);
    }
    CheckSearchReply(reply, (choice & 2) != 0);
    if (const auto product = vesmor::ProductOf(reply, reply.sender)) {
        Require(reply.Type() == vesmor::ReadRecordReplyType(2));
        Require(product->size() + vesmor::kRecord2Product <= body.size());
        Require(product->find('\0') == std::string::npos);
    }
    Require(!vesmor::ProductOf(reply, "no address"));
    return 0;
}
