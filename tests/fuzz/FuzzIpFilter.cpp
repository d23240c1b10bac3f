// libFuzzer target: the IP filter rule text.

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "common/Codecs.h"
#include "config/IpFilter.h"

using namespace palvex;

namespace {

bool Ordered(const TIPRange& r) {
    return AddressOrder(r.FromAddr) <= AddressOrder(r.ToAddr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    std::vector<TIPRange> block, permit;
    ParseIPFilter(input, block, permit);
    for (const TIPRange& r : block)
        if (r.Kind != kRangeBlock || !Ordered(r)) abort();
    for (const TIPRange& r : permit)
        if (r.Kind != kRangePermit || !Ordered(r)) abort();

    // Every call must consume text, valid entry or not.
    std::string_view text = input;
    while (!text.empty()) {
        const size_t before = text.size();
        uint32_t from = 0, to = 0;
        uint8_t kind = 0;
        if (ParseFilterEntry(text, from, to, kind) && kind > kRangePermit) abort();
        if (text.size() >= before) abort();
    }

    if (!block.empty()) {
        const TIPRange& r = block.front();
        if (!IPInRanges(r.FromAddr, block) || !IPInRanges(r.ToAddr, block)) abort();
    }
    return 0;
}
