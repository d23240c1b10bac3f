#pragma once
// Path operations of the configuration. Full paths use "/" and an absolute
// path begins with "/"; a backslash in a configured path counts as "/", so
// files written on other systems keep working.

#include <string>
#include <string_view>

// FolderExists and FileExists, which most users of these operations need.
#include "common/Paths.h"

namespace palvex {

inline constexpr char kPathDelim = '/';

// path with every "\" turned into "/"; base (ending in "/") in front unless it
// is absolute.
std::string MakeAbsolutePath(std::string_view path, std::string_view base);
// MakeAbsolutePath ending in "/".
std::string MakeAbsoluteFolder(std::string_view path, std::string_view base);
// path without base when it is longer than base and begins with it; path otherwise.
std::string MakeRelativePath(std::string_view path, std::string_view base);
// "\" turned into "/" and a leading "/" added to a non-empty result.
std::string PathToUrl(std::string_view path);

// The folder part of a path up to and including its last "/" (empty if none).
std::string FolderOf(std::string_view path);

// Creates the folder named by path (what follows its last "/" is a file name
// and is ignored) with all missing parents; true when it exists afterwards.
bool ForceFolders(std::string_view path);
bool ForceFolders(std::u16string_view path);
// True when the current user may create files in the folder.
bool FolderWritable(std::string_view folder);

}  // namespace palvex
