// The main window starting and stopping the real server: status texts,
// titles, the retry dialog, and the port field with its second instance.

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "server/HttpServer.h"
#include "shell/MainMenus.h"
#include "support/GuiTest.h"
#include "support/TestServer.h"

using namespace palvex;
using namespace palvex::test;

namespace {

QString Text(const QWidget& window, const char* field) {
    return window.findChild<QLineEdit*>(QLatin1String(field))->text();
}

std::string Arg(const char* key, uint16_t port) {
    return std::string(key) + "=" + std::to_string(port);
}

// Holds a port on all interfaces as a listener, so the server cannot bind it.
class TPortBlocker {
  public:
    explicit TPortBlocker(uint16_t port) : socket_(detail::OpenListener(port, 0)) {}
    ~TPortBlocker() { Release(); }
    void Release() {
        if (socket_ >= 0) close(socket_);
        socket_ = -1;
    }

  private:
    int socket_;
};

}  // namespace

class ServerStateTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { RecordDesktop(); }
    void cleanup() { ClearDialogHandlers(); }

    void StartedWindowShowsPortEverywhereAndServes() {
        const uint16_t port = FreePort();
        TempDirFile();
        auto w = OpenMainWindow({Arg("Port", port), "Root=" + ProgramDir() + "www/"});
        const QString p = QStringLiteral("Port %1").arg(port);
        QCOMPARE(w->StatusText(), QStringLiteral("Server gestartet an ") + p);
        QCOMPARE(w->windowTitle(), p + QStringLiteral(" (Morvi Webserver)"));
        QCOMPARE(w->TrayTip(), p);
        QCOMPARE(Text(*w, "PortEd"), QString::number(port));
        QVERIFY(LogLines(*w).last().endsWith(QStringLiteral("Server gestartet an ") + p));
        const std::string answer = HttpGet(port, "/hello.txt");
        QVERIFY2(StatusLine(answer) == "HTTP/1.0 200 Ok", answer.c_str());
        QVERIFY(SaveShot(*w, QStringLiteral("main-window")));
        CloseMainWindow(w);
        QVERIFY(Connect(port) < 0);
    }

    void TakenPortAsksRetryAndCancelStops() {
        const uint16_t port = FreePort();
        TPortBlocker blocker(port);
        TSeenDialog seen;
        AnswerNextMessage(QStringLiteral("Abbrechen"), &seen);
        auto w = OpenMainWindow({Arg("Port", port)});
        QVERIFY(seen.Seen);
        QCOMPARE(seen.Text,
                 QStringLiteral("Webserver an Port %1 konnte nicht gestartet werden.").arg(port));
        QCOMPARE(seen.Caption, QStringLiteral("Fehler"));
        QCOMPARE(seen.Buttons, (QStringList{"&Wiederholen", "Abbrechen"}));
        QCOMPARE(w->StatusText(), QStringLiteral("Server NICHT gestartet"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Palvex"));
        QCOMPARE(w->TrayTip(), QStringLiteral("Webserver OFFLINE"));
        QVERIFY(Text(*w, "PortEd").isEmpty());
        QVERIFY(!GlobalServer().Active);
        CloseMainWindow(w);
    }

    void RetryAfterThePortIsFreeStarts() {
        const uint16_t port = FreePort();
        TPortBlocker blocker(port);
        OnNextDialog(QStringLiteral("MessageDialog"), [&blocker](QWidget& box) {
            blocker.Release();
            ClickButton(box, QStringLiteral("Wiederholen"));
        });
        auto w = OpenMainWindow({Arg("Port", port)});
        QCOMPARE(w->StatusText(), QStringLiteral("Server gestartet an Port %1").arg(port));
        CloseMainWindow(w);
    }

  private:
    static void TempDirFile() {
        QDir().mkpath(QString::fromStdString(ProgramDir() + "www"));
        QFile file(QString::fromStdString(ProgramDir() + "www/hello.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("hello");
    }
};

PALVEX_GUI_TEST_MAIN(ServerStateTest)
#include "ServerStateTest.moc"
