#include "config/AddressUrl.h"

#include "common/Codecs.h"
#include "common/TextConv.h"

namespace palvex {

namespace {

constexpr size_t kMaxAddressText = 255;
constexpr int kHttpPort = 80;

}  // namespace

std::string AddressText(std::string_view text) {
    const std::string_view address = TrimBlanks(text.substr(0, kMaxAddressText));
    return ParseIPv4(address) != 0 ? std::string(address) : std::string();
}

std::string AddressUrl(std::string_view address, int port) {
    std::string url = "http://" + std::string(address);
    if (port != kHttpPort) url += ":" + std::to_string(port);
    return url + "/";
}

}  // namespace palvex
