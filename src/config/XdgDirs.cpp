#include "config/XdgDirs.h"

#include <cstdlib>

#include "common/TextConv.h"
#include "config/PathOps.h"
#include "config/ProgramPaths.h"
#include "config/TextFile.h"

namespace palvex {

namespace {

constexpr std::string_view kHomeVariable = "$HOME";
constexpr size_t kMaxUserDirsBytes = 64 * 1024;

std::string WithSlash(std::string folder) {
    if (!folder.empty() && !folder.ends_with(kPathDelim)) folder += kPathDelim;
    return folder;
}

// The absolute folders of a colon-separated list, or the defaults.
std::vector<std::string> FolderList(const char* variable, std::vector<std::string> defaults) {
    const char* value = std::getenv(variable);
    std::vector<std::string> folders;
    std::string_view rest = value ? value : "";
    while (!rest.empty()) {
        const size_t colon = rest.find(':');
        const std::string_view folder = rest.substr(0, colon);
        rest = colon == std::string_view::npos ? "" : rest.substr(colon + 1);
        if (folder.starts_with(kPathDelim)) folders.push_back(WithSlash(std::string(folder)));
    }
    return folders.empty() ? defaults : folders;
}

}  // namespace

TXdgDirs XdgDirsFromEnvironment() {
    const TUserDirs user = UserDirsFromEnvironment();
    const char* home = std::getenv("HOME");
    TXdgDirs dirs;
    dirs.Home = WithSlash(home ? home : "");
    dirs.ConfigHome = WithSlash(user.ConfigHome);
    dirs.DataHome = WithSlash(user.DataHome);
    dirs.ConfigDirs = FolderList("XDG_CONFIG_DIRS", {"/etc/xdg/"});
    dirs.DataDirs = FolderList("XDG_DATA_DIRS", {"/usr/local/share/", "/usr/share/"});
    return dirs;
}

std::string UserDirFromText(std::string_view text, std::string_view name, std::string_view home) {
    const std::string key = "XDG_" + std::string(name) + "_DIR";
    for (const std::string& line : SplitLines(text)) {
        const std::string_view trimmed = TrimBlanks(line);
        const size_t eq = trimmed.find('=');
        if (eq == std::string_view::npos || TrimBlanks(trimmed.substr(0, eq)) != key) continue;
        std::string_view value = TrimBlanks(trimmed.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        std::string folder(value);
        if (value.starts_with(kHomeVariable) && !home.empty())
            folder = std::string(home) + std::string(value.substr(kHomeVariable.size()));
        if (!folder.starts_with(kPathDelim)) return {};
        return WithSlash(folder);
    }
    return {};
}

std::string DesktopFolder(const TXdgDirs& dirs) {
    std::string text;
    std::string home = dirs.Home;
    if (home.ends_with(kPathDelim)) home.pop_back();
    if (ReadWholeFile(dirs.ConfigHome + "user-dirs.dirs", kMaxUserDirsBytes, text)) {
        const std::string folder = UserDirFromText(text, "DESKTOP", home);
        if (!folder.empty()) return folder;
    }
    return dirs.Home + "Desktop/";
}

std::string AutostartFolder(const TXdgDirs& dirs) {
    return dirs.ConfigHome + "autostart/";
}

}  // namespace palvex
