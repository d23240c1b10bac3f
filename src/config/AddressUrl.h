#pragma once
// The address under which others reach the server, as the URL the main
// window shows for copying.

#include <string>
#include <string_view>

namespace palvex {

// The dotted address in a text (an echo answer or a local address): the
// first 255 characters without white space around them; empty when that is
// not a valid address.
std::string AddressText(std::string_view text);
// "http://" + address + (":" + port unless it is 80) + "/".
std::string AddressUrl(std::string_view address, int port);

}  // namespace palvex
