#include "app/Headless.h"

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/ServerWiring.h"
#include "capture/Capture.h"
#include "common/LogQueue.h"
#include "common/Paths.h"
#include "common/TextConv.h"
#include "config/CommandLine.h"
#include "config/PathOps.h"
#include "config/Settings.h"
#include "server/HttpServer.h"
#include "server/LogBuffer.h"
#include "server/LogText.h"
#include "server/ServerThread.h"

namespace palvex {

namespace {

// At the stop, the log lines still queued get this long to go out; a reader
// that takes nothing must not keep the program from ending.
constexpr std::chrono::milliseconds kLogDrainAtStop{1000};

std::string DroppedLinesLine(size_t dropped) {
    return FormatLogColumns(
        LogTimeNow(), "", "",
        std::to_string(dropped) + " Protokollzeilen verworfen (Ausgabe stockte)");
}

// stdout and stderr are written by threads of their own, so that a reader
// that stops reading never holds up a request (the request line is made
// inside HookLock). Never freed: a writer may be blocked at the program's end.
TLogWriter& Stdout() {
    static auto* writer = new TLogWriter(STDOUT_FILENO, DroppedLinesLine);
    return *writer;
}
TLogWriter& Stderr() {
    static auto* writer = new TLogWriter(STDERR_FILENO, DroppedLinesLine);
    return *writer;
}

void PrintLine(const std::string& line) {
    Stdout().Write(line);
}

// A message line: time and text, as the log screen shows its green and red lines.
void LogMessage(const std::string& text) {
    PrintLine(FormatLogColumns(LogTimeNow(), "", "", text));
}

// Lets the queued lines go out, within bounds.
void DrainLogs() {
    Stdout().Drain(kLogDrainAtStop);
    Stderr().Drain(kLogDrainAtStop);
}

// The request observer: one line per logged answer.
void LogRequestToStdout(THttpServerThread& conn) {
    const std::string time = StampLogTime(conn);
    PrintLine(FormatLogColumns(time, LogClientText(conn), LogStatusOf(conn, false).Text,
                               LogPathText(conn)));
}

// Chat log files that cannot be written: said on stderr, where the window
// would show a message line.
void ReportLogFailure(const std::string& message) {
    Stderr().Write("palvex: " + message);
}

// The camera from the switch -camera=<test[:format]|device>, else from
// PALVEX_CAMERA; no window exists to switch it on.
void StartCamera() {
    const TSwitch camera = FindSwitch("camera");
    if (camera.Index == 0 && !std::getenv("PALVEX_CAMERA")) return;
    if (!StartCameraFromSetting(camera.Value)) LogMessage("Cam konnte nicht aktiviert werden");
}

// A newcomer's first run serves an empty folder, whose only answer is "File
// not found": say which folder is served and where to look at it.
void TellWhereFilesGo(const std::u16string& root, uint16_t port) {
    LogMessage("Root-Ordner: " + WideToUtf8(root));
    LogMessage("Im Browser: http://localhost:" + std::to_string(port) + "/");
    std::error_code error;
    if (std::filesystem::is_empty(FsPath(root), error) && !error)
        LogMessage("Der Root-Ordner ist leer: Dateien dort ablegen, oder Root=<Ordner> angeben");
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
    OnLogWriteFailure = ReportLogFailure;
    if (!FolderExists(settings.Root)) LogMessage("Root-Pfad existiert nicht");
    StartCamera();
    if (!StartConfiguredServer(!settings.PortGiven)) {
        LogMessage("Webserver an Port " + std::to_string(GlobalServer().Port) +
                   " konnte nicht gestartet werden.");
        LogMessage("Server NICHT gestartet");
        StopCapture();
        DrainLogs();
        return 1;
    }
    LogMessage("Server gestartet an Port " + std::to_string(GlobalServer().Port));
    TellWhereFilesGo(settings.Root, GlobalServer().Port);
    const sigset_t set = StopSignals();
    int signal = 0;
    sigwait(&set, &signal);
    StopConfiguredServer();
    StopCapture();
    FlushAllLogBuffers();
    DrainLogs();
    return 0;
}

}  // namespace palvex
