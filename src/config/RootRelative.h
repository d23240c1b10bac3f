#pragma once
// Where a chosen folder or file lies below the root folder, for the editors
// that store such places relative to the root.

#include <optional>
#include <string>
#include <string_view>

namespace palvex {

// Shown when a chosen folder lies outside the root folder.
inline constexpr std::string_view kFolderOutsideRoot = "Der Ordner muss im Root-Ordner liegen.";

// The part of path below root ("fotos/2009" for "/srv/www/fotos/2009/" and
// root "/srv/www/"; "" for the root itself), or nothing when path lies
// outside. Both are compared as written after "." and ".." are resolved and
// repeated "/" dropped; when that fails, once more with symbolic links
// resolved. Case matters, as on the file system.
std::optional<std::string> PathBelowRoot(std::string_view root, std::string_view path);

// The protected-folder cell for a folder chosen below root: "fotos/2009",
// "/" for the root itself; nothing when the folder lies outside.
std::optional<std::string> FolderCellOf(std::string_view root, std::string_view folder);

}  // namespace palvex
