#include "server/ByteRange.h"

#include <algorithm>

#include "common/TextConv.h"

namespace palvex {

namespace {
// Decimal number made of digits only; false for anything else.
bool ParseDigits(std::string_view text, uint64_t& value) {
    if (text.empty() || text.size() > 18) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return true;
}

}  // namespace

std::optional<TByteRange> ParseRange(std::string_view header, uint32_t fileSize) {
    const size_t eq = header.find('=');
    if (header.empty() || eq == std::string_view::npos ||
        AsciiLower(header.substr(0, eq)) != "bytes")
        return std::nullopt;
    const std::string_view rangeText = header.substr(eq + 1);
    const size_t dash = rangeText.find('-');
    if (rangeText.find(',') != std::string_view::npos || dash == std::string_view::npos)
        return std::nullopt;
    const std::string_view a = TrimBlanks(rangeText.substr(0, dash));
    const std::string_view b = TrimBlanks(rangeText.substr(dash + 1).substr(0, 127));
    const uint64_t size = fileSize, last = size - 1;
    uint64_t start, end = last, n;
    if (a.empty()) {
        if (!ParseDigits(b, n)) return std::nullopt;
        start = n >= size ? 0 : size - n;
    } else {
        if (!ParseDigits(a, start)) return std::nullopt;
        if (!b.empty()) {
            if (!ParseDigits(b, end)) return std::nullopt;
            end = std::min(end, last);
        }
    }
    if (start > end || end - start + 1 >= size) return std::nullopt;
    return TByteRange{
        static_cast<uint32_t>(start), static_cast<uint32_t>(end - start + 1),
        std::to_string(start) + "-" + std::to_string(end) + "/" + std::to_string(size)};
}

void ApplyRange(THttpServerThread& conn, const TByteRange& range) {
    conn.Status = rsPartial;
    conn.RangeStart = range.Start;
    conn.SendLength = range.Length;
    conn.ContentRange = range.ContentRange;
}

}  // namespace palvex
