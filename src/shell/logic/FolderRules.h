#pragma once
// The folder chooser's decisions on paths: the restriction to one folder
// tree and the names a new folder may have. Paths use "/".

#include <string>
#include <string_view>

namespace palvex {

// The restriction as the chooser keeps it: without trailing "/", and empty
// (no restriction) unless it is an absolute path of an existing folder.
std::string NormaliseRestriction(std::string_view restriction);
// True when there is no restriction, or path is the restriction folder or
// lies below it. Compares exactly, after resolving "." and ".." and links,
// so /srv/www does not admit /srv/www2 and case matters.
bool WithinRestriction(std::string_view path, std::string_view restriction);
// True for a name that creates exactly one folder inside the shown one: not
// empty, no "/", not "." or "..".
bool ValidNewFolderName(std::string_view name);
// path with one "/" at its end.
std::string WithTrailingSlash(std::string_view path);

}  // namespace palvex
