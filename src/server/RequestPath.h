#pragma once
// Decoding a request target into a path relative to the root.

#include <cstdint>
#include <string>
#include <string_view>

#include "server/ServerThread.h"

namespace palvex {

constexpr size_t kMaxRelPathChars = 1024;

enum : uint8_t { kPathInvalid = 0, kPathAny = 1, kPathFolder = 2, kPathFile = 3, kPathVirtual = 4 };

struct TRequestPath {
    std::u16string RelPath;
    uint8_t Kind = kPathInvalid;
    // Not in canonical form (extra or doubled separators, "." elements, a
    // folder named without its trailing separator): listings use absolute links.
    bool Slashed = false;
};

// Decodes target (up to its "?") into p; Kind 0 marks an invalid path.
void ParseRequestPath(THttpServerThread& conn, std::string_view target, TRequestPath& p);

}  // namespace palvex
