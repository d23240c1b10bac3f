// The URL field against echo servers on loopback: the public address with
// the port the server is bound to, the yellow flash, the same address twice,
// a trailing line break, a refused port and a server that never answers.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <chrono>

#include "common/Codecs.h"
#include "config/LocalAddresses.h"
#include "config/Settings.h"
#include "server/RequestParser.h"
#include "shell/IpDiscovery.h"
#include "shell/ShellHooks.h"
#include "support/GuiTest.h"
#include "support/TestServer.h"

using namespace palvex;
using namespace palvex::test;
using namespace std::chrono_literals;

namespace {

std::string g_echo;

void Echo(THttpServerThread& conn) {
    conn.Status = rsOk;
    conn.ContentType = "text/plain";
    AppendBody(conn, g_echo);
}

QLineEdit& IpField(QWidget& window) {
    return *window.findChild<QLineEdit*>(QStringLiteral("IPEd"));
}

bool Yellow(QWidget& window) {
    return IpField(window).palette().color(QPalette::Base) == QColor(Qt::yellow);
}

}  // namespace

class AddressDiscoveryTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        echo_ = &StartTestServer(Echo);
        port_ = FreePort();
        window_ = OpenMainWindow({"Port=" + std::to_string(port_), EchoArg(echo_->Port)});
    }
    void cleanupTestCase() {
        CloseMainWindow(window_);
        StopServer(*echo_);
    }
    void init() { RecordDesktop(); }

    void AnswerBecomesTheUrlWithTheBoundPortAndFlashesYellow() {
        g_echo = "203.0.113.7";
        FindPublicIp();
        QVERIFY(window_->findChild<QLabel*>(QStringLiteral("WaitPanel"))->isVisible());
        QTRY_COMPARE(IpField(*window_).text(), QStringLiteral("http://203.0.113.7:%1/").arg(port_));
        QVERIFY(Yellow(*window_));
        QVERIFY(SaveShot(*window_, QStringLiteral("address-found")));
        QTRY_VERIFY_WITH_TIMEOUT(!Yellow(*window_), 3000);
        QCOMPARE(GlobalSettings().IP, ParseIPv4("203.0.113.7"));
    }

    void SameAddressAgainSaysUnchanged() {
        g_echo = "203.0.113.7\n";  // a line break after it, as most services send
        TSeenDialog seen;
        AnswerNextMessage(QStringLiteral("OK"), &seen);
        FindPublicIp();
        QTRY_VERIFY(seen.Seen);
        QCOMPARE(seen.Text, QStringLiteral("Die IP hatte sich nicht verändert."));
        QCOMPARE(IpField(*window_).text(), QStringLiteral("http://203.0.113.7:%1/").arg(port_));
    }

    void AnswerThatIsNoAddressFails() {
        g_echo = "<html>Fehler</html>";
        ExpectFailure();
    }

    void RefusedPortFails() {
        GlobalSettings().EchoURL = "http://127.0.0.1:" + std::to_string(FreePort()) + "/";
        ExpectFailure();
        GlobalSettings().EchoURL = "http://127.0.0.1:" + std::to_string(echo_->Port) + "/";
    }

    void SilentServerTimesOutWhileTheWindowStaysResponsive() {
        const uint16_t port = FreePort();
        const int silent = detail::OpenListener(port, 0x7F000001);  // never accepts
        QVERIFY(silent >= 0);
        GlobalSettings().EchoURL = "http://127.0.0.1:" + std::to_string(port) + "/";
        SetEchoLimits({500ms, 1500ms});
        TSeenDialog seen;
        AnswerNextMessage(QStringLiteral("OK"), &seen);
        const auto start = std::chrono::steady_clock::now();
        FindPublicIp();
        // The request waits on its own thread; the window's thread goes on.
        QVERIFY(std::chrono::steady_clock::now() - start < 400ms);
        QVERIFY(PublicIpQueryRunning());
        QVERIFY(!window_->findChild<QWidget*>(QStringLiteral("TopPanel"))->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(seen.Seen, 10000);
        QCOMPARE(seen.Text, QStringLiteral("Die IP-Adresse konnte nicht ermittelt werden."));
        QVERIFY(!window_->findChild<QLabel*>(QStringLiteral("WaitPanel"))->isVisible());
        close(silent);
        SetEchoLimits({});
        GlobalSettings().EchoURL = "http://127.0.0.1:" + std::to_string(echo_->Port) + "/";
    }

    void LanAddressWithoutAnyMessage() {
        const std::string lan = PickLanAddress();
        const QString before = IpField(*window_).text();
        FindLanIp();
        QVERIFY(!DialogsPending());
        QVERIFY(Yellow(*window_));
        if (lan.empty())
            QCOMPARE(IpField(*window_).text(), before);
        else
            QCOMPARE(IpField(*window_).text(),
                     QStringLiteral("http://%1:%2/").arg(QString::fromStdString(lan)).arg(port_));
        QTRY_VERIFY_WITH_TIMEOUT(!Yellow(*window_), 3000);
    }

  private:
    static std::string EchoArg(uint16_t port) {
        return "EchoURL=http://127.0.0.1:" + std::to_string(port) + "/ip";
    }
    void ExpectFailure() {
        const QString before = IpField(*window_).text();
        TSeenDialog seen;
        AnswerNextMessage(QStringLiteral("OK"), &seen);
        FindPublicIp();
        QTRY_VERIFY_WITH_TIMEOUT(seen.Seen, 5000);
        QCOMPARE(seen.Caption, QStringLiteral("Fehler"));
        QCOMPARE(seen.Text, QStringLiteral("Die IP-Adresse konnte nicht ermittelt werden."));
        QCOMPARE(IpField(*window_).text(), before);
    }

    THttpServer* echo_ = nullptr;
    uint16_t port_ = 0;
    std::unique_ptr<TMainWindow> window_;
};

PALVEX_GUI_TEST_MAIN(AddressDiscoveryTest)
#include "AddressDiscoveryTest.moc"
