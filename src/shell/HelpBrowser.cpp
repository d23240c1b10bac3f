// The help tab: a text browser inside iePanel showing the German help page
// of the topic the user is at. It is made when the help is first shown and
// freed when the panel is hidden; a missing help folder is looked for once.

#include <QLayout>
#include <QPointer>
#include <QTextBrowser>

#include "config/HelpTopics.h"
#include "config/PathOps.h"
#include "config/ProgramPaths.h"
#include "shell/DesktopServices.h"
#include "shell/ShellHooks.h"
#include "shell/WindowParts.h"

namespace palvex {

namespace {

constexpr std::string_view kFolderMissing = "?";

QPointer<QTextBrowser>& Browser() {
    static QPointer<QTextBrowser> browser;
    return browser;
}

// "" not looked for yet, "?" missing, else the folder ending in "/".
std::string& HelpFolder() {
    static std::string folder;
    return folder;
}

void FindHelpFolder() {
    if (!HelpFolder().empty()) return;
    std::string folder = FindProgramFile(kHelpFolder, ProgramPaths());
    if (!folder.ends_with('/')) folder += '/';
    HelpFolder() = FolderExists(folder) ? folder : std::string(kFolderMissing);
}

// Pages link to each other; anything else goes to the desktop's browser.
void FollowLink(const QUrl& url) {
    if (url.isLocalFile() || url.isRelative()) {
        Browser()->setSource(Browser()->source().resolved(url));
        return;
    }
    Desktop().OpenUrl(url);
}

bool ShowTopic(std::string_view topic) {
    QTextBrowser* browser = Browser();
    if (!browser || HelpFolder() == kFolderMissing) return false;
    const std::string file = HelpFolder() + std::string(topic) + ".html";
    if (!FileExists(file)) return false;
    const QUrl url = QUrl::fromLocalFile(Q(file));
    if (browser->source() == url) return false;
    browser->setSource(url);
    browser->clearHistory();
    return true;
}

void CreateHelpBrowser(std::string_view topic) {
    FindHelpFolder();
    QWidget* panel = WindowPart<QWidget>("iePanel");
    if (Browser() || HelpFolder() == kFolderMissing || !panel) return;
    auto* browser = new QTextBrowser(panel);
    browser->setObjectName(QStringLiteral("HelpBrowser"));
    browser->setOpenLinks(false);
    QObject::connect(browser, &QTextBrowser::anchorClicked, browser, &FollowLink);
    if (panel->layout()) panel->layout()->addWidget(browser);
    browser->show();
    Browser() = browser;
    ShowTopic(topic);
}

}  // namespace

void ShowHelpTopic(std::string_view topic) {
    if (topic == kHelpIndex) CreateHelpBrowser(topic);
    ShowTopic(topic);
}

void FreeHelpBrowser() {
    delete Browser().data();
}

}  // namespace palvex
