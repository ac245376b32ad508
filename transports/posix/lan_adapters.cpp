#include "transports/lan_adapters.h"
#include "transports/posix/lan_datagram.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>

namespace vesmor {

namespace {

constexpr int kArpEther = 1;        // Ethernet, also wireless interfaces in managed mode
constexpr int kArpIeee80211 = 801;  // wireless interfaces reporting 802.11 frames

// The hardware type of an interface: from the link-layer entry of the address list, which
// belongs to the caller's network namespace, else from the type attribute in sysfs.
bool IsEthernetOrWireless(const ifaddrs* list, const std::string& netRoot, const char* name) {
    int type = -1;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr != nullptr && entry->ifa_addr->sa_family == AF_PACKET &&
            std::strcmp(entry->ifa_name, name) == 0) {
            type = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr)->sll_hatype;
            break;
        }
    }
    if (type < 0) {
        std::ifstream file(netRoot + "/" + name + "/type");
        file >> type;
    }
    return type == kArpEther || type == kArpIeee80211;
}

uint32_t AddressOf(const sockaddr* address) {
    return ntohl(reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr);
}

}  // namespace

std::vector<CAdapter> ListAdapters(const std::string& netRoot) {
    std::vector<CAdapter> adapters;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        return adapters;
    }
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET ||
            entry->ifa_netmask == nullptr || (entry->ifa_flags & IFF_UP) == 0 ||
            (entry->ifa_flags & IFF_LOOPBACK) != 0 ||
            !IsEthernetOrWireless(list, netRoot, entry->ifa_name)) {
            continue;
        }
        const uint32_t address = AddressOf(entry->ifa_addr);
        if (address == 0) {
            continue;
        }
        adapters.push_back({FormatIpv4(address), FormatIpv4(AddressOf(entry->ifa_netmask)),
                            static_cast<int32_t>(::if_nametoindex(entry->ifa_name))});
    }
    ::freeifaddrs(list);
    return adapters;
}

std::optional<int32_t> BestInterfaceFor(const std::string& address) {
    const std::optional<uint32_t> target = ParseIpv4(address);
    if (!target) {
        return std::nullopt;
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return std::nullopt;
    }
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(9);  // connecting a datagram socket only picks the route
    peer.sin_addr.s_addr = htonl(*target);
    sockaddr_in local{};
    socklen_t length = sizeof local;
    const bool routed = ::connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0 &&
                        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) == 0;
    ::close(fd);
    if (!routed) {
        return std::nullopt;
    }
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &local.sin_addr, text, sizeof text);
    return InterfaceHolding(text);
}

std::optional<int32_t> InterfaceHolding(const std::string& localAddress) {
    const std::optional<uint32_t> wanted = ParseIpv4(localAddress);
    ifaddrs* list = nullptr;
    if (!wanted || ::getifaddrs(&list) != 0) {
        return std::nullopt;
    }
    std::optional<int32_t> index;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr != nullptr && entry->ifa_addr->sa_family == AF_INET &&
            AddressOf(entry->ifa_addr) == *wanted) {
            index = static_cast<int32_t>(::if_nametoindex(entry->ifa_name));
            break;
        }
    }
    ::freeifaddrs(list);
    return index;
}

long ReceiveDatagram(int fd, uint8_t* buffer, size_t size, sockaddr_in& sender, int& arrivedOn) {
    iovec io{buffer, size};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
    msghdr message{};
    message.msg_name = &sender;
    message.msg_namelen = sizeof sender;
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t n = ::recvmsg(fd, &message, MSG_DONTWAIT);
    arrivedOn = 0;
    for (cmsghdr* c = n > 0 ? CMSG_FIRSTHDR(&message) : nullptr; c != nullptr;
         c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
            in_pktinfo info{};
            std::memcpy(&info, CMSG_DATA(c), sizeof info);
            arrivedOn = info.ipi_ifindex;
        }
    }
    return static_cast<long>(n);
}

}  // namespace vesmor
