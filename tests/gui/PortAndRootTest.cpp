// The top panel acting on the running server: the port field with its second
// instance, a new root and the listing switch on the next request, the chat
// notice, and a window that stays alive while a handler holds HookLock.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <mutex>
#include <thread>

#include "config/Settings.h"
#include "server/HttpServer.h"
#include "shell/FolderChooserForm.h"
#include "shell/HookLockTasks.h"
#include "shell/MainMenus.h"
#include "support/GuiTest.h"
#include "support/TestServer.h"

using namespace palvex;
using namespace palvex::test;

namespace {

template <typename T>
T* Find(const QWidget& window, const char* name) {
    return window.findChild<T*>(QLatin1String(name));
}

void WriteFile(const std::string& path, const QByteArray& content) {
    QDir().mkpath(QString::fromStdString(path.substr(0, path.rfind('/'))));
    QFile file(QString::fromStdString(path));
    if (file.open(QIODevice::WriteOnly)) file.write(content);
}

std::string Body(const std::string& answer) {
    const size_t end = answer.find("\r\n\r\n");
    return end == std::string::npos ? "" : answer.substr(end + 4);
}

}  // namespace

class PortAndRootTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        desktop_ = &RecordDesktop();
        port_ = FreePort();
        root_ = ProgramDir() + "root1/";
        WriteFile(root_ + "a.txt", "one");
        WriteFile(ProgramDir() + "root2/a.txt", "two");
        QDir().mkpath(QString::fromStdString(root_ + "folder"));
        window_ = OpenMainWindow(
            {"Port=" + std::to_string(port_), "Root=" + root_, "Root Note=mit Leerzeichen"});
        QVERIFY(GlobalServer().Active);
    }
    void cleanup() {
        ClearDialogHandlers();
        CloseMainWindow(window_);
    }

    void StartButtonOnlyForAnotherValidPort() {
        auto* field = Find<QLineEdit>(*window_, "PortEd");
        auto* button = Find<QPushButton>(*window_, "startPortBtn");
        QVERIFY(!button->isEnabled());
        for (auto [text, enabled] :
             {std::pair{"abc", false}, std::pair{"0", false}, std::pair{"70000", false},
              std::pair{"", false}, std::pair{"12a", false}, std::pair{"8080", true}}) {
            field->setText(QLatin1String(text));
            QCOMPARE(button->isEnabled(), enabled);
        }
        field->setText(QString::number(port_));
        QVERIFY(!button->isEnabled());
    }

    void BadPortTextsGiveTheirMessagesAndResetTheField() {
        auto* field = Find<QLineEdit>(*window_, "PortEd");
        for (const char* text : {"abc", "70000"}) {
            TSeenDialog seen;
            AnswerNextMessage(QStringLiteral("OK"), &seen);
            field->setText(QLatin1String(text));
            QTest::keyClick(field, Qt::Key_Return);
            QCOMPARE(seen.Text, QStringLiteral("Der Port muss zwischen 1 und 65535 liegen."));
            QCOMPARE(seen.Caption, QStringLiteral("Fehler"));
            QCOMPARE(field->text(), QString::number(port_));
            QCOMPARE(field->selectedText(), field->text());
        }
        TSeenDialog seen;
        AnswerNextMessage(QStringLiteral("OK"), &seen);
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(seen.Text, QStringLiteral("Port %1 läuft bereits,\nbitte nehmen Sie einen "
                                           "anderen Port.")
                                .arg(port_));
        QVERIFY(desktop_->Started.empty());
    }

    void AnotherPortStartsASecondInstanceWithTheArgumentList() {
        GlobalSettings().IP = 0x0100007Fu;
        auto* field = Find<QLineEdit>(*window_, "PortEd");
        field->setText(QStringLiteral("8080"));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(desktop_->Started.size(), size_t(1));
        const auto& [program, args] = desktop_->Started.front();
        QCOMPARE(program, QCoreApplication::applicationFilePath());
        QCOMPARE(args,
                 (QStringList{QString::fromStdString("-ActAsOriginExe=" + ProgramDir() + "palvex"),
                              "Port=8080", QString::fromStdString("Root=" + root_),
                              "Root Note=mit Leerzeichen", "IP=16777343"}));
        QCOMPARE(field->text(), QString::number(port_));
        QCOMPARE(GlobalServer().Port, port_);
        GlobalSettings().IP = 0;
    }

    void ANewRootServesTheNextRequest() {
        QCOMPARE(Body(HttpGet(port_, "/a.txt")), std::string("one"));
        const std::string root2 = ProgramDir() + "root2/";
        OnNextDialog(QStringLiteral("ChooseLocalFolderForm"), [root2](QWidget& w) {
            auto& form = static_cast<TChooseLocalFolderForm&>(w);
            QVERIFY(!form.OkBtn->isEnabled());
            form.PathEd->setText(QString::fromStdString(root2));
            QTest::keyClick(form.PathEd, Qt::Key_Return);
            QVERIFY(form.OkBtn->isEnabled());
            form.OkBtn->click();
        });
        Find<QPushButton>(*window_, "SelRootBtn")->click();
        QCOMPARE(Find<QLineEdit>(*window_, "RootEd")->text(), QString::fromStdString(root2));
        QTRY_VERIFY(!HookLockTasksPending());
        QCOMPARE(Body(HttpGet(port_, "/a.txt")), std::string("two"));
        QVERIFY(LogLines(*window_).last().endsWith(QString::fromStdString("Root " + root2)));
        QVERIFY(Find<QPushButton>(*window_, "SelRootBtn")->isEnabled());
    }

    void ListingSwitchActsOnTheNextRequest() {
        auto* box = Find<QCheckBox>(*window_, "ListingCheckBox");
        QVERIFY(box->isChecked());
        QCOMPARE(StatusLine(HttpGet(port_, "/folder/")), std::string("HTTP/1.0 200 Ok"));
        box->click();
        QTRY_VERIFY(!HookLockTasksPending());
        QCOMPARE(StatusLine(HttpGet(port_, "/folder/")), std::string("HTTP/1.0 403 Forbidden"));
        QVERIFY(!GlobalSettings().Listing);
        box->click();
        QTRY_VERIFY(!HookLockTasksPending());
        QCOMPARE(StatusLine(HttpGet(port_, "/folder/")), std::string("HTTP/1.0 200 Ok"));
    }

    // A handler holding HookLock for 2 s (here: a thread standing in for
    // one) must not stall the window; the switch applies once it is free.
    void WindowStaysAliveWhileAHandlerHoldsTheLock() {
        std::atomic<bool> locked{false};
        std::thread handler([&locked] {
            std::lock_guard lock(HookLock);
            locked = true;
            std::this_thread::sleep_for(std::chrono::seconds(2));
        });
        while (!locked)
            std::this_thread::yield();
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0;
        qint64 longestGap = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] {
            longestGap = std::max(longestGap, clock.elapsed() - last);
            last = clock.elapsed();
        });
        ticker.start(20);
        Find<QCheckBox>(*window_, "ListingCheckBox")->click();
        QVERIFY(HookLockTasksPending());
        QTRY_VERIFY_WITH_TIMEOUT(!HookLockTasksPending(), 10000);
        handler.join();
        QVERIFY2(clock.elapsed() >= 1500, "the task ran before the lock was free");
        QVERIFY2(longestGap < 500, qPrintable(QString::number(longestGap)));
        QCOMPARE(StatusLine(HttpGet(port_, "/folder/")), std::string("HTTP/1.0 403 Forbidden"));
    }

    void ChatMessagesShowInTheNoticeField() {
        const std::string form = "nick=Anna&txt=Hallo+%3Cb%3Edich%3C%2Fb%3E";
        Exchange(port_,
                 "POST /*chat/post.html HTTP/1.0\r\nContent-Type: "
                 "application/x-www-form-urlencoded\r\nContent-Length: " +
                     std::to_string(form.size()) + "\r\n\r\n" + form);
        auto* notice = Find<QLineEdit>(*window_, "ChatEd");
        QTRY_VERIFY(notice->text().contains(QStringLiteral("Anna:  ")));
        QVERIFY(notice->text().endsWith(QStringLiteral("Hallo <b>dich</b>")));
        QCOMPARE(notice->palette().color(QPalette::Base), QColor(Qt::yellow));
        MenuAction(*window_, QStringLiteral("DeleteChatMessages1"))->trigger();
        QVERIFY(notice->text().isEmpty());
    }

  private:
    TRecordingDesktop* desktop_ = nullptr;
    std::unique_ptr<TMainWindow> window_;
    uint16_t port_ = 0;
    std::string root_;
};

PALVEX_GUI_TEST_MAIN(PortAndRootTest)
#include "PortAndRootTest.moc"
