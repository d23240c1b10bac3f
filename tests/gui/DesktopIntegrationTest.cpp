// The window's ties to the desktop, recorded instead of launched: browser
// URLs, the chat button's pause, the proxy hint, launchers in the temporary
// XDG folders, the editor through a temporary association, the tray and the
// help browser.

#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTextBrowser>

#include "app/ServerWiring.h"
#include "config/DesktopEntry.h"
#include "config/HelpTopics.h"
#include "server/HttpServer.h"
#include "shell/DesktopLinks.h"
#include "shell/MainMenus.h"
#include "shell/ShellHooks.h"
#include "support/GuiTest.h"
#include "support/HelpPagesCopy.h"
#include "support/TempDir.h"
#include "support/TestServer.h"

using namespace palvex;
using namespace palvex::test;

namespace {

// A recorder on a desktop that has a tray.
class TTrayDesktop : public TRecordingDesktop {
  public:
    bool TrayAvailable() override { return true; }
};

QString Read(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QTextBrowser* HelpBrowser(QWidget& window) {
    return window.findChild<QTextBrowser*>(QStringLiteral("HelpBrowser"));
}

}  // namespace

class DesktopIntegrationTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QVERIFY(CopyHelpPages());
        port_ = FreePort();
        window_ = OpenMainWindow({"Port=" + std::to_string(port_)});
    }
    void cleanupTestCase() { CloseMainWindow(window_); }

    void BrowserAndChatOpenTheBoundPort() {
        TRecordingDesktop& desktop = RecordDesktop();
        const QString base = QStringLiteral("http://localhost:%1").arg(port_);
        OpenRootInBrowser();
        auto* chat = window_->findChild<QPushButton*>(QStringLiteral("callChatBtn"));
        chat->click();
        QVERIFY(!chat->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(chat->isEnabled(), 2000);
        QCOMPARE(desktop.Urls.size(), size_t(2));
        QCOMPARE(desktop.Urls[0].toString(), base + "/");
        QCOMPARE(desktop.Urls[1].toString(), base + "/*chat/");
        OpenRootInFileManager();
        QVERIFY(desktop.Urls.back().isLocalFile());
        QCOMPARE(desktop.Urls.back().toLocalFile(),
                 window_->findChild<QLineEdit*>(QStringLiteral("RootEd"))->text());
    }

    void StoppedServerSaysSo() {
        TRecordingDesktop& desktop = RecordDesktop();
        StopConfiguredServer();
        TSeenDialog seen;
        AnswerNextMessage(QStringLiteral("OK"), &seen);
        OpenRootInBrowser();
        QTRY_VERIFY(seen.Seen);
        QCOMPARE(seen.Text, QStringLiteral("Server läuft nicht"));
        QVERIFY(desktop.Urls.empty());
        QVERIFY(StartConfiguredServer(false));
    }

    void ProxyListShowsTheHintFirst() {
        TRecordingDesktop& desktop = RecordDesktop();
        TSeenDialog seen;
        AnswerNextMessage(QStringLiteral("OK"), &seen);
        ShowProxyList();
        QVERIFY(seen.Seen);
        QCOMPARE(seen.Text,
                 QStringLiteral("Um die Erreichbarkeit dieses PCs über das Internet zu testen,\n"
                                "klicken Sie einen Proxy aus der Liste an, und geben Sie\n"
                                "dort Ihre IP (und Port) als Adresse (URL) ein."));
        QCOMPARE(desktop.Urls.size(), size_t(1));
        QCOMPARE(desktop.Urls[0].toString(), QString::fromUtf8(kProxyListUrl.data()));
    }

    void LaunchersLandInTheXdgFolders() {
        QFile::remove(QString::fromStdString(ProgramDir() + "home/Desktop/Palvex.desktop"));
        MenuAction(*window_, QStringLiteral("IconOnDesktop"))->trigger();
        MenuAction(*window_, QStringLiteral("ToAutostart"))->trigger();
        const QString desktop = Read(ProgramDir() + "home/Desktop/Palvex.desktop");
        const QString autostart = Read(ProgramDir() + "config/autostart/Palvex.desktop");
        QVERIFY(desktop.contains("\nExec=\"") && desktop.contains("\nName=Palvex\n"));
        QCOMPARE(autostart, desktop);
        const std::string exec = DesktopEntryValue(desktop.toStdString(), "Exec");
        QCOMPARE(SplitExec(exec).size(), size_t(1));
        QVERIFY(QFile::exists(QString::fromStdString(SplitExec(exec)[0])));
    }

    void EditorGetsTheFileAsOneArgument() {
        TRecordingDesktop& desktop = RecordDesktop();
        TempDir tmp;
        const std::string data = ProgramDir() + "data/";
        QDir().mkpath(QString::fromStdString(data + "applications"));
        QFile apps(QString::fromStdString(data + "applications/schreiber.desktop"));
        QVERIFY(apps.open(QIODevice::WriteOnly));
        apps.write("[Desktop Entry]\nType=Application\nExec=/opt/schreiber --neu %f\n");
        apps.close();
        QFile list(QString::fromStdString(ProgramDir() + "config/mimeapps.list"));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("[Default Applications]\ntext/plain=schreiber.desktop\n");
        list.close();
        QVERIFY(OpenInEditorCommand(QStringLiteral("/tmp/mit Leerzeichen/palvex.ini")));
        QCOMPARE(desktop.Started.size(), size_t(1));
        QCOMPARE(desktop.Started[0].first, QStringLiteral("/opt/schreiber"));
        QCOMPARE(desktop.Started[0].second,
                 QStringList({"--neu", "/tmp/mit Leerzeichen/palvex.ini"}));
        QFile::remove(list.fileName());

        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QByteArray::fromStdString(tmp.Path()));  // no xdg-open either
        TSeenDialog seen;
        AnswerNextMessage(QStringLiteral("OK"), &seen);
        QVERIFY(!OpenInEditorCommand(QStringLiteral("/tmp/x.ini")));
        qputenv("PATH", path);
        QVERIFY(seen.Seen);
        QCOMPARE(seen.Text, QStringLiteral("Kein Editor-Programm gefunden"));
    }

    void WithoutTrayMinimisingOnlyMinimises() {
        RecordDesktop();
        window_->showMinimized();
        QTRY_VERIFY(window_->isMinimized());
        QVERIFY(window_->isVisible());
        window_->showNormal();
        QTRY_VERIFY(!window_->isMinimized());
    }

    void TrayHidesTheWindowAndADoubleClickBringsItBack() {
        SetDesktopServices(std::make_unique<TTrayDesktop>());
        window_->showMinimized();
        QTRY_VERIFY(!window_->isVisible());
        auto* tray = window_->findChild<QSystemTrayIcon*>(QStringLiteral("TrayIcon"));
        QVERIFY(tray);
        QTRY_VERIFY(tray->isVisible());
        QVERIFY(!window_->isVisible());
        QCOMPARE(tray->toolTip(), QStringLiteral("Port %1").arg(port_));
        emit tray->activated(QSystemTrayIcon::Trigger);  // a single click does nothing
        QVERIFY(!window_->isVisible());
        emit tray->activated(QSystemTrayIcon::DoubleClick);
        QTRY_VERIFY(window_->isVisible());
        QVERIFY(!tray->isVisible());
        window_->showMinimized();
        QTRY_VERIFY(!window_->isVisible());
        emit tray->activated(QSystemTrayIcon::Context);  // right button released
        QTRY_VERIFY(window_->isVisible());
        RecordDesktop();
    }

    void HelpBrowserShowsTheTopicsOnceItExists() {
        FreeHelpBrowser();
        ShowHelpTopic(kHelpNewPort);  // a context topic never creates the browser
        QVERIFY(!HelpBrowser(*window_));
        MenuAction(*window_, QStringLiteral("Help1"))->trigger();
        QTextBrowser* browser = HelpBrowser(*window_);
        QVERIFY(browser);
        QVERIFY(browser->source().toLocalFile().endsWith("Help/DE/index.html"));
        QVERIFY(browser->toPlainText().contains(QStringLiteral("Themen")));
        QVERIFY(SaveShot(*window_, QStringLiteral("help-index")));
        for (std::string_view topic : kHelpTopics) {
            ShowHelpTopic(topic);
            QVERIFY(browser->source().toLocalFile().endsWith(
                QString::fromUtf8(topic.data(), topic.size()) + ".html"));
        }
        ShowHelpTopic("gibt-es-nicht");  // a missing page keeps the one shown
        QVERIFY(browser->source().toLocalFile().endsWith("ipfilter.html"));
        FreeHelpBrowser();
        QTRY_VERIFY(!HelpBrowser(*window_));
    }

  private:
    uint16_t port_ = 0;
    std::unique_ptr<TMainWindow> window_;
};

PALVEX_GUI_TEST_MAIN(DesktopIntegrationTest)
#include "DesktopIntegrationTest.moc"
