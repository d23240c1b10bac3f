#include "shell/MainMenus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <cstdlib>
#include <initializer_list>

#include "shell/MessageDialogs.h"
#include "shell/ShellHooks.h"

namespace palvex {

namespace {

struct TItem {
    const char* Name;
    std::string_view Caption;
    bool Checkable = false;
    bool Checked = false;
};

struct TMenu {
    const char* Name;
    std::string_view Caption;
    std::string_view Topic;  // empty: none
    std::initializer_list<TItem> Items;
};

const std::initializer_list<TMenu> kMenus = {
    {"FileMenu1",
     "Datei",
     "menu-file",
     {
         {"Konfigurationladen1", "Konfiguration laden + starten  ..."},
         {"Konfigurationspeichern1", "Konfiguration speichern"},
         {"iniDateibearbeiten1", ".ini-Datei bearbeiten ..."},
         {"CreateFileInfo1", ".FileInfo bearbeiten ..."},
         {"IconOnDesktop", "Icon auf dem Desktop erstellen"},
         {"ToAutostart", "Zum Autostart hinzufügen"},
         {"Programmbeenden1", "Programm beenden"},
     }},
    {"DirsMenu1",
     "Ordner",
     "menu-folders",
     {
         {"RootOrdnerwhlen1", "Root-Verzeichnis wählen ..."},
         {"RootmitdemDateimanageraufrufen1", "Root mit dem Dateimanager anzeigen ..."},
         {"RootmitdemBrowseraufrufen1", "Root mit dem Browser abfrufen ..."},
         {"AuthOptions1", "geschützte Verzeichnisse und Passworte ..."},
     }},
    {"LimitMenu1",
     "Limit",
     "menu-limit",
     {
         {"Limit0", "volles Rohr  (kein Begrenzung)", true, true},
         {"Limit1kb", "generell max. 1 kb / Sek.", true},
         {"Limit4kb", "generell max. 4 kb / Sek.", true},
         {"IPFilter1", "IP Filter ..."},
     }},
    {"LogMenu1",
     "Log",
     "menu-log",
     {
         {"TidyLogScreen1", "Log-Screen aufräumen"},
         {"logMiniImages1", "kleine Grafiken loggen", true, true},
     }},
    {"ViewMenu1",
     "Ansicht",
     "menu-view",
     {
         {"HeaderView1", "Bereich für Header + Hilfe anzeigen", true, true},
         {"Decoration1", "Dekoration", true},
         {"StartupMaximize1", "nach dem Start maximieren", true},
         {"StartupMinimize1", "nach dem Start minimieren (Tray-Icon)", true},
     }},
    {"Chat1",
     "Chat",
     "",
     {
         {"Chataufrufen1", "Chat aufrufen ..."},
         {"DeleteChatMessages1", "Chat-Nachrichten löschen"},
     }},
    {"IpMenu1",
     "IP-Adresse",
     "menu-ip",
     {
         {"InternetIPermitteln1", "Internet-IP ermitteln"},
         {"lokaleIPsuchen1", "lokale IP suchen (nur für LAN)"},
     }},
    {"InfoMenu1",
     "Info",
     "menu-info",
     {
         {"Help1", "Hilfe"},
         {"FreewareHinweis1", "Freeware-Hinweis"},
         {"WebserverHomepage1", "Homepage"},
         {"ProxyList1", "Link: Proxy-Liste"},
     }},
};

const std::initializer_list<TItem> kPageControlPopupItems = {
    {"HeaderViewOff1", "Panel ausblenden"},
    {"PanelMaximize1", "Panel maximieren"},
};

// Captions hold no accelerators; a literal "&" must stay visible.
QString MenuText(std::string_view caption) {
    return Q(caption).replace(QChar('&'), QStringLiteral("&&"));
}

void AddItems(QMenu& menu, std::initializer_list<TItem> items) {
    for (const TItem& item : items) {
        QAction* action = menu.addAction(MenuText(item.Caption));
        action->setObjectName(QLatin1String(item.Name));
        action->setCheckable(item.Checkable);
        action->setChecked(item.Checked);
    }
}

}  // namespace

void BuildMainMenus(QMenuBar& bar) {
    bar.setObjectName(QStringLiteral("MainMenu"));
    for (const TMenu& m : kMenus) {
        QMenu* menu = bar.addMenu(MenuText(m.Caption));
        menu->setObjectName(QLatin1String(m.Name));
        menu->menuAction()->setObjectName(QLatin1String(m.Name));
        AddItems(*menu, m.Items);
        if (!m.Topic.empty()) {
            const std::string topic(m.Topic);
            QObject::connect(menu, &QMenu::aboutToShow, menu, [topic] { ShowHelpTopic(topic); });
        }
    }
    MenuAction(bar, QStringLiteral("Help1"))->setShortcut(Qt::Key_F1);
}

QMenu* BuildPageControlPopup(QWidget& owner) {
    auto* popup = new QMenu(&owner);
    popup->setObjectName(QStringLiteral("PageControlPopup"));
    AddItems(*popup, kPageControlPopupItems);
    return popup;
}

QAction* MenuAction(const QWidget& root, const QString& name) {
    QAction* action = root.findChild<QAction*>(name);
    if (!action) std::abort();
    return action;
}

}  // namespace palvex
