#pragma once
// A transport of a port other than its serial base: LAN connection, HID device or Bluetooth
// dongle. At most one transport of a port is open.

#include <cstddef>
#include <cstdint>

namespace vesmor {

class PortTransport {
  public:
    virtual ~PortTransport() = default;

    // The connection's identifier while it is open (the port's handle), 0 when it is not.
    virtual int32_t Identifier() const = 0;
    virtual void Write(const uint8_t* data, size_t count) = 0;
    // True for transports without a reader thread: the waiting caller collects their bytes
    // with ReadPending.
    virtual bool IsPolled() const { return false; }
    // Read of up to max bytes; returns the count read. It waits at most about a millisecond
    // for bytes when ReadWaits() says so, and not at all otherwise.
    virtual size_t ReadPending(uint8_t* /*buffer*/, size_t /*max*/) { return 0; }
    // True when ReadPending waits that millisecond itself: the waiting caller then needs no
    // sleep of its own between polls.
    virtual bool ReadWaits() const { return false; }
    // Read of what is there now, never waiting.
    virtual size_t ReadNow(uint8_t* buffer, size_t max) { return ReadPending(buffer, max); }
    // HID input arrives in reports; a flush discards what is pending.
    virtual bool IsHid() const { return false; }
    // False while an open transport knows its device cannot be reached (a LAN reader that
    // refused the reconnect); its handle stays valid.
    virtual bool IsReachable() const { return true; }
    // True when the transport knows that the latest frame written never left (its connection
    // had closed): the reader cannot answer it and owes nothing for it.
    virtual bool LastWriteDropped() const { return false; }
    virtual void Close() = 0;
};

}  // namespace vesmor
