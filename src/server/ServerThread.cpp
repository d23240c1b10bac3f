#include "server/ServerThread.h"

#include <unistd.h>

#include <algorithm>

#include "common/Codecs.h"
#include "server/LingeringClose.h"
#include "server/RequestReader.h"
#include "server/Response.h"

namespace palvex {

namespace {

std::atomic<int32_t> g_connectionCounter{0};

}  // namespace

THttpServerThread::THttpServerThread(THttpServer& server, int socket, uint32_t peerIP)
    : THttpServerThread(server, socket, peerIP, server.Connections) {}

THttpServerThread::THttpServerThread(THttpServer& server, int socket, uint32_t peerIP,
                                     std::shared_ptr<TConnectionList> run)
    : Server(&server),
      Socket(socket),
      PeerIP(peerIP),
      ClientIP(peerIP),
      IdleTimeout(server.IdleTimeout),
      RequestTimeout(server.RequestTimeout),
      StartTime(GetSystemTimeUtc()),
      Registry(std::move(run)) {
    StartSeconds = SecondsOfDay(StartTime);
    StartTimeText = FormatTimestamp(StartTime);
}

THttpServerThread::~THttpServerThread() {
    if (Registry) {
        std::lock_guard lock(Registry->Lock);
        auto& items = Registry->Items;
        items.erase(std::remove(items.begin(), items.end(), this), items.end());
    }
    if (FileHandle >= 0) close(FileHandle);
}

void THttpServerThread::Serve(std::unique_ptr<THttpServerThread> conn) {
    if (conn->Registry) {
        std::lock_guard lock(conn->Registry->Lock);
        conn->ConnectionNo = ++g_connectionCounter;
        conn->Registry->Items.push_back(conn.get());
    }
    RunConnection(std::move(conn));
}

void RunConnection(std::unique_ptr<THttpServerThread> conn) {
    conn->ThreadHandle = std::this_thread::get_id();
    const bool read = ReadRequest(*conn);
    if (read) HandleRequest(*conn);
    const bool clientDone = read && conn->ContentLength == 0 &&
                            (conn->Method == kMethodGet || conn->Method == kMethodHead);
    CloseGracefully(conn->Socket, conn->Registry, clientDone);
    if (conn->OnProgress) {
        conn->Progress = 101;
        std::lock_guard lock(HookLock);
        if (conn->OnProgress) conn->OnProgress(*conn);
    }
}

bool ConnectionStopped(const THttpServerThread& conn) {
    return conn.Abort.load(std::memory_order_relaxed) ||
           !conn.Server->Active.load(std::memory_order_relaxed) ||
           (conn.Registry && conn.Registry->Stop.Raised());
}

int StopFd(const THttpServerThread& conn) {
    return conn.Registry ? conn.Registry->Stop.Fd() : -1;
}

void CallHook(THook hook, THttpServerThread& conn) {
    if (!hook) return;
    std::lock_guard lock(HookLock);
    hook(conn);
}

}  // namespace palvex
