#pragma once
// Checks the cells of the protected-folder editor and builds the setting
// texts AuthUser and AuthDir from them. Stops at the first fault with the
// message the editor shows.

#include <cstddef>
#include <string>
#include <string_view>

#include "config/MembersGrids.h"

namespace palvex {

// Ends every fault message (after a line break).
inline constexpr std::string_view kSaveAborted = "Speichern abgebrochen.";
// Characters a group name may not hold (besides control characters).
inline constexpr std::string_view kGroupForbidden = " |:,;*+=\"<&%'";
// A user name also may not hold slashes.
inline constexpr std::string_view kUserForbidden = " |:,;*+=\"</\\&%'";
// Passwords and folders only may not hold the separators of the texts.
inline constexpr std::string_view kPasswordForbidden = "|:";
inline constexpr std::string_view kFolderForbidden = "|:";

struct TAuthTexts {
    bool Ok = false;
    std::string AuthUser;
    std::string AuthDir;
    // The first fault, followed by a line break and kSaveAborted; empty when Ok.
    std::string Error;
    // Users taken before the first fault.
    size_t Users = 0;
    // Folders taken before the first fault.
    size_t Folders = 0;
};

// Validates the grids row by row (groups, then users, then folders) and
// builds the two texts: users as name:password:groups, folders as
// folder:groups (without trailing separators but for the root "/"), joined
// by "|"; group cells normalised to names joined by
// "+" ("standard" when empty, "*" kept). Every group but "standard" must be
// defined in the group grid (compared without regard to case).
TAuthTexts BuildAuthTexts(const TMembersGrids& grids);

// What closing the editor compares with: the texts built when it opened or
// last saved, and the cells they came from (for a build that failed).
struct TMembersSnapshot {
    TAuthTexts Texts;
    TMembersGrids Cells;
};
TMembersSnapshot TakeMembersSnapshot(const TMembersGrids& grids);
// True when the grids now build other texts than the snapshot; when either
// build fails, true when any cell differs.
bool MembersChanged(const TMembersSnapshot& snapshot, const TMembersGrids& now);

// The first character of text that is in forbidden or is a control
// character, as shown in a message ("^J" for a line feed); empty when none.
std::string FirstForbidden(std::string_view text, std::string_view forbidden);

}  // namespace palvex
