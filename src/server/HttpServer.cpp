#include "server/HttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "server/ConnectionThreads.h"
#include "server/LingeringClose.h"
#include "server/MimeTypes.h"
#include "server/ServerThread.h"

namespace palvex {

std::recursive_mutex HookLock;

namespace {

// Bursts of connections wait in the queue instead of being dropped and
// retried by the client a second or more later.
constexpr int kListenBacklog = SOMAXCONN;
constexpr int kDeferAcceptSeconds = 5;
constexpr uint16_t kPortZeroReplacement = 500;
constexpr int kMaxPortAttempts = 6;
constexpr uint16_t kUnprivilegedRetryPort = 8080;
constexpr uint16_t kFirstUnprivilegedPort = 1024;
constexpr int kStopWaitSeconds = 3;
// Threads still busy after the connection waits are past help; idle ones end
// at once.
constexpr auto kThreadsEndWait = std::chrono::milliseconds(1000);

// One start attempt on port; fills error with errno of a failed bind.
bool StartOnPort(THttpServer& server, uint16_t port, THook onRequest, THook onBodyData,
                 THook onRequestParsed, int* error) {
    server.Port = port;
    const int listener = detail::OpenListener(port, server.BindAddress, error);
    if (listener < 0) return false;
    auto run = std::make_shared<TConnectionList>();
    run->ListenSocket = listener;
    server.OnRequest = onRequest;
    server.OnBodyData = onBodyData;
    server.OnRequestParsed = onRequestParsed;
    const size_t slash = server.ServerName.find('/');
    if (slash == std::string::npos || slash == 0) server.ServerName.clear();
    if (server.IndexName.empty()) server.IndexName = "index.html";
    server.MimeTypes = NormalizeMimeTypes(server.MimeTypes);
    server.Connections = run;
    server.Active = true;
    if (!StartConnectionThreads(server, run)) {
        server.Active = false;
        server.Connections.reset();
        return false;  // the listener closes with the run
    }
    server.ListenSocket = listener;
    return true;
}

// The series p, p+1, p+3, p+7, ... (16-bit arithmetic); true on success.
bool TryPortSeries(THttpServer& server, uint16_t port, bool retry, THook onRequest,
                   THook onBodyData, THook onRequestParsed, int* firstError) {
    uint16_t step = 1;
    for (int attempt = 0; attempt < kMaxPortAttempts; ++attempt) {
        int error = 0;
        if (StartOnPort(server, port, onRequest, onBodyData, onRequestParsed, &error)) return true;
        if (attempt == 0 && firstError) *firstError = error;
        if (!retry) return false;
        port = static_cast<uint16_t>(port + step);
        step = static_cast<uint16_t>(step * 2);
    }
    return false;
}

}  // namespace

TConnectionList::~TConnectionList() {
    if (ListenSocket >= 0) close(ListenSocket);
}

THttpServer& GlobalServer() {
    static THttpServer* server = new THttpServer;  // never freed: late threads may read it
    return *server;
}

namespace detail {

int OpenListener(uint16_t port, uint32_t bindAddress, int* error) {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) {
        if (error) *error = errno;
        return -1;
    }
    const int one = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    // A connection is handed to accept once its first bytes are there, so
    // its thread starts with data to read instead of waiting for it.
    const int deferSeconds = kDeferAcceptSeconds;
    setsockopt(s, IPPROTO_TCP, TCP_DEFER_ACCEPT, &deferSeconds, sizeof deferSeconds);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(bindAddress);
    if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(s, kListenBacklog) != 0) {
        if (error) *error = errno;
        close(s);
        return -1;
    }
    return s;
}

}  // namespace detail

bool StartServer(THttpServer& server, uint16_t port, bool retryPorts, THook onRequest,
                 THook onBodyData, THook onRequestParsed) {
    if (server.Active) return true;
    if (port == 0) port = kPortZeroReplacement;
    int firstError = 0;
    if (TryPortSeries(server, port, retryPorts, onRequest, onBodyData, onRequestParsed,
                      &firstError))
        return true;
    // A newcomer without root cannot bind port 80: move to the usual
    // unprivileged series instead of failing.
    if (retryPorts && port < kFirstUnprivilegedPort && firstError == EACCES)
        return TryPortSeries(server, kUnprivilegedRetryPort, true, onRequest, onBodyData,
                             onRequestParsed, nullptr);
    return false;
}

namespace detail {

size_t ConnectionCount(const THttpServer& server) {
    const std::shared_ptr<TConnectionList> list = server.Connections;
    if (!list) return 0;
    std::lock_guard lock(list->Lock);
    return list->Items.size();
}

bool WaitForConnections(THttpServer& server, int seconds) {
    size_t count = ConnectionCount(server);
    for (int i = 0; count > 0 && i < seconds * 10; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        count = ConnectionCount(server);
    }
    return count == 0;
}

void AbortAllConnections(THttpServer& server) {
    const std::shared_ptr<TConnectionList> list = server.Connections;
    if (!list) return;
    std::lock_guard lock(list->Lock);
    for (THttpServerThread* conn : list->Items)
        conn->Abort = true;
}

}  // namespace detail

void StopServer(THttpServer& server) {
    if (!server.Active) return;
    server.Active = false;
    const std::shared_ptr<TConnectionList> run = server.Connections;
    // Waiting readers and senders wake at once; so do the threads in accept,
    // whose listener is shut down.
    run->Stop.Raise();
    shutdown(run->ListenSocket, SHUT_RDWR);
    CutLingeringCloses();
    if (!detail::WaitForConnections(server, kStopWaitSeconds)) {
        detail::AbortAllConnections(server);
        detail::WaitForConnections(server, kStopWaitSeconds);
    }
    WaitForConnectionThreads(*run, kThreadsEndWait);
    server.ListenSocket = -1;
    // Threads still running keep their own reference to the run.
    server.Connections.reset();
}

}  // namespace palvex
