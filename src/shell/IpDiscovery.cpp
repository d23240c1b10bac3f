#include "shell/IpDiscovery.h"

#include <QApplication>
#include <QLineEdit>
#include <QThread>
#include <QTimer>
#include <memory>

#include "common/Codecs.h"
#include "config/AddressUrl.h"
#include "config/HelpTopics.h"
#include "config/InternetRequest.h"
#include "config/LocalAddresses.h"
#include "config/Settings.h"
#include "server/HttpServer.h"
#include "shell/MainWindow.h"
#include "shell/ShellHooks.h"
#include "shell/WindowParts.h"

namespace palvex {

namespace {

bool g_queryRunning = false;
TInternetLimits g_echoLimits;
constexpr const char* kTimerConnected = "palvexGelbAus";

// The port in the URL: the bound one while the server runs (it may have
// moved from the configured one), else the configured one.
int ShownPort() {
    const THttpServer& server = GlobalServer();
    return server.Active ? server.Port : GlobalSettings().Port;
}

QLineEdit* IpField() {
    return WindowPart<QLineEdit>("IPEd");
}

void SetFieldColour(QLineEdit& field, const QColor& colour) {
    QPalette palette = field.palette();
    palette.setColor(QPalette::Base, colour);
    field.setPalette(palette);
}

// GelbAusTimer: the field turns back to its normal background.
void GelbAusTimerTimer() {
    if (QTimer* timer = WindowPart<QTimer>("GelbAusTimer")) timer->stop();
    if (QLineEdit* field = IpField()) field->setPalette(QApplication::palette(field));
}

// Yellow, selected and focused, and yellow for one second.
void FlashField(QLineEdit& field) {
    SetFieldColour(field, Qt::yellow);
    if (field.focusPolicy() != Qt::NoFocus && field.isEnabled()) {
        field.selectAll();
        field.setFocus();
    }
    QTimer* timer = WindowPart<QTimer>("GelbAusTimer");
    if (!timer) return;
    if (!timer->property(kTimerConnected).toBool()) {
        QObject::connect(timer, &QTimer::timeout, timer, &GelbAusTimerTimer);
        timer->setProperty(kTimerConnected, true);
    }
    timer->start();
}

void SetWaitNotice(bool on) {
    auto* window = qobject_cast<TMainWindow*>(DialogOwner());
    if (!window) return;
    if (on)
        window->ShowWait(Q(kOnlineCheckWait));
    else
        window->HideWait();
}

void PublicAnswerArrived(bool ok, const std::string& answer, const QString& before) {
    g_queryRunning = false;
    SetWaitNotice(false);
    QLineEdit* field = IpField();
    const std::string address = ok ? AddressText(answer) : std::string();
    // An answer that is no address is a failure, not an unchanged address.
    if (address.empty() || !field) {
        ErrorBox(kIpNotFound);
        return;
    }
    ShowAddressText(address);
    SetFieldColour(*field, Qt::yellow);
    if (field->text() == before) InfoBox(kIpUnchanged);
    FlashField(*field);
}

}  // namespace

bool ShowAddressText(std::string_view text) {
    const uint32_t ip = ParseIPv4(text);
    QLineEdit* field = IpField();
    if (ip == 0 || !field) return false;
    GlobalSettings().IP = ip;
    field->setText(Q(AddressUrl(text, ShownPort())));
    return true;
}

bool PublicIpQueryRunning() {
    return g_queryRunning;
}

void SetEchoLimits(const TInternetLimits& limits) {
    g_echoLimits = limits;
}

void ShowAddressAsUrl(uint32_t ip) {
    if (ip != 0) ShowAddressText(FormatIPv4(ip));
}

void FindPublicIp() {
    QLineEdit* field = IpField();
    if (g_queryRunning || !field) return;
    ShowHelpTopic(kHelpIp);
    const QString before = field->text();
    g_queryRunning = true;
    SetWaitNotice(true);
    auto answer = std::make_shared<std::string>();
    auto ok = std::make_shared<bool>(false);
    QThread* worker =
        QThread::create([url = GlobalSettings().EchoURL, limits = g_echoLimits, answer, ok] {
            *ok = InternetRequest(url, true, true, *answer, nullptr, nullptr, limits);
        });
    QObject::connect(worker, &QThread::finished, field,
                     [answer, ok, before] { PublicAnswerArrived(*ok, *answer, before); });
    QObject::connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
}

void FindLanIp() {
    QLineEdit* field = IpField();
    if (!field) return;
    ShowAddressText(PickLanAddress());
    FlashField(*field);
}

}  // namespace palvex
