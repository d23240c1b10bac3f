#include "support/GuiTest.h"

#include <sys/stat.h>
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <cstdlib>
#include <deque>

#include "app/ServerWiring.h"
#include "config/CommandLine.h"
#include "config/ProgramPaths.h"
#include "config/Settings.h"
#include "server/HttpServer.h"
#include "shell/MainMenus.h"
#include "support/TempDir.h"
#include "support/TestServer.h"

namespace palvex::test {

namespace {

constexpr uint32_t kLoopback = 0x7F000001;
constexpr int kDialogPollMs = 20;

TempDir& ProgramTemp() {
    static TempDir dir;
    return dir;
}

std::vector<std::string> WithOrigin(const std::vector<std::string>& args) {
    std::vector<std::string> all{"palvex", "-ActAsOriginExe=" + ProgramDir() + "palvex"};
    all.insert(all.end(), args.begin(), args.end());
    return all;
}

void SetArgs(const std::vector<std::string>& args) {
    const std::vector<std::string> all = WithOrigin(args);
    std::vector<const char*> argv;
    for (const std::string& a : all)
        argv.push_back(a.c_str());
    SetCommandLine(static_cast<int>(argv.size()), argv.data());
}

struct THandler {
    QString Name;
    std::function<void(QWidget&)> Handle;
};

std::deque<THandler>& Handlers() {
    static std::deque<THandler> handlers;
    return handlers;
}

// Hands the top modal dialog to the first handler waiting for its name.
void PollDialogs() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    auto& handlers = Handlers();
    for (auto it = handlers.begin(); it != handlers.end(); ++it) {
        if (it->Name != modal->objectName()) continue;
        auto handle = std::move(it->Handle);
        handlers.erase(it);
        handle(*modal);
        return;
    }
}

QTimer& DialogTimer() {
    static QTimer* timer = [] {
        auto* t = new QTimer(qApp);
        t->setInterval(kDialogPollMs);
        QObject::connect(t, &QTimer::timeout, [] { PollDialogs(); });
        return t;
    }();
    return *timer;
}

// The offscreen platform reports on every shown window that it cannot pass
// size hints on; nothing a test could act on.
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QStringLiteral("propagateSizeHints"))) return;
    qt_message_output(type, context, message);
}

QString WithoutAmpersand(QString text) {
    return text.remove(QChar('&'));
}

}  // namespace

std::string PrepareGuiProcess() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietMessages);
    const std::string& dir = ProgramDir();
    for (const char* sub : {"home", "config", "data", "runtime"})
        QDir().mkpath(QString::fromStdString(dir + sub));
    setenv("HOME", (dir + "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir + "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (dir + "data").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (dir + "runtime").c_str(), 1);
    chmod((dir + "runtime").c_str(), 0700);
    std::signal(SIGPIPE, SIG_IGN);
    ProgramTemp().Write("palvex", "");
    SetArgs({});
    ProgramPaths();
    GlobalServer().BindAddress = kLoopback;
    return dir;
}

const std::string& ProgramDir() {
    return ProgramTemp().Path();
}

std::unique_ptr<TMainWindow> OpenMainWindow(const std::vector<std::string>& args) {
    StopConfiguredServer();
    GlobalSettings() = TServerSettings{};
    SetArgs(args);
    InitSettings();
    auto window = std::make_unique<TMainWindow>();
    window->show();
    if (!QTest::qWaitFor([&] { return window->FirstActivationDone(); }, 20000))
        qWarning("main window: first activation not done");
    return window;
}

void CloseMainWindow(std::unique_ptr<TMainWindow>& window) {
    if (window) {
        MenuAction(*window, QStringLiteral("Programmbeenden1"))->trigger();
        window.reset();
    }
    StopConfiguredServer();
}

void OnNextDialog(const QString& name, std::function<void(QWidget&)> handle) {
    Handlers().push_back({name, std::move(handle)});
    DialogTimer().start();
}

void ClearDialogHandlers() {
    Handlers().clear();
}

bool DialogsPending() {
    return !Handlers().empty();
}

bool ClickButton(QWidget& dialog, const QString& label) {
    for (QAbstractButton* b : dialog.findChildren<QAbstractButton*>()) {
        if (WithoutAmpersand(b->text()) != WithoutAmpersand(label) || !b->isVisible()) continue;
        b->click();
        return true;
    }
    return false;
}

void AnswerNextMessage(const QString& button, TSeenDialog* seen) {
    OnNextDialog(QStringLiteral("MessageDialog"), [button, seen](QWidget& w) {
        auto& box = static_cast<QMessageBox&>(w);
        if (seen) {
            seen->Caption = box.windowTitle();
            seen->Text = box.text();
            for (QAbstractButton* b : box.buttons())
                seen->Buttons << b->text();
            seen->Seen = true;
        }
        ClickButton(box, button);
    });
}

bool TRecordingDesktop::OpenUrl(const QUrl& url) {
    Urls.push_back(url);
    return true;
}

bool TRecordingDesktop::StartDetached(const QString& program, const QStringList& args) {
    Started.emplace_back(program, args);
    return true;
}

bool TRecordingDesktop::OpenInEditor(const QString& path) {
    Edited.push_back(path);
    return EditorStarts;
}

void TRecordingDesktop::Beep() {
    ++Beeps;
}

TRecordingDesktop& RecordDesktop() {
    auto recorder = std::make_unique<TRecordingDesktop>();
    TRecordingDesktop& result = *recorder;
    SetDesktopServices(std::move(recorder));
    return result;
}

bool SaveShot(QWidget& widget, const QString& name) {
    const QString folder = QStringLiteral(PALVEX_GUI_SHOTS);
    QDir().mkpath(folder);
    return widget.grab().save(folder + QStringLiteral("/") + name + QStringLiteral(".png"));
}

std::string HttpGet(uint16_t port, const std::string& path) {
    return Exchange(port, "GET " + path + " HTTP/1.0\r\nHost: localhost\r\n\r\n");
}

std::string StatusLine(const std::string& answer) {
    return answer.substr(0, answer.find("\r\n"));
}

QStringList LogLines(const QWidget& window) {
    QStringList lines;
    auto* view = window.findChild<QAbstractItemView*>(QStringLiteral("LogBox"));
    if (!view || !view->model()) return lines;
    for (int row = 0; row < view->model()->rowCount(); ++row)
        lines << view->model()->index(row, 0).data().toString();
    return lines;
}

}  // namespace palvex::test
