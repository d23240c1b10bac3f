#pragma once
// The user's desktop folders after the XDG base-directory and user-dirs
// rules: where launchers, autostart entries and file associations live.

#include <string>
#include <string_view>
#include <vector>

namespace palvex {

// Every folder ends in "/".
struct TXdgDirs {
    std::string Home;
    std::string ConfigHome;               // $XDG_CONFIG_HOME or ~/.config/
    std::string DataHome;                 // $XDG_DATA_HOME or ~/.local/share/
    std::vector<std::string> ConfigDirs;  // $XDG_CONFIG_DIRS or /etc/xdg/
    std::vector<std::string> DataDirs;    // $XDG_DATA_DIRS or /usr/local/share/, /usr/share/
};

TXdgDirs XdgDirsFromEnvironment();

// The desktop folder: XDG_DESKTOP_DIR of user-dirs.dirs in ConfigHome (as
// xdg-user-dir reads it), else ~/Desktop/.
std::string DesktopFolder(const TXdgDirs& dirs);
// ConfigHome + "autostart/".
std::string AutostartFolder(const TXdgDirs& dirs);

// The value of XDG_<name>_DIR in the text of a user-dirs.dirs file, "$HOME"
// replaced; empty when it is missing or not absolute.
std::string UserDirFromText(std::string_view text, std::string_view name, std::string_view home);

}  // namespace palvex
