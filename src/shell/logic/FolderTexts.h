#pragma once
// The folder chooser's own texts, by id.

#include <string>
#include <string_view>

#include "shell/logic/StringTable.h"

namespace palvex {

enum TFolderTextId : int {
    kFolderTableName = 0,
    kFolderCaption = 1,
    kFolderNewName = 2,
    kFolderTypedMissing = 3,
    kFolderTypedForbidden = 4,
    kFolderPathMissing = 5,
    kFolderNotCreated = 6,
};

// The table "ChooseLocalFolder".
const TMLStringList& ChooseLocalFolderTable();
std::string FolderText(int id);
std::string FolderTextWith(int id, std::string_view argument);

}  // namespace palvex
