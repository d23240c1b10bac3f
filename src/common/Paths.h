#pragma once
// Joining the root folder with request-relative paths, and wide paths at the
// file-system call.

#include <span>
#include <string>
#include <string_view>

namespace palvex {

// Longer paths are refused by the file system anyway.
inline constexpr size_t kMaxPathBytes = 4096;

// Root ("/srv/www/") followed by a relative path in backslash form; every
// backslash becomes "/". The one place where request paths meet the disk.
std::u16string JoinRootPath(std::u16string_view root, std::u16string_view relPath);
// A wide path as the bytes the file system takes (UTF-8).
std::string FsPath(std::u16string_view path);
// File name part after the last "/" or "\".
std::u16string_view FileNamePart(std::u16string_view path);
// Extension of the last element, dot included ("a/b.tar.gz" -> ".gz");
// empty when the last element has no dot.
std::u16string_view ExtensionOf(std::u16string_view path);
// Existence checks (links followed); false for an empty path and for one
// longer than the file system takes. A path exists as anything, a folder, or
// a file (anything that is not a folder).
bool PathExists(std::string_view path);
bool FolderExists(std::string_view path);
bool FolderExists(std::u16string_view path);
bool FileExists(std::string_view path);
// The first folder + relPath that exists, trying the folders in order; the
// first folder's path when none does, empty when there are no folders.
std::string FindInFolders(std::span<const std::string> folders, std::string_view relPath);

}  // namespace palvex
