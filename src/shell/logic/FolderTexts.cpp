#include "shell/logic/FolderTexts.h"

namespace palvex {

const TMLStringList& ChooseLocalFolderTable() {
    static const TMLStringList table{{
        {kFolderTableName, "ChooseLocalFolder"},
        {kFolderCaption, "Ordner auswählen"},
        {kFolderNewName, "neuer Ordner"},
        {kFolderTypedMissing, "Der eingegebene Pfad existiert nicht."},
        {kFolderTypedForbidden, "Der eingegebene Pfad ist nicht erlaubt."},
        {kFolderPathMissing, "Der Pfad %1 existiert nicht."},
        {kFolderNotCreated, "Der Pfad %1 konnte nicht angelegt werden."},
    }};
    return table;
}

std::string FolderText(int id) {
    return StringListText(ChooseLocalFolderTable(), id);
}

std::string FolderTextWith(int id, std::string_view argument) {
    return StringListTextWith(ChooseLocalFolderTable(), id, argument);
}

}  // namespace palvex
