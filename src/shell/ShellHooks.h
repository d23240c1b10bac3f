#pragma once
// What the main window calls in the parts built beside it: the log screen,
// address discovery, tray, desktop links and help (PendingDesktop.cpp), and
// the settings editors and webcam window (PendingEditors.cpp). Until a part
// exists its function is a stand-in there: it shows "not available yet", or
// does the least that keeps the window usable. A part that lands defines
// the functions in its own files and deletes their stand-ins.
//
// All of these run on the GUI thread.

#include <cstdint>
#include <string_view>

#include "server/HttpServer.h"

class QCheckBox;
class QWidget;

namespace palvex {

// ---- Log screen --------------------------------------------------------------

enum class TLogKind : char { Green = 'G', Red = 'R' };

// The log screen, created inside parent with the objectName "LogBox".
QWidget* CreateLogBox(QWidget* parent);
// A message line (time and text) in the log screen.
void LogMessage(std::string_view text, TLogKind kind);
// The answer-head hook the request filter gives every connection (runs on
// connection threads inside HookLock); nullptr for none.
THook LogRequestHook();
// "Log-Screen aufräumen".
void TidyLog();
// Whether requests for small images get a log line.
void SetLogSmallImages(bool log);

// ---- Addresses ---------------------------------------------------------------

// Shows a packed address (not 0) as URL in the field IPEd.
void ShowAddressAsUrl(uint32_t ip);
// "Internet-IP ermitteln" and "lokale IP suchen (nur für LAN)".
void FindPublicIp();
void FindLanIp();

// ---- Desktop -----------------------------------------------------------------

// The tray icon's tip follows the server state; RemoveTrayIcon on closing.
void SetTrayTip(std::string_view tip);
void RemoveTrayIcon();
// The window was just minimised (to the tray where one exists).
void WindowMinimised();
void CreateDesktopShortcut();
void CreateAutostartShortcut();
void OpenRootInFileManager();
void OpenRootInBrowser();
void OpenChatInBrowser();
void OpenHomepage();
void ShowProxyList();

// ---- Help --------------------------------------------------------------------

// Shows a help page ("index", "menu-file", ...) in the help tab once the help
// browser exists (creating it for "index"); silent otherwise.
void ShowHelpTopic(std::string_view topic);
// Frees the help browser when the header/help panel is hidden.
void FreeHelpBrowser();

// ---- Settings editors and webcam ---------------------------------------------

// Protected folders and passwords; true when anything changed.
bool ShowMembersEditor(QWidget* parent);
void ShowFilterEditor(QWidget* parent);
void EditListingProperties(QWidget* parent);
// The webcam settings window; true when capture runs afterwards.
bool ShowCamDialog(QWidget* parent);
// The main window's webcam check box was clicked / its "#" button.
void CamCheckBoxClicked(QCheckBox& box);
void CamEdBtnClicked(QCheckBox& box);

// ---- For the stand-ins -------------------------------------------------------

inline constexpr std::string_view kNotAvailableText = "Diese Funktion ist noch nicht verfügbar.";
// The information box of a part that is not built yet.
void ShowNotAvailable();

}  // namespace palvex
