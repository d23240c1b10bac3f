#include "shell/ShellEntry.h"

#include <QApplication>
#include <QLocale>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <thread>

#include "app/ServerWiring.h"
#include "capture/Capture.h"
#include "config/Settings.h"
#include "server/LogBuffer.h"
#include "shell/DesktopServices.h"
#include "shell/MainWindow.h"
#include "shell/logic/Translate.h"

namespace palvex {

namespace {

constexpr const char* kInvalidPortLine = "palvex: invalid port, not started\n";

// The window that a stop signal closes; cleared (under the lock) before the
// window is destroyed, so a late signal finds nothing to touch.
std::mutex g_signalTargetLock;
TMainWindow* g_signalTarget = nullptr;

void CloseOnStopSignal() {
    std::lock_guard lock(g_signalTargetLock);
    TMainWindow* window = g_signalTarget;
    if (!window) return;
    QMetaObject::invokeMethod(
        window,
        [window] {
            window->CloseWithoutQuestions();
            QCoreApplication::exit(0);
        },
        Qt::QueuedConnection);
}

// SIGINT and SIGTERM (blocked in every thread) close the window without
// questions and end every event loop, so the server stops and the chat logs
// are written as on closing.
class TStopSignalTarget {
  public:
    explicit TStopSignalTarget(TMainWindow& window) {
        std::lock_guard lock(g_signalTargetLock);
        g_signalTarget = &window;
    }
    ~TStopSignalTarget() {
        std::lock_guard lock(g_signalTargetLock);
        g_signalTarget = nullptr;
    }
    TStopSignalTarget(const TStopSignalTarget&) = delete;
    TStopSignalTarget& operator=(const TStopSignalTarget&) = delete;
};

void WaitForStopSignal() {
    std::thread([] {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGINT);
        sigaddset(&set, SIGTERM);
        int signal = 0;
        sigwait(&set, &signal);
        CloseOnStopSignal();
    }).detach();
}

void RecordSystemLanguage() {
    MLSystem().SystemLanguage = QLocale::system().name().toStdString();
    MLSystem().CodePage = "UTF-8";
}

}  // namespace

int RunGui(int& argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("palvex"));
    TMainWindow window;
    if (!InitSettings()) {
        Desktop().Beep();
        std::fputs("\a", stderr);
        std::fputs(kInvalidPortLine, stderr);
        return 0;
    }
    RecordSystemLanguage();
    const TStopSignalTarget signalTarget(window);
    WaitForStopSignal();
    window.show();
    QApplication::exec();
    QCoreApplication::processEvents();
    window.WaitForServerStop();
    StopConfiguredServer();
    StopCapture();
    FlushAllLogBuffers();
    return 0;
}

}  // namespace palvex
