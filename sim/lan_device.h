#pragma once
// The configuration side of a simulated LAN reader: its records 0, 2 and 3, its ping reply and
// what it does on the datagrams of the configuration port (record reads and writes, address
// setting, restart).

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vesmor::sim {

using Bytes = std::vector<uint8_t>;

struct LanDeviceConfig {
    std::string address = "127.0.0.1";  // where the device answers
    int tcpPort = 10001;
    bool dhcp = false;     // record 0 holds 0.0.0.0: the address came from DHCP
    std::string dhcpName;  // up to 16 characters
    int hostBits = 8;
    std::string gateway = "0.0.0.0";
    std::string product = "QX-LAN";
    bool vek = true;  // the ping reply holds "VEK": the extended set-address datagram works
    std::array<uint8_t, 6> hardware = {0x00, 0x20, 0x4A, 0x56, 0x45, 0x4B};
    bool foreign = false;  // another maker's device: answers the search, serves no reader
};

class LanDevice {
  public:
    explicit LanDevice(const LanDeviceConfig& config);

    // What the device does with one datagram.
    struct Outcome {
        Bytes reply;                        // empty: no reply
        std::optional<std::string> moveTo;  // answer from this address from now on
        std::optional<int> tcpPort;         // serve the reader frames on this port
    };
    Outcome OnDatagram(const Bytes& request);

    const std::string& Address() const { return address_; }
    int TcpPort() const { return tcpPort_; }
    const Bytes& Record0() const { return record0_; }
    bool IsForeign() const { return foreign_; }

  private:
    Outcome SetAddress(const Bytes& request);
    Outcome Restart();
    void StoreAddress(const std::array<uint8_t, 4>& octets);

    Bytes record0_;
    Bytes record2_;
    Bytes record3_;
    Bytes ping_;
    std::string address_;
    std::string actualAddress_;  // the one DHCP gave, kept when record 0 says 0.0.0.0
    int tcpPort_;
    std::array<uint8_t, 6> hardware_;
    bool foreign_;
};

// "a.b.c.d" to four octets, first first; nullopt for anything else.
std::optional<std::array<uint8_t, 4>> Ipv4Octets(const std::string& text);
std::string Ipv4Text(const uint8_t* octets);
// Zero bits below the lowest set bit of a mask given first octet first (32 for 0.0.0.0).
int HostBitsOf(const uint8_t* maskOctets);

}  // namespace vesmor::sim
