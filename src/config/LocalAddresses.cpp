#include "config/LocalAddresses.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include "common/Codecs.h"

namespace palvex {

namespace {

// All of 127.0.0.0/8 is loopback (Debian names its host 127.0.1.1).
constexpr std::string_view kLoopbackPrefix = "127.";
constexpr std::string_view kHomeLanPrefix = "192.168.";

}  // namespace

std::string LocalAddresses() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return {};
    std::string out;
    for (const ifaddrs* a = list; a; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET || !(a->ifa_flags & IFF_UP)) continue;
        const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
        const auto* octets = reinterpret_cast<const unsigned char*>(&in->sin_addr);
        if (!out.empty()) out += ',';
        out += FormatIPv4(octets[0] | octets[1] << 8 | octets[2] << 16 |
                          static_cast<uint32_t>(octets[3]) << 24);
    }
    freeifaddrs(list);
    return out;
}

std::string PickLanAddress(std::string_view addresses) {
    std::string_view candidate;
    while (!addresses.empty()) {
        const size_t comma = addresses.find(',');
        const std::string_view address = addresses.substr(0, comma);
        addresses = comma == std::string_view::npos ? "" : addresses.substr(comma + 1);
        if (address.empty() || address.starts_with(kLoopbackPrefix)) continue;
        candidate = address;
        if (address.starts_with(kHomeLanPrefix)) break;
    }
    return std::string(candidate);
}

std::string PickLanAddress() {
    return PickLanAddress(LocalAddresses());
}

}  // namespace palvex
