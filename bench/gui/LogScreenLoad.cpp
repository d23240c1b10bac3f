// The log screen under load: serves a folder on a loopback port with the
// log screen showing every request, and on each line "stats" on stdin
// prints the GUI thread's longest stall since the last report, the resident
// memory and the number of requests logged. "quit" ends it.
//
//   palvex_logscreen_load ROOT PORT

#include <unistd.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QListView>
#include <QPlainTextEdit>
#include <QSocketNotifier>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>

#include "app/ServerWiring.h"
#include "common/TextConv.h"
#include "config/Settings.h"
#include "server/AccessControl.h"
#include "server/LogStore.h"
#include "shell/LogModel.h"
#include "shell/LogScreen.h"

namespace {

constexpr int kProbeMs = 5;
std::atomic<long> g_logged{0};

// Counts the lines on their way into the log screen.
void CountingLogRequest(palvex::THttpServerThread& conn) {
    ++g_logged;
    palvex::LogRequest(conn);
}

long ResidentKib() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:" && status >> value) return value;
        status.ignore(1 << 10, '\n');
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s ROOT PORT\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* list = new QListView;
    auto* memo = new QPlainTextEdit;
    layout->addWidget(list, 3);
    layout->addWidget(memo, 1);
    memo->setObjectName("HeadMemo");
    palvex::TLogScreen screen(*list);
    window.resize(900, 600);
    window.show();

    // The program's own wiring: settings, listing, filters, then the start.
    palvex::TServerSettings& settings = palvex::GlobalSettings();
    settings.Root = palvex::Utf8ToWide(std::string(argv[1]) + "/");
    settings.Port = std::stoi(argv[2]);
    settings.PortGiven = true;
    palvex::SetRequestObserver(CountingLogRequest);
    if (!palvex::StartConfiguredServer(false)) {
        std::fprintf(stderr, "cannot listen\n");
        return 1;
    }

    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.elapsed(), longest = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    probe.start(kProbeMs);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[256];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer - 1);
        if (n <= 0 || std::string(buffer, n).find("quit") != std::string::npos) {
            app.quit();
            return;
        }
        std::printf("stall_ms=%lld rss_kib=%ld logged=%ld rows=%d\n", longest, ResidentKib(),
                    g_logged.load(), screen.Model().rowCount());
        std::fflush(stdout);
        longest = 0;
    });
    std::printf("ready\n");
    std::fflush(stdout);
    const int code = app.exec();
    palvex::StopConfiguredServer();
    return code;
}
