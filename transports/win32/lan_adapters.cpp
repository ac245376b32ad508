// The local adapters from GetAdaptersInfo, the route towards a reader from GetBestInterface.

#include "transports/lan_adapters.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <vector>

namespace vesmor {

namespace {

constexpr ULONG kFirstBufferSize = 648;

// The adapter list, asked for with 648 bytes first and again with the size the system names.
std::vector<unsigned char> AdapterInfo() {
    std::vector<unsigned char> buffer(kFirstBufferSize);
    ULONG size = kFirstBufferSize;
    DWORD result = GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size);
    if (result == ERROR_BUFFER_OVERFLOW) {
        buffer.resize(size);
        result = GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size);
    }
    if (result != NO_ERROR) {
        buffer.clear();
    }
    return buffer;
}

}  // namespace

std::vector<CAdapter> ListAdapters(const std::string& /*netRoot*/) {
    std::vector<CAdapter> adapters;
    std::vector<unsigned char> buffer = AdapterInfo();
    if (buffer.empty()) {
        return adapters;
    }
    for (const IP_ADAPTER_INFO* adapter = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
         adapter != nullptr; adapter = adapter->Next) {
        if (adapter->Type != MIB_IF_TYPE_ETHERNET && adapter->Type != IF_TYPE_IEEE80211) {
            continue;
        }
        for (const IP_ADDR_STRING* ip = &adapter->IpAddressList; ip != nullptr; ip = ip->Next) {
            const std::string address = ip->IpAddress.String;
            if (address.empty() || address == "0.0.0.0") {
                continue;
            }
            adapters.push_back({address, ip->IpMask.String, static_cast<int32_t>(adapter->Index)});
        }
    }
    return adapters;
}

std::optional<int32_t> BestInterfaceFor(const std::string& address) {
    const std::optional<uint32_t> target = ParseIpv4(address);
    DWORD index = 0;
    if (!target || GetBestInterface(htonl(*target), &index) != NO_ERROR) {
        return std::nullopt;
    }
    return static_cast<int32_t>(index);
}

std::optional<int32_t> InterfaceHolding(const std::string& localAddress) {
    for (const CAdapter& adapter : ListAdapters("")) {
        if (adapter.address == localAddress) {
            return adapter.index;
        }
    }
    return std::nullopt;
}

}  // namespace vesmor
