#include "config/Flags.h"

#include "common/TextConv.h"

namespace palvex {

namespace {

// Position of ",flag," in ",list," (case-insensitive), or npos.
size_t FindItem(std::string_view flag, std::string_view list) {
    const std::string haystack = AsciiLower("," + std::string(list) + ",");
    const std::string needle = AsciiLower("," + std::string(flag) + ",");
    return haystack.find(needle);
}

}  // namespace

bool HasFlag(std::string_view flag, std::string_view list) {
    return FindItem(flag, list) != std::string::npos;
}

void AddFlag(std::string& list, std::string_view flag) {
    if (flag.empty() || HasFlag(flag, list)) return;
    if (!list.empty() && list.back() != ',') list += ',';
    list += flag;
}

void RemoveFlag(std::string& list, std::string_view flag) {
    std::string rest = list;
    const size_t found = FindItem(flag, list);
    // The comma before the item sits at found in ",list,", so the item starts at found in list.
    if (found != std::string::npos) rest.erase(found, flag.size());
    std::string out;
    for (char c : rest)
        if (c != ',' || (!out.empty() && out.back() != ',')) out += c;
    while (!out.empty() && out.back() == ',')
        out.pop_back();
    list = out;
}

}  // namespace palvex
