#pragma once
// Finding LAN readers by broadcast on every adapter, and resolving a reader's DHCP name.

#include <optional>
#include <string>
#include <vector>

#include "transports/lan_protocol.h"

namespace vesmor {

constexpr int kDhcpLookupPerAdapterMs = 200;
constexpr int kSearchTimeoutMs = 500;

// Variant 0: fixed-address readers as "a.b.c.d-port", DHCP readers as "[name]a.b.c.d-port".
// Variant 1: only devices whose record 2 names a "QX-" product; DHCP readers as "[name]".
// Sorted, without duplicates; returns the number of entries.
int SearchReaders(std::vector<std::string>& list, int timeoutMs, int variant,
                  const WaitPump& pump = {});

// What the search takes from the replies it gets. A record 0 reply gives the entry of its sender
// ("a.b.c.d-port", or "[name]a.b.c.d-port" when the record holds another address than the one
// it came from); other datagrams give nothing.
std::optional<std::string> SearchEntryOf(const Datagram& reply);
// The reader's address in an entry: before the last "-", after a leading "[name]".
std::string EntryAddress(const std::string& entry);
// Variant 1's form of an entry: "[name]" for a DHCP reader, the entry itself otherwise.
std::string ReaderOnlyEntry(const std::string& entry);
// The product name in a record 2 reply from address; nothing for other datagrams.
std::optional<std::string> ProductOf(const Datagram& reply, const std::string& address);
// The "a.b.c.d-port" of a record 0 reply from the DHCP reader named name ("[name]"); nothing
// for fixed-address readers, other names and other datagrams.
std::optional<std::string> DhcpLookupAnswer(const Datagram& reply, const std::string& name);

// The address and port ("a.b.c.d-port") of the DHCP reader named "[name]", asked through the
// adapter with that local address (empty: any); empty when none answers in timeoutMs.
std::string LookupDhcpName(const std::string& bindAddress, const std::string& name, int timeoutMs,
                           const WaitPump& pump = {});

// A name holding "[" is looked up through the adapters of the socket's table in turn, each for
// perAdapterMs; the result replaces it (empty when no reader answered). Other names come back
// unchanged.
std::string ResolveReaderName(const std::string& name, int perAdapterMs, CTCPSocket& adapters,
                              const WaitPump& pump = {});

}  // namespace vesmor
