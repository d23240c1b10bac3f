#pragma once
// The context topics of the help pages: each is a page Help/DE/<topic>.html
// shipped with the program.

#include <array>
#include <string>
#include <string_view>

namespace palvex {

inline constexpr std::string_view kHelpFolder = "Help/DE/";
inline constexpr std::string_view kHelpIndex = "index";
inline constexpr std::string_view kHelpNewPort = "newport";
inline constexpr std::string_view kHelpFolders = "menu-folders";
inline constexpr std::string_view kHelpChat = "chat";
inline constexpr std::string_view kHelpListing = "listing";
inline constexpr std::string_view kHelpIp = "menu-ip";
inline constexpr std::string_view kHelpLogScreen = "logscreen";
inline constexpr std::string_view kHelpFileMenu = "menu-file";
inline constexpr std::string_view kHelpLimitMenu = "menu-limit";
inline constexpr std::string_view kHelpViewMenu = "menu-view";
inline constexpr std::string_view kHelpLogMenu = "menu-log";
inline constexpr std::string_view kHelpInfoMenu = "menu-info";
// Pages of the protected-folder and IP filter editors.
inline constexpr std::string_view kHelpMembers = "members";
inline constexpr std::string_view kHelpIpFilter = "ipfilter";

inline constexpr std::array<std::string_view, 14> kHelpTopics{
    kHelpIndex,   kHelpNewPort,   kHelpFolders,  kHelpChat,      kHelpListing,
    kHelpIp,      kHelpLogScreen, kHelpFileMenu, kHelpLimitMenu, kHelpViewMenu,
    kHelpLogMenu, kHelpInfoMenu,  kHelpMembers,  kHelpIpFilter,
};

// The page of a topic below the program's help folder: "Help/DE/<topic>.html".
inline std::string HelpPageName(std::string_view topic) {
    return std::string(kHelpFolder) + std::string(topic) + ".html";
}

}  // namespace palvex
