#pragma once
// Where a served file or folder really lies. A symbolic link below the root
// may lead into a protected folder; the protected-folder check then has to
// look at the real location as well as at the request path.

#include <string>
#include <string_view>

namespace palvex {

// The resolved absolute path of a file or folder (links followed); empty
// when it cannot be resolved.
std::string RealPathOf(std::u16string_view path);
// The resolved absolute path of an open file; empty when unknown.
std::string RealPathOfOpenFile(int fd);
// realPath relative to rootRealPath in the backslash form of request paths
// ("a\b.txt", "a\" for a folder, "\" for the root itself); empty when it lies
// outside the root.
std::string RelativeToRoot(std::string_view realPath, std::string_view rootRealPath, bool folder);

}  // namespace palvex
