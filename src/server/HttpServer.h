#pragma once
// The one server object: listening socket, accept thread, the list of live
// connections and the hooks through which the application answers requests.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "server/StopSignal.h"

namespace palvex {

class THttpServerThread;
class TDirectoryListing_Base;

// A hook is a plain procedure that receives the connection.
using THook = void (*)(THttpServerThread& conn);

// Serialises every hook call of every connection thread with each other and
// with the user interface. ConnectionsLock may be taken while it is held,
// never the other way round. Recursive so that a handler that triggers a send
// (and with it the header hook) cannot lock itself out.
extern std::recursive_mutex HookLock;

// What one start shares with its threads and connections: the connection
// list, the stop signal and the listening socket. It lives apart from the
// server, so that a thread that outlives a stop still unregisters from a
// valid list and never accepts on a descriptor that was closed and reused.
struct TConnectionList {
    std::mutex Lock;  // ConnectionsLock
    std::vector<THttpServerThread*> Items;
    TStopSignal Stop;
    // Owned: shut down by the stop, closed when the last thread let go.
    int ListenSocket = -1;
    // Connection threads of this start, how many of them wait in accept, and
    // how many serve a connection without waiting on its client.
    std::atomic<int> Threads{0};
    std::atomic<int> Accepting{0};
    std::atomic<int> Working{0};

    TConnectionList() = default;
    ~TConnectionList();
    TConnectionList(const TConnectionList&) = delete;
    TConnectionList& operator=(const TConnectionList&) = delete;
};

struct THttpServer {
    uint16_t Port = 0;
    std::atomic<bool> Active{false};
    std::string ServerName;
    std::string MimeTypes;
    std::string IndexName;
    bool ListingEnabled = false;
    THook OnRequestParsed = nullptr;
    THook OnBodyData = nullptr;
    THook OnRequest = nullptr;
    // The answer-head hook each connection is given once its head is parsed
    // (the log line, the speed limit); set before the start.
    THook OnHeader = nullptr;
    std::shared_ptr<TConnectionList> Connections;
    int ListenSocket = -1;
    std::shared_ptr<TDirectoryListing_Base> DirectoryListing;
    // Root folder of the served files ("/srv/www/"), copied from the settings.
    std::u16string Root;

    // Initial read time-outs of new connections (seconds; 0 = never).
    // Only tests change them.
    uint32_t IdleTimeout = 30;
    uint32_t RequestTimeout = 300;
    // How long a connection thread beyond the waiting reserve waits for work
    // before it ends (seconds). Only tests change it.
    uint32_t SpareThreadSeconds = 20;
    // Address to listen on (host order); all interfaces unless a test binds
    // to loopback only.
    uint32_t BindAddress = 0;
};

// The program's one server.
THttpServer& GlobalServer();

// Starts listening on port (0 becomes 500); with retryPorts the series
// p, p+1, p+3, p+7, p+15, p+31 is tried, and when the first attempt failed
// for lack of privilege on a port below 1024, the same series from 8080.
// True when listening or when the server was already active.
bool StartServer(THttpServer& server, uint16_t port, bool retryPorts, THook onRequest,
                 THook onBodyData, THook onRequestParsed);
// Stops accepting and wakes every waiting connection, waits up to 3 s for
// connections, aborts the rest and waits up to 3 s more. Does nothing when the
// server is not active.
void StopServer(THttpServer& server);

// Inner operations, public for tests.
namespace detail {
int OpenListener(uint16_t port, uint32_t bindAddress, int* error = nullptr);
bool WaitForConnections(THttpServer& server, int seconds);
void AbortAllConnections(THttpServer& server);
// Number of live connections.
size_t ConnectionCount(const THttpServer& server);
}  // namespace detail

}  // namespace palvex
