#include "config/MembersGrids.h"

#include <algorithm>
#include <map>

#include "common/TextConv.h"

namespace palvex {

namespace {

constexpr const char* kDefaultGroups[] = {"Freunde", "Hobby", "Firma"};

// Calls visit for every trimmed, non-empty piece of text split at sep that
// is not made of colons only (what a cleared row leaves behind).
template <typename Visit>
void ForEachEntry(std::string_view text, char sep, Visit visit) {
    while (!text.empty()) {
        const size_t end = text.find(sep);
        const std::string_view piece = TrimBlanks(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (piece.find_first_not_of(':') != std::string_view::npos) visit(piece);
    }
}

// Cuts the text up to the next colon (or all of it) off the front, trimmed.
std::string TakeField(std::string_view& rest) {
    const size_t colon = rest.find(':');
    const std::string_view field = TrimBlanks(rest.substr(0, colon));
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    return std::string(field);
}

std::string GroupsOrStandard(std::string_view rest) {
    const std::string_view groups = TrimBlanks(rest);
    return groups.empty() ? std::string(kStandardGroup) : std::string(groups);
}

// Rows for count loaded entries: the fixed number, or room for all of them.
size_t RowsFor(size_t count, size_t fixedRows) {
    return count >= fixedRows ? count + kSpareRows : fixedRows;
}

// Every group the users and folders name, once, ordered by GroupKey.
std::vector<std::string> CollectGroups(const TMembersGrids& grids) {
    std::map<std::string, std::string> byKey;
    auto add = [&](std::string_view cell) {
        for (std::string& name : SplitGroupCell(cell))
            byKey.try_emplace(GroupKey(name), std::move(name));
    };
    for (const TUserRow& user : grids.Users)
        add(user.Groups);
    for (const TFolderRow& folder : grids.Folders)
        add(folder.Groups);
    std::vector<std::string> names;
    for (auto& [key, name] : byKey)
        names.push_back(std::move(name));
    return names;
}

}  // namespace

std::vector<std::string> SplitGroupCell(std::string_view cell) {
    std::vector<std::string> names;
    while (!cell.empty()) {
        const size_t end = cell.find_first_of("+,");
        const std::string_view name = TrimBlanks(cell.substr(0, end));
        cell = end == std::string_view::npos ? std::string_view() : cell.substr(end + 1);
        if (!name.empty()) names.emplace_back(name);
    }
    return names;
}

std::string GroupKey(std::string_view name) {
    return AsciiUpper(Utf8Lower(name));
}

TMembersGrids LoadMembersGrids(std::string_view authUser, std::string_view authDir) {
    TMembersGrids grids;
    ForEachEntry(authUser, '|', [&](std::string_view rest) {
        TUserRow user;
        user.Name = TakeField(rest);
        user.Password = TakeField(rest);
        user.Groups = GroupsOrStandard(rest);
        grids.Users.push_back(std::move(user));
    });
    ForEachEntry(authDir, '|', [&](std::string_view rest) {
        TFolderRow folder;
        folder.Folder = TakeField(rest);
        folder.Groups = GroupsOrStandard(rest);
        grids.Folders.push_back(std::move(folder));
    });
    grids.Groups = CollectGroups(grids);
    if (grids.Users.empty() && grids.Groups.empty())
        grids.Groups.assign(std::begin(kDefaultGroups), std::end(kDefaultGroups));
    grids.Users.resize(RowsFor(grids.Users.size(), kUserRows));
    grids.Folders.resize(RowsFor(grids.Folders.size(), kFolderRows));
    grids.Groups.resize(RowsFor(grids.Groups.size(), kGroupRows));
    return grids;
}

}  // namespace palvex
