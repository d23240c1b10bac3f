#include "shell/ShellEntry.h"

#include <QApplication>
#include <QLocale>
#include <csignal>
#include <cstdio>
#include <thread>

#include "app/ServerWiring.h"
#include "capture/Capture.h"
#include "config/Settings.h"
#include "shell/DesktopServices.h"
#include "shell/MainWindow.h"
#include "shell/logic/Translate.h"
#include "server/LogBuffer.h"

namespace palvex {

namespace {

constexpr const char* kInvalidPortLine = "palvex: invalid port, not started\n";

// SIGINT and SIGTERM (blocked in every thread) close the window without
// questions and end every event loop, so the server stops and the chat logs
// are written as on closing.
void QuitOnStopSignals(TMainWindow& window) {
    std::thread([&window] {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGINT);
        sigaddset(&set, SIGTERM);
        int signal = 0;
        sigwait(&set, &signal);
        QMetaObject::invokeMethod(
            &window,
            [&window] {
                window.CloseWithoutQuestions();
                QCoreApplication::exit(0);
            },
            Qt::QueuedConnection);
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
    QuitOnStopSignals(window);
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
