#pragma once
// Comma-separated word lists (the GUI and Limit settings). Words compare
// without regard to ASCII case; empty items are tolerated.

#include <string>
#include <string_view>

namespace palvex {

// True when flag is a whole item of list.
bool HasFlag(std::string_view flag, std::string_view list);
// Appends flag (with one separating comma) unless it is already present.
void AddFlag(std::string& list, std::string_view flag);
// Deletes the first occurrence of flag, then collapses doubled commas and
// strips leading and trailing commas.
void RemoveFlag(std::string& list, std::string_view flag);

}  // namespace palvex
