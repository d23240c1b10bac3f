#include "shell/DesktopLinks.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <chrono>

#include "config/DesktopEntry.h"
#include "config/EditorCommand.h"
#include "config/HelpTopics.h"
#include "config/PathOps.h"
#include "config/ProgramPaths.h"
#include "config/XdgDirs.h"
#include "server/HttpServer.h"
#include "shell/DesktopServices.h"
#include "shell/ShellHooks.h"
#include "shell/WindowParts.h"

namespace palvex {

namespace {

constexpr int kHttpPort = 80;
// The button or link stays disabled while the browser comes up (twice 200 ms).
constexpr std::chrono::milliseconds kLaunchPause{400};
constexpr std::string_view kIconFile = "icons/palvex-256.png";
constexpr std::string_view kThemeIcon = "palvex";

// The shipped icon when there is one, else the icon theme's name.
std::string LauncherIcon() {
    const std::string icon = FindProgramFile(kIconFile, ProgramPaths());
    return FileExists(icon) ? icon : std::string(kThemeIcon);
}

void CreateLauncher(const std::string& folder, bool executable) {
    const std::string text = DesktopEntryText(OwnExePath(), LauncherIcon());
    // As with any shortcut: no message when it cannot be written.
    WriteDesktopEntry(folder, kDesktopEntryName, text, executable);
}

// Opens url with widget disabled for a moment, so a double click opens one page.
void OpenWithPause(QWidget* widget, const QUrl& url) {
    if (widget) widget->setEnabled(false);
    QCoreApplication::processEvents();
    Desktop().OpenUrl(url);
    if (!widget) return;
    QTimer::singleShot(kLaunchPause, widget, [widget] { widget->setEnabled(true); });
}

bool ServerRunning() {
    if (GlobalServer().Active) return true;
    ErrorBox(kServerNotRunning);
    return false;
}

QUrl HomepageUrl() {
    return QUrl::fromLocalFile(Q(FindProgramFile(HelpPageName(kHelpIndex), ProgramPaths())));
}

}  // namespace

QString LocalBaseUrl() {
    const uint16_t port = GlobalServer().Port;
    QString base = QStringLiteral("http://localhost");
    if (port != kHttpPort) base += ":" + QString::number(port);
    return base;
}

bool OpenInEditorCommand(const QString& path) {
    const std::optional<TCommand> command = EditorCommand(EditorEnvFromEnvironment(), U8(path));
    if (!command) {
        ErrorBox(kNoEditor);
        return false;
    }
    QStringList args;
    for (const std::string& arg : command->Args)
        args << Q(arg);
    if (Desktop().StartDetached(Q(command->Program), args)) return true;
    ErrorBox(std::string(kEditorFailed) + CommandText(*command));
    return false;
}

void CreateDesktopShortcut() {
    CreateLauncher(DesktopFolder(XdgDirsFromEnvironment()), true);
}

void CreateAutostartShortcut() {
    CreateLauncher(AutostartFolder(XdgDirsFromEnvironment()), false);
}

void OpenRootInFileManager() {
    if (QLineEdit* root = WindowPart<QLineEdit>("RootEd"))
        Desktop().OpenUrl(QUrl::fromLocalFile(root->text()));
}

void OpenRootInBrowser() {
    if (ServerRunning()) Desktop().OpenUrl(QUrl(LocalBaseUrl() + "/"));
}

void OpenChatInBrowser() {
    if (ServerRunning())
        OpenWithPause(WindowPart<QPushButton>("callChatBtn"), QUrl(LocalBaseUrl() + "/*chat/"));
}

void OpenHomepage() {
    OpenWithPause(WindowPart<QLabel>("MorviNewsLabel"), HomepageUrl());
}

void ShowProxyList() {
    InfoBox(kProxyListHint);
    Desktop().OpenUrl(QUrl(Q(kProxyListUrl)));
}

}  // namespace palvex
