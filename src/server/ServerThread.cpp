#include "server/ServerThread.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "common/Codecs.h"
#include "server/RequestReader.h"
#include "server/Response.h"

namespace palvex {

namespace {

constexpr size_t kDrainBufferBytes = 1024;
constexpr int kDrainTimeoutMs = 2000;
constexpr int kDrainSliceMs = 125;

std::atomic<int32_t> g_connectionCounter{0};

// Shuts down the sending side and reads until the peer closes, so that the
// answer is not cut off by a reset; bounded in time against idle peers and
// cut short by a stop.
void CloseGracefully(const THttpServerThread& conn) {
    const int socket = conn.Socket;
    shutdown(socket, SHUT_WR);
    char sink[kDrainBufferBytes];
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kDrainTimeoutMs);
    for (;;) {
        const ssize_t n = recv(socket, sink, sizeof sink, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) break;
        if (n > 0) continue;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        if (!conn.Server->Active.load(std::memory_order_relaxed)) break;
        pollfd p{socket, POLLIN, 0};
        if (poll(&p, 1, std::min(static_cast<int>(left.count()), kDrainSliceMs)) < 0) break;
    }
    close(socket);
}

}  // namespace

THttpServerThread::THttpServerThread(THttpServer& server, int socket, uint32_t peerIP)
    : Server(&server),
      Socket(socket),
      PeerIP(peerIP),
      ClientIP(peerIP),
      IdleTimeout(server.IdleTimeout),
      RequestTimeout(server.RequestTimeout),
      StartTime(GetSystemTimeUtc()),
      Registry(server.Connections) {
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

void THttpServerThread::Start(std::unique_ptr<THttpServerThread> conn) {
    if (conn->Registry) {
        std::lock_guard lock(conn->Registry->Lock);
        conn->ConnectionNo = ++g_connectionCounter;
        conn->Registry->Items.push_back(conn.get());
    }
    THttpServerThread* raw = conn.release();
    try {
        std::thread([raw] { RunConnection(std::unique_ptr<THttpServerThread>(raw)); }).detach();
    } catch (const std::system_error&) {
        // No thread to be had: drop the connection unanswered.
        close(raw->Socket);
        delete raw;
    }
}

void RunConnection(std::unique_ptr<THttpServerThread> conn) {
    conn->ThreadHandle = std::this_thread::get_id();
    if (ReadRequest(*conn)) HandleRequest(*conn);
    CloseGracefully(*conn);
    if (conn->OnProgress) {
        conn->Progress = 101;
        std::lock_guard lock(HookLock);
        if (conn->OnProgress) conn->OnProgress(*conn);
    }
}

void CallHook(THook hook, THttpServerThread& conn) {
    if (!hook) return;
    std::lock_guard lock(HookLock);
    hook(conn);
}

}  // namespace palvex
