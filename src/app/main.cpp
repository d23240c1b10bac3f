// Program entry: runs headless until the settings and the window exist.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/TextConv.h"
#include "server/HttpServer.h"
#include "server/ServerThread.h"

namespace {

void NotFound(palvex::THttpServerThread& conn) {
    conn.Status = palvex::rsNotFound;
}

// Blocks until SIGINT or SIGTERM arrives.
void WaitForStopSignal() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    int signal = 0;
    sigwait(&set, &signal);
}

}  // namespace

int main(int argc, char** argv) {
    // Block the stop signals before any thread starts, so only sigwait sees them.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);

    long long port = 80;
    bool portGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (palvex::EqualsNoCase(arg.substr(0, 5), "Port=")) {
            portGiven = palvex::ParseInt(arg.substr(5), port);
        }
    }
    auto& server = palvex::GlobalServer();
    server.ServerName = "morvi/1.3 (Win32)";
    if (!palvex::StartServer(server, static_cast<uint16_t>(port), !portGiven, NotFound, nullptr,
                             nullptr)) {
        std::puts("Server NICHT gestartet");
        return 0;
    }
    std::printf("Server gestartet an Port %u\n", server.Port);
    std::fflush(stdout);
    WaitForStopSignal();
    palvex::StopServer(server);
    return 0;
}
