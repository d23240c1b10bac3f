#include "server/ConnectionThreads.h"

#include <netinet/in.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <cerrno>
#include <csignal>
#include <system_error>
#include <thread>

#include "server/ServerThread.h"

namespace palvex {

namespace {

constexpr auto kAcceptPause = std::chrono::milliseconds(25);
constexpr auto kThreadsEndedPoll = std::chrono::milliseconds(10);

// Errors after which accept can succeed again (a full descriptor table, an
// aborted handshake); anything else means the listener is gone.
bool AcceptErrorIsTransient(int error) {
    return error == EINTR || error == EMFILE || error == ENFILE || error == ENOBUFS ||
           error == ENOMEM || error == ECONNABORTED || error == EPROTO || error == EPERM;
}

bool SpawnThread(THttpServer& server, const std::shared_ptr<TConnectionList>& run);

// sendfile has no MSG_NOSIGNAL: a peer gone in the middle of a file must fail
// the call, not end the process. The signal stays pending on this thread.
void BlockBrokenPipeSignal() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

// Accepts and serves until the listener is shut down or this thread is
// surplus. The kernel hands each connection to one waiting thread only.
void ThreadLoop(THttpServer* server, std::shared_ptr<TConnectionList> run) {
    BlockBrokenPipeSignal();
    for (;;) {
        sockaddr_in peer{};
        socklen_t len = sizeof peer;
        run->Accepting.fetch_add(1);
        // Reading is non-blocking from the start (the connection polls).
        const int s = accept4(run->ListenSocket, reinterpret_cast<sockaddr*>(&peer), &len,
                              SOCK_CLOEXEC | SOCK_NONBLOCK);
        const int error = errno;
        const int othersWaiting = run->Accepting.fetch_sub(1) - 1;
        if (s < 0) {
            // The listener's receive time-out: nothing came for a while.
            if (error == EAGAIN || error == EWOULDBLOCK) {
                if (othersWaiting >= kReserveThreads) break;
                continue;
            }
            if (!AcceptErrorIsTransient(error) || run->Stop.Raised()) break;
            std::this_thread::sleep_for(kAcceptPause);
            continue;
        }
        // Nobody else waits: start a thread for the next connection now.
        if (othersWaiting == 0) SpawnThread(*server, run);
        // The packed address keeps the first octet in the lowest byte, which
        // is the network-order field read as a little-endian integer.
        THttpServerThread::Serve(
            std::make_unique<THttpServerThread>(*server, s, peer.sin_addr.s_addr, run));
    }
    run->Threads.fetch_sub(1);
}

bool SpawnThread(THttpServer& server, const std::shared_ptr<TConnectionList>& run) {
    run->Threads.fetch_add(1);
    try {
        std::thread(ThreadLoop, &server, run).detach();
        return true;
    } catch (const std::system_error&) {
        // The threads there are take the next connections when they are done.
        run->Threads.fetch_sub(1);
        return false;
    }
}

}  // namespace

bool StartConnectionThreads(THttpServer& server, const std::shared_ptr<TConnectionList>& run) {
    const timeval idle{static_cast<time_t>(server.SpareThreadSeconds), 0};
    setsockopt(run->ListenSocket, SOL_SOCKET, SO_RCVTIMEO, &idle, sizeof idle);
    return SpawnThread(server, run);
}

bool WaitForConnectionThreads(const TConnectionList& run, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (run.Threads.load() > 0) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kThreadsEndedPoll);
    }
    return true;
}

}  // namespace palvex
