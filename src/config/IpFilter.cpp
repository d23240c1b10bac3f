#include "config/IpFilter.h"

#include <mutex>
#include <utility>

#include "common/Codecs.h"
#include "common/TextConv.h"

namespace palvex {

namespace {

constexpr size_t kMaxEntryLength = 255;
constexpr size_t kMaxLastAddressLength = 31;
constexpr std::string_view kZeroAddress = "0.0.0.0";

// Cuts the next non-empty, trimmed entry off the front of text.
std::string_view TakeEntry(std::string_view& text) {
    while (!text.empty()) {
        const size_t comma = text.find(',');
        const std::string_view entry = TrimBlanks(text.substr(0, comma));
        text = comma == std::string_view::npos ? std::string_view()
                                               : TrimBlanks(text.substr(comma + 1));
        if (!entry.empty()) return entry.substr(0, kMaxEntryLength);
    }
    return {};
}

// Kind of a keyword ("block", "permit", "rem" in any case); false otherwise.
bool KindOf(std::string_view keyword, uint8_t& kind) {
    const std::string word = AsciiLower(TrimBlanks(keyword));
    if (word == "block") {
        kind = kRangeBlock;
    } else if (word == "permit") {
        kind = kRangePermit;
    } else if (word == "rem") {
        kind = kRangeRem;
    } else {
        return false;
    }
    return true;
}

}  // namespace

bool HasFilterEntry(std::string_view text) {
    for (char c : text)
        if (c != ',' && static_cast<unsigned char>(c) > ' ') return true;
    return false;
}

bool ParseFilterAddress(std::string_view text, uint32_t& address) {
    address = ParseIPv4(text);
    return address != 0 || text == kZeroAddress;
}

bool ParseFilterEntry(std::string_view& text, uint32_t& from, uint32_t& to, uint8_t& kind) {
    const std::string_view entry = TakeEntry(text);
    const size_t colon = entry.find(':');
    if (colon == std::string_view::npos || !KindOf(entry.substr(0, colon), kind)) return false;
    const std::string_view rest = entry.substr(colon + 1);
    const size_t dash = rest.find('-');
    const std::string_view first = TrimBlanks(rest.substr(0, dash));
    const std::string_view last = dash == std::string_view::npos
                                      ? first
                                      : TrimBlanks(rest.substr(dash + 1, kMaxLastAddressLength));
    if (!ParseFilterAddress(first, from) || !ParseFilterAddress(last, to)) return false;
    if (AddressOrder(from) > AddressOrder(to)) std::swap(from, to);
    return true;
}

void ParseIPFilter(std::string_view text, std::vector<TIPRange>& block,
                   std::vector<TIPRange>& permit) {
    while (!text.empty()) {
        TIPRange range;
        if (!ParseFilterEntry(text, range.FromAddr, range.ToAddr, range.Kind)) continue;
        if (range.Kind == kRangeBlock) block.push_back(range);
        if (range.Kind == kRangePermit) permit.push_back(range);
    }
}

void ReloadIPFilter(std::string_view ipFilter) {
    std::vector<TIPRange> block;
    std::vector<TIPRange> permit;
    ParseIPFilter(ipFilter, block, permit);
    std::lock_guard lock(HookLock);
    std::swap(BlockRanges(), block);
    std::swap(PermitRanges(), permit);
}

}  // namespace palvex
