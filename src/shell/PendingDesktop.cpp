// Stand-ins for the log screen, address discovery, tray, desktop links and
// help until they exist: a plain list of message lines, and "not available
// yet" for the rest.

#include <QLineEdit>
#include <QListWidget>
#include <QPointer>

#include "common/Codecs.h"
#include "server/LogText.h"
#include "shell/MessageDialogs.h"
#include "shell/ShellHooks.h"

namespace palvex {

namespace {

QPointer<QListWidget>& LogList() {
    static QPointer<QListWidget> list;
    return list;
}

}  // namespace

QWidget* CreateLogBox(QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QStringLiteral("LogBox"));
    list->setAccessibleName(QStringLiteral("Log"));
    LogList() = list;
    return list;
}

void LogMessage(std::string_view text, TLogKind kind) {
    QListWidget* list = LogList();
    if (!list) return;
    auto* item = new QListWidgetItem(Q(FormatLogColumns(LogTimeNow(), "", "", text)), list);
    item->setBackground(kind == TLogKind::Green ? QColor(224, 255, 224) : QColor(255, 224, 224));
    item->setData(Qt::UserRole, QChar(static_cast<char>(kind)));
}

THook LogRequestHook() {
    return nullptr;
}

void TidyLog() {
    ShowNotAvailable();
}

void SetLogSmallImages(bool) {}

void ShowAddressAsUrl(uint32_t ip) {
    QWidget* owner = DialogOwner();
    auto* field = owner ? owner->findChild<QLineEdit*>(QStringLiteral("IPEd")) : nullptr;
    if (field) field->setText(Q("http://" + FormatIPv4(ip) + "/"));
}

void FindPublicIp() {
    ShowNotAvailable();
}

void FindLanIp() {
    ShowNotAvailable();
}

void SetTrayTip(std::string_view) {}

void RemoveTrayIcon() {}

void WindowMinimised() {}

void CreateDesktopShortcut() {
    ShowNotAvailable();
}

void CreateAutostartShortcut() {
    ShowNotAvailable();
}

void OpenRootInFileManager() {
    ShowNotAvailable();
}

void OpenRootInBrowser() {
    ShowNotAvailable();
}

void OpenChatInBrowser() {
    ShowNotAvailable();
}

void OpenHomepage() {
    ShowNotAvailable();
}

void ShowProxyList() {
    ShowNotAvailable();
}

void ShowHelpTopic(std::string_view) {}

void FreeHelpBrowser() {}

}  // namespace palvex
