// libFuzzer target: percent decoding, URL encoding and query parameters.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/Codecs.h"
#include "common/TextConv.h"

using namespace palvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::u16string wide = PercentDecodeW(input);
    const std::string bytes = PercentDecode(input);
    if (bytes.size() > input.size()) __builtin_trap();
    // What the listing writes into its links must decode back to the name.
    if (PercentDecodeW(UrlEncodePath(wide)) != wide) __builtin_trap();
    if (PercentDecodeW(UrlEncodeValue(wide)) != wide) __builtin_trap();
    GetQueryParam("tn", wide);
    const size_t split = input.find('|');
    if (split != std::string_view::npos) {
        const std::string name(input.substr(0, split));
        SetQueryParam(name, "7", std::string(input.substr(split + 1)));
    }
    HexToBytes(input);
    ParseIPv4(input);
    return 0;
}
