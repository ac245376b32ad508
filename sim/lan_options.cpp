#include "sim/lan_options.h"

#include <cstdio>
#include <stdexcept>

namespace vesmor::sim {

void AddLanOptions(CLI::App& app, LanCli& cli) {
    app.add_option("--lan", cli.address,
                   "be a LAN reader at ADDRESS[-PORT] (TCP port default 10001, 0: any free one; "
                   "configuration port 30718) instead of a pseudo-terminal");
    app.add_option("--lan-dhcp", cli.dhcpName,
                   "the LAN reader took its address from DHCP and has this DHCP name");
    app.add_option("--lan-product", cli.product,
                   "product name in configuration record 2 (default QX-LAN; XPORT for "
                   "--lan-foreign)");
    app.add_option("--lan-hardware", cli.hardware, "hardware address, six hexadecimal bytes");
    app.add_option("--lan-mask", cli.mask, "subnet mask of the LAN reader");
    app.add_option("--lan-gateway", cli.gateway, "gateway of the LAN reader");
    app.add_flag("--lan-foreign", cli.foreign,
                 "another maker's device: answers the search, serves no reader frames");
    app.add_flag("--lan-no-vek", cli.noVek,
                 "ping reply without \"VEK\": only the short set-address datagram works");
    app.add_flag("--lan-no-config", cli.noConfig, "no configuration port, only the TCP frames");
    app.add_option("--lan-close-after", cli.closeAfter,
                   "drop the TCP connection once, after this many answers");
    app.add_option("--lan-close", cli.closeStyle,
                   "how it is dropped: fin (the library reads 0 bytes) or reset (the library "
                   "sees the close)")
        ->check(CLI::IsMember({"fin", "reset"}));
}

std::unique_ptr<LanServer> StartLanServer(const ReaderConfig& reader, const LanCli& cli) {
    LanServer::Options options;
    LanDeviceConfig& device = options.device;
    device.address = cli.address;
    if (const size_t dash = cli.address.rfind('-'); dash != std::string::npos) {
        device.address = cli.address.substr(0, dash);
        device.tcpPort = std::stoi(cli.address.substr(dash + 1));
    }
    if (!Ipv4Octets(device.address) || device.tcpPort < 0 || device.tcpPort > 0xFFFF) {
        throw std::runtime_error("--lan needs ADDRESS[-PORT] with a dotted IPv4 address");
    }
    device.dhcp = !cli.dhcpName.empty();
    device.dhcpName = cli.dhcpName;
    device.foreign = cli.foreign;
    device.vek = !cli.noVek;
    device.product = !cli.product.empty() ? cli.product : (cli.foreign ? "XPORT" : "QX-LAN");
    device.gateway = cli.gateway;
    const auto mask = Ipv4Octets(cli.mask);
    if (!mask || !Ipv4Octets(cli.gateway)) {
        throw std::runtime_error("--lan-mask and --lan-gateway need dotted IPv4 addresses");
    }
    device.hostBits = HostBitsOf(mask->data());
    if (!cli.hardware.empty()) {
        unsigned b[6];
        if (std::sscanf(cli.hardware.c_str(), "%x:%x:%x:%x:%x:%x", &b[0], &b[1], &b[2], &b[3],
                        &b[4], &b[5]) != 6) {
            throw std::runtime_error("--lan-hardware needs six bytes like 00:20:4A:01:02:03");
        }
        for (int i = 0; i < 6; ++i) {
            device.hardware[i] = static_cast<uint8_t>(b[i]);
        }
    }
    options.configPort = !cli.noConfig;
    options.closeAfter = cli.closeAfter;
    options.closeStyle = cli.closeStyle == "reset" ? PeerClose::kReset : PeerClose::kFin;
    return std::make_unique<LanServer>(reader, options);
}

}  // namespace vesmor::sim
