#include "app/Headless.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "app/ServerWiring.h"
#include "capture/Capture.h"
#include "config/CommandLine.h"
#include "config/PathOps.h"
#include "config/Settings.h"
#include "server/HttpServer.h"
#include "server/LogText.h"
#include "server/ServerThread.h"
#include "webapps/ChatLog.h"

namespace palvex {

namespace {

void PrintLine(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

// A message line: time and text, as the log screen shows its green and red lines.
void LogMessage(const std::string& text) {
    std::lock_guard lock(HookLock);
    PrintLine(FormatLogColumns(LogTimeNow(), "", "", text));
}

// The request observer: one line per logged answer.
void LogRequestToStdout(THttpServerThread& conn) {
    const std::string time = StampLogTime(conn);
    PrintLine(FormatLogColumns(time, LogClientText(conn), LogStatusOf(conn, false).Text,
                               LogPathText(conn)));
}

// The camera from the switch -camera=<test[:format]|device>, else from
// PALVEX_CAMERA; no window exists to switch it on.
void StartCamera() {
    const TSwitch camera = FindSwitch("camera");
    if (camera.Index == 0 && !std::getenv("PALVEX_CAMERA")) return;
    if (!StartCameraFromSetting(camera.Value)) LogMessage("Cam konnte nicht aktiviert werden");
}

sigset_t StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

}  // namespace

void BlockStopSignals() {
    const sigset_t set = StopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    // A closed stdout pipe must not end the server; writes just fail.
    std::signal(SIGPIPE, SIG_IGN);
}

int RunHeadless() {
    const TServerSettings& settings = GlobalSettings();
    SetRequestObserver(LogRequestToStdout);
    if (!FolderExists(settings.Root)) LogMessage("Root-Pfad existiert nicht");
    StartCamera();
    if (!StartConfiguredServer(!settings.PortGiven)) {
        LogMessage("Webserver an Port " + std::to_string(GlobalServer().Port) +
                   " konnte nicht gestartet werden.");
        LogMessage("Server NICHT gestartet");
        StopCapture();
        return 1;
    }
    LogMessage("Server gestartet an Port " + std::to_string(GlobalServer().Port));
    const sigset_t set = StopSignals();
    int signal = 0;
    sigwait(&set, &signal);
    StopConfiguredServer();
    StopCapture();
    FlushAllLogBuffers();
    return 0;
}

}  // namespace palvex
