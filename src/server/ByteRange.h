#pragma once
// The single byte range a "Range" header asks of a file, and the partial
// answer it makes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "server/ServerThread.h"

namespace palvex {

struct TByteRange {
    uint32_t Start = 0;
    uint32_t Length = 0;
    std::string ContentRange;  // "start-end/size"
};

// The range that header text "bytes=a-b", "bytes=a-" or "bytes=-n" asks of a
// file of size bytes; none for anything else, for several ranges, and for a
// range that is empty or covers the whole file.
std::optional<TByteRange> ParseRange(std::string_view header, uint32_t size);
// Makes the answer a partial one: status, start, length and Content-Range.
void ApplyRange(THttpServerThread& conn, const TByteRange& range);

}  // namespace palvex
