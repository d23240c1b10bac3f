#pragma once
// Launchers on the desktop and in autostart, the text editor, the file
// manager and the browser: every launch goes through the desktop service.

#include <QString>
#include <string_view>

namespace palvex {

inline constexpr std::string_view kNoEditor = "Kein Editor-Programm gefunden";
inline constexpr std::string_view kEditorFailed = "Der Editor konnte nicht gestartet werden.\r";
inline constexpr std::string_view kServerNotRunning = "Server läuft nicht";
inline constexpr std::string_view kProxyListHint =
    "Um die Erreichbarkeit dieses PCs über das Internet zu testen,\r"
    "klicken Sie einen Proxy aus der Liste an, und geben Sie\r"
    "dort Ihre IP (und Port) als Adresse (URL) ein.";
// A page where a web proxy fetches any address typed in.
inline constexpr std::string_view kProxyListUrl = "https://www.proxysite.com/";

// "http://localhost" with ":" + the bound port unless it is 80.
QString LocalBaseUrl();
// Opens path in the user's text editor (the desktop's association, else
// $VISUAL/$EDITOR in a terminal, else xdg-open), started with an argument
// list; shows why when it cannot. True when the editor was started.
bool OpenInEditorCommand(const QString& path);

}  // namespace palvex
