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
    // The decoded path as the log shows it ("\" for the root); empty when
    // the target was too malformed to tell.
    std::u16string LogPath;
};

// Decodes target (up to its "?"); Kind kPathInvalid marks an invalid path.
TRequestPath ParseRequestPath(std::string_view target);
// Gives the connection the path's log form and its status: Bad Request for
// an invalid path, none yet for a valid one.
void ApplyRequestPath(THttpServerThread& conn, const TRequestPath& p);

}  // namespace palvex
