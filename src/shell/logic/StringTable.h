#pragma once
// Texts kept by numeric id, looked up through the translation hook. In a
// table text "#13#" stands for a line break and "%1" for an argument.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace palvex {

struct TMLStringList {
    // Item 0 conventionally holds the table's name.
    std::vector<std::pair<int, std::string>> Items;
};

// The first item with id, translated from the source into the current
// language, "#13#" turned into a carriage return; "" when no item has id.
std::string StringListText(const TMLStringList& list, int id);
// StringListText with every "%1" replaced by argument.
std::string StringListTextWith(const TMLStringList& list, int id, std::string_view argument);

// Every occurrence of what in text replaced by with.
std::string ReplaceAll(std::string text, std::string_view what, std::string_view with);

}  // namespace palvex
