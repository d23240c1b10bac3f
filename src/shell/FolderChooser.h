#pragma once
// The modal folder chooser: a lazily filled folder tree of one mounted
// volume, a path field, links to the documents and desktop folders and the
// creation of a new folder, optionally confined to one folder tree.

#include <string>
#include <string_view>

namespace palvex {

// Lets the user pick a folder; the result ends with "/", or is "" when the
// user cancelled or the path is no folder (inside the restriction).
// caption "" gives "Ordner auswählen"; restriction "" means none.
std::string ChooseFolder(std::string_view caption, std::string_view startFolder,
                         std::string_view restriction, bool allowNew);
// Moves the chooser to an existing folder inside the restriction (or, while
// the chooser was never shown, remembers it as its start); false otherwise.
bool PresetChooserFolder(std::string_view path);

}  // namespace palvex
