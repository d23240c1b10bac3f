#pragma once
// The host's own IPv4 addresses and the one to offer for use inside a LAN.

#include <string>
#include <string_view>

namespace palvex {

// The IPv4 addresses of the interfaces that are up, in interface order, as
// dotted text joined by ","; empty when there are none or they cannot be read.
std::string LocalAddresses();
// From a comma-separated list: the first "192.168." address, else the last
// address outside loopback (127.x.x.x), else empty.
std::string PickLanAddress(std::string_view addresses);
// The same on LocalAddresses().
std::string PickLanAddress();

}  // namespace palvex
