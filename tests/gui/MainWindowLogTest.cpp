// The log screen inside the main window: request lines of the real server,
// the header tab, tidying and the small-images switch from the menus, the
// help topic of a selected line, and the window under load for the README.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListView>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <thread>
#include <vector>

#include "app/ServerWiring.h"
#include "server/LogStore.h"
#include "shell/LogModel.h"
#include "shell/MainMenus.h"
#include "shell/ShellHooks.h"
#include "support/GuiTest.h"
#include "support/HelpPagesCopy.h"
#include "support/TestServer.h"

using namespace palvex;
using namespace palvex::test;

namespace {

void WriteFile(const std::string& path, size_t bytes) {
    QFile file(QString::fromStdString(path));
    if (file.open(QIODevice::WriteOnly)) file.write(QByteArray(static_cast<int>(bytes), 'x'));
}

}  // namespace

class MainWindowLogTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        root_ = ProgramDir() + "www/";
        QDir().mkpath(QString::fromStdString(root_ + "bilder"));
        WriteFile(root_ + "index.html", 900);
        WriteFile(root_ + "bilder/klein.gif", 300);
        WriteFile(root_ + "video.mp4", 300'000);  // at 4 kb/s, 4 % after 3 s
        QVERIFY(CopyHelpPages());
        port_ = FreePort();
        window_ = OpenMainWindow({"Port=" + std::to_string(port_), "Root=" + root_});
        list_ = window_->findChild<QListView*>(QStringLiteral("LogBox"));
        QVERIFY(list_);
    }
    void cleanupTestCase() { CloseMainWindow(window_); }

    void RequestLinesAndTheirHeaders() {
        HttpGet(port_, "/index.html");
        HttpGet(port_, "/fehlt.html");
        QTRY_VERIFY(LogLines(*window_).last().endsWith(QStringLiteral("not        fehlt.html")));
        const QModelIndex last = list_->model()->index(list_->model()->rowCount() - 1, 0);
        QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, list_->visualRect(last).center());
        auto* memo = window_->findChild<QPlainTextEdit*>(QStringLiteral("HeadMemo"));
        QVERIFY(memo->toPlainText().startsWith(QStringLiteral("GET /fehlt.html HTTP/1.0\n")));
        QVERIFY(memo->toPlainText().contains(QStringLiteral("\n\n\n\nHTTP/1.0 404 ")));
    }

    void TidyAndSmallImagesFromTheMenus() {
        MenuAction(*window_, QStringLiteral("TidyLogScreen1"))->trigger();
        QCOMPARE(list_->model()->rowCount(), 0);
        QAction* small = MenuAction(*window_, QStringLiteral("logMiniImages1"));
        small->trigger();  // unchecked: small images are not logged
        QVERIFY(!small->isChecked());
        HttpGet(port_, "/bilder/klein.gif");
        HttpGet(port_, "/index.html");
        QTRY_COMPARE(list_->model()->rowCount(), 1);
        QVERIFY(LogLines(*window_).last().endsWith(QStringLiteral("index.html")));
        small->trigger();
        HttpGet(port_, "/bilder/klein.gif");
        QTRY_COMPARE(list_->model()->rowCount(), 2);
    }

    void SelectingALineShowsItsHelpTopic() {
        MenuAction(*window_, QStringLiteral("Help1"))->trigger();  // makes the help browser
        auto* browser = window_->findChild<QTextBrowser*>(QStringLiteral("HelpBrowser"));
        QVERIFY(browser);
        const QModelIndex first = list_->model()->index(0, 0);
        QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, list_->visualRect(first).center());
        QVERIFY(browser->source().toLocalFile().endsWith(QStringLiteral("logscreen.html")));
    }

    // Twenty clients fetch pages and images, one downloads a video at 4 kb/s:
    // the picture of the README.
    void WindowUnderLoad() {
        window_->showNormal();
        window_->resize(980, 600);
        auto* pages = window_->findChild<QTabWidget*>(QStringLiteral("PageControl"));
        pages->setCurrentIndex(0);
        auto* mid = window_->findChild<QSplitter*>(QStringLiteral("MidPanel"));
        mid->setSizes({640, 320});
        MenuAction(*window_, QStringLiteral("TidyLogScreen1"))->trigger();
        SetSpeedLimit(2);
        std::thread video([&] { HttpGet(port_, "/video.mp4"); });
        std::vector<std::thread> clients;
        for (int c = 0; c < 4; ++c)
            clients.emplace_back([&, c] {
                for (int i = 0; i < 10; ++i)
                    HttpGet(port_, i % 3 == c % 3 ? "/nichts-" + std::to_string(i) : "/index.html");
            });
        for (auto& t : clients)
            t.join();
        SetSpeedLimit(0);
        LogMessage("Root /srv/www/", TLogKind::Green);
        const QRegularExpression running(" [1-9][0-9]?%  +video\\.mp4");
        bool progress = false;
        for (int i = 0; i < 100 && !progress; ++i) {
            QTest::qWait(100);
            progress = LogLines(*window_).join('\n').contains(running);
        }
        const QModelIndex kept = list_->model()->index(4, 0);
        GlobalLogStore().ToggleKeep(kept.data(TLogModel::LineIdRole).toULongLong());
        QTest::mouseClick(list_->viewport(), Qt::LeftButton, {},
                          list_->visualRect(list_->model()->index(2, 0)).center());
        const bool shot = SaveShot(*window_, QStringLiteral("logscreen-load"));
        StopConfiguredServer();  // ends the download
        video.join();
        QVERIFY(StartConfiguredServer(false));
        QVERIFY(progress);
        QVERIFY(shot);
    }

  private:
    std::string root_;
    uint16_t port_ = 0;
    std::unique_ptr<TMainWindow> window_;
    QListView* list_ = nullptr;
};

PALVEX_GUI_TEST_MAIN(MainWindowLogTest)
#include "MainWindowLogTest.moc"
