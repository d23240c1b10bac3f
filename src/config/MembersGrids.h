#pragma once
// The cells of the protected-folder editor without any widget: the users,
// groups and folders grids, filled from the two setting texts AuthUser
// ("name:password:groups|...") and AuthDir ("folder:groups|...").

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace palvex {

// Editable rows each grid has at least; a grid that loads as many entries or
// more gets the loaded count plus kSpareRows, so nothing loaded is dropped.
inline constexpr size_t kUserRows = 50;
inline constexpr size_t kGroupRows = 5;
inline constexpr size_t kFolderRows = 4;
inline constexpr size_t kSpareRows = 2;

// The group every user and folder belongs to when its cell is empty; it never
// has to be declared.
inline constexpr std::string_view kStandardGroup = "standard";
// A group list that admits every group.
inline constexpr std::string_view kAllGroupsCell = "*";

struct TUserRow {
    std::string Name;
    std::string Password;
    std::string Groups;
    bool operator==(const TUserRow&) const = default;
};

struct TFolderRow {
    std::string Folder;
    std::string Groups;
    bool operator==(const TFolderRow&) const = default;
};

// One string per cell (UTF-8), one element per grid row.
struct TMembersGrids {
    std::vector<TUserRow> Users;
    std::vector<std::string> Groups;
    std::vector<TFolderRow> Folders;
    bool operator==(const TMembersGrids&) const = default;
};

// The grids for the two setting texts: users and folders in the order of the
// texts (empty pieces and bare separators skipped, an empty group list read
// as "standard"), and every group they name once, ignoring case, spelt as
// first seen, in alphabetical order. With neither a user nor a group, the
// group rows start with Freunde, Hobby and Firma.
TMembersGrids LoadMembersGrids(std::string_view authUser, std::string_view authDir);

// The group names of a group cell ("a+b", "a, b"): split at "+" and ",",
// each trimmed, empty ones dropped.
std::vector<std::string> SplitGroupCell(std::string_view cell);

// Upper case for ordering and comparing group names: ASCII letters upper,
// other scripts folded to lower case, so that "Ärger" and "ärger" are one name.
std::string GroupKey(std::string_view name);

}  // namespace palvex
