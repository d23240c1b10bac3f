#pragma once
// The values of the listing properties editor without any widget: what it
// shows for the settings, what it stores, and which index names it accepts.

#include <optional>
#include <string>
#include <string_view>

#include "config/Settings.h"

namespace palvex {

// Shown when a chosen background picture lies outside the root folder.
inline constexpr std::string_view kBackgroundOutsideRoot = "Die Datei muss im Root-Ordner liegen.";
// Shown for an index name that is not a plain file name.
inline constexpr std::string_view kIndexNameRefused =
    "Der Index-Dateiname muss ein einfacher Dateiname sein:\r\"/\", \"\\\", \"..\" und "
    "Steuerzeichen sind nicht erlaubt.";

struct TListingValues {
    std::string Index;
    std::string Title;
    std::string Info;
    std::string Background;  // a site path: "/img/bg.jpg"
    bool operator==(const TListingValues&) const = default;
};

// What the editor shows: the index name or "index.html", the title or
// "Directory Listing", the info text, the background as a site path.
TListingValues ListingFormValues(const TServerSettings& settings);

// The typed values as stored: trimmed, the background as a site path.
TListingValues TrimListingValues(const TListingValues& typed);

// The stored listing values of the settings (index empty for the default).
TListingValues ListingSettingValues(const TServerSettings& settings);
void StoreListingValues(TServerSettings& settings, const TListingValues& trimmed);

// "img\bg.jpg" -> "/img/bg.jpg": trimmed, every "\" a "/", and a leading "/"
// for a non-empty text.
std::string BackgroundForm(std::string_view text);

// True for a name the server may append to a folder path: empty (the
// default) or a plain file name without "/", "\", ".." and control characters.
bool IsPlainIndexName(std::string_view name);

// The background field's text for a file chosen below root ("/img/bg.jpg"),
// or nothing when the file lies outside the root.
std::optional<std::string> BackgroundOfFile(std::string_view root, std::string_view file);

}  // namespace palvex
