// Screen readers get every control's caption or label, also while the
// decoration hides the visible captions; and every window state is saved as
// a screenshot.

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

#include "shell/FolderChooser.h"
#include "shell/FolderChooserForm.h"
#include "shell/MainMenus.h"
#include "shell/MessageDialogs.h"
#include "support/GuiTest.h"
#include "support/TestServer.h"

using namespace palvex;
using namespace palvex::test;

namespace {

QString AccessibleName(QObject* object) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face ? face->text(QAccessible::Name) : QStringLiteral("<none>");
}

// Accessible names of a menu's items, in order.
QStringList ItemNames(QMenu* menu) {
    QStringList names;
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(menu);
    for (int i = 0; face && i < face->childCount(); ++i)
        names << face->child(i)->text(QAccessible::Name);
    return names;
}

}  // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        RecordDesktop();
        window_ = OpenMainWindow({"Port=" + std::to_string(FreePort())});
    }
    void cleanupTestCase() { CloseMainWindow(window_); }
    void cleanup() { ClearDialogHandlers(); }

    void ControlsAreNamedByTheirCaptionsWithAndWithoutDecoration() {
        const std::pair<const char*, const char*> expected[] = {
            {"PortEd", "Port"},
            {"startPortBtn", "neuen Port starten"},
            {"RootEd", "Root"},
            {"SelRootBtn", "Ordner wählen"},
            {"IPEd", "IP:Port als URL"},
            {"FindIPBtn", "IP ermitteln"},
            {"ChatEd", "Chat-Nachricht"},
            {"callChatBtn", "Chat aufrufen"},
            {"ListingCheckBox", "Directory-Listing"},
            {"ListingEdBtn", "Directory-Listing #"},
            {"CamCheckBox", "Webcam"},
            {"CamEdBtn", "Webcam #"},
            {"MorviNewsLabel", "Palvex im Web"},
            {"HelpMaxBtn", "Maximieren"},
            {"HelpInhaltBtn", "Inhalt"},
            {"HeadMemo", "HTTP-Header"},
        };
        for (bool decoration : {true, false}) {
            window_->SetDecoration(decoration, false);
            QCOMPARE(window_->findChild<QLabel*>(QStringLiteral("PortLabel"))->isHidden(),
                     decoration);
            for (const auto& [name, caption] : expected)
                QCOMPARE(AccessibleName(window_->findChild<QWidget*>(QLatin1String(name))),
                         QString::fromUtf8(caption));
        }
    }

    void TabsAndMenusAreNamedByTheirCaptions() {
        auto* pages = window_->findChild<QTabWidget*>(QStringLiteral("PageControl"));
        QAccessibleInterface* tabs = QAccessible::queryAccessibleInterface(pages->tabBar());
        QStringList tabNames;
        for (int i = 0; i < tabs->childCount(); ++i)
            if (tabs->child(i)->role() == QAccessible::PageTab)
                tabNames << tabs->child(i)->text(QAccessible::Name);
        QCOMPARE(tabNames, (QStringList{"HTTP-Header", "Hilfe", "Freeware"}));
        QCOMPARE(ItemNames(window_->findChild<QMenu*>(QStringLiteral("FileMenu1"))),
                 (QStringList{"Konfiguration laden + starten  ...", "Konfiguration speichern",
                              ".ini-Datei bearbeiten ...", ".FileInfo bearbeiten ...",
                              "Icon auf dem Desktop erstellen", "Zum Autostart hinzufügen",
                              "Programm beenden"}));
        QCOMPARE(ItemNames(window_->findChild<QMenu*>(QStringLiteral("LimitMenu1"))),
                 (QStringList{"volles Rohr  (kein Begrenzung)", "generell max. 1 kb / Sek.",
                              "generell max. 4 kb / Sek.", "IP Filter ..."}));
        QStringList bar;
        QAccessibleInterface* barFace = QAccessible::queryAccessibleInterface(window_->menuBar());
        for (int i = 0; i < barFace->childCount(); ++i)
            bar << barFace->child(i)->text(QAccessible::Name);
        QCOMPARE(bar, (QStringList{"Datei", "Ordner", "Limit", "Log", "Ansicht", "Chat",
                                   "IP-Adresse", "Info"}));
        for (QMenu* menu : window_->menuBar()->findChildren<QMenu*>())
            for (const QString& name : ItemNames(menu))
                QVERIFY(!name.isEmpty());
    }

    void DialogsAreNamedByTheirCaptions() {
        OnNextDialog(QStringLiteral("MessageDialog"), [](QWidget& w) {
            QCOMPARE(AccessibleName(&w), QStringLiteral("Fehler"));
            ClickButton(w, QStringLiteral("OK"));
        });
        ErrorBox("x");
        OnNextDialog(QStringLiteral("ChooseLocalFolderForm"), [](QWidget& w) {
            auto& form = static_cast<TChooseLocalFolderForm&>(w);
            QCOMPARE(AccessibleName(&form), QStringLiteral("Ordner auswählen"));
            QCOMPARE(AccessibleName(form.OkBtn), QStringLiteral("Ok"));
            QCOMPARE(AccessibleName(form.Button1), QStringLiteral("Abbruch"));
            QCOMPARE(AccessibleName(form.exploreBtn), QStringLiteral("im Explorer aufrufen"));
            QCOMPARE(AccessibleName(form.NewBtn), QStringLiteral("erzeugen"));
            QCOMPARE(AccessibleName(form.NewEd), QStringLiteral("neuer Ordner"));
            QCOMPARE(AccessibleName(form.MyDocumentsLabel), QStringLiteral("Eigene Dateien"));
            QCOMPARE(AccessibleName(form.DesktopLabel), QStringLiteral("Desktop"));
            for (QWidget* control : std::initializer_list<QWidget*>{form.PathEd, form.DriveComboBox,
                                                                    form.DirectoryListBox})
                QVERIFY(!AccessibleName(control).isEmpty());
            form.Button1->click();
        });
        ChooseFolder("", ProgramDir(), "", true);
    }

    void EveryWindowStateIsPhotographed() {
        window_->SetDecoration(true, false);
        QVERIFY(SaveShot(*window_, QStringLiteral("main-decoration-on")));
        window_->SetDecoration(false, false);
        QVERIFY(SaveShot(*window_, QStringLiteral("main-decoration-off")));
        MenuAction(*window_, QStringLiteral("FreewareHinweis1"))->trigger();
        QVERIFY(SaveShot(*window_, QStringLiteral("main-freeware-tab")));
        window_->SetHeaderPanel(false, false);
        QVERIFY(SaveShot(*window_, QStringLiteral("main-header-panel-hidden")));
        window_->SetHeaderPanel(true, false);
        window_->ShowWait(QStringLiteral("Bitte warten ..."));
        QVERIFY(SaveShot(*window_, QStringLiteral("main-wait-notice")));
        window_->HideWait();
        window_->SetDecoration(true, false);
        for (QMenu* menu : window_->menuBar()->findChildren<QMenu*>()) {
            if (menu->objectName().isEmpty()) continue;  // the bar's own overflow menu
            menu->popup(window_->mapToGlobal(QPoint(0, 0)));
            QVERIFY(SaveShot(*menu, QStringLiteral("menu-") + menu->objectName()));
            menu->hide();
        }
    }

  private:
    std::unique_ptr<TMainWindow> window_;
};

PALVEX_GUI_TEST_MAIN(AccessibilityTest)
#include "AccessibilityTest.moc"
