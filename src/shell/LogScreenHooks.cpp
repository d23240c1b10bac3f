// The main window's entry points into the log screen.

#include <QListView>
#include <QPointer>

#include "server/LogStore.h"
#include "shell/LogScreen.h"
#include "shell/ShellHooks.h"

namespace palvex {

namespace {

QPointer<QListView>& LogBox() {
    static QPointer<QListView> list;
    return list;
}

TLogScreen* Screen() {
    QListView* list = LogBox();
    return list ? list->findChild<TLogScreen*>() : nullptr;
}

}  // namespace

QWidget* CreateLogBox(QWidget* parent) {
    auto* list = new QListView(parent);
    list->setObjectName(QStringLiteral("LogBox"));
    list->setAccessibleName(QStringLiteral("Log"));
    auto* screen = new TLogScreen(*list);
    screen->SetHelpTopicHandler([](std::string_view topic) { ShowHelpTopic(topic); });
    LogBox() = list;
    return list;
}

void LogMessage(std::string_view text, TLogKind kind) {
    GlobalLogStore().LogMessage(text, static_cast<char>(kind));
}

THook LogRequestHook() {
    return &LogRequest;
}

void TidyLog() {
    if (TLogScreen* screen = Screen())
        screen->TidyLog();
    else
        GlobalLogStore().Tidy();
}

void SetLogSmallImages(bool log) {
    GlobalLogStore().SetLogSmallImages(log);
}

}  // namespace palvex
