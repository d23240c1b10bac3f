#pragma once
// A new, empty folder description file (".FileInfo") for a folder.

#include <string>
#include <string_view>

namespace palvex {

// The file's bytes: UTF-16 little-endian with a byte-order mark, naming
// folder (ending in "/") XML-escaped in its path element.
std::string FileInfoTemplateBytes(std::u16string_view folder);
// Writes the template to path unless a file is there already; true when the
// file exists afterwards.
bool CreateFileInfoIfMissing(const std::string& path);

}  // namespace palvex
