#include "server/ConnectionThreads.h"

#include <netinet/in.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <system_error>
#include <thread>

#include "server/ServerThread.h"

namespace palvex {

namespace {

constexpr int kMinAwakeThreads = 2;
constexpr auto kAcceptPause = std::chrono::milliseconds(25);
constexpr auto kThreadsEndedPoll = std::chrono::milliseconds(10);

// Errors after which accept can succeed again (a full descriptor table, an
// aborted handshake); anything else means the listener is gone.
bool AcceptErrorIsTransient(int error) {
    return error == EINTR || error == EMFILE || error == ENFILE || error == ENOBUFS ||
           error == ENOMEM || error == ECONNABORTED || error == EPROTO || error == EPERM;
}

bool SpawnThread(THttpServer& server, const std::shared_ptr<TConnectionList>& run);

// The run and server of this thread while it is a connection thread.
thread_local THttpServer* t_server = nullptr;
thread_local const std::shared_ptr<TConnectionList>* t_run = nullptr;

// Enough other threads are awake (accepting or working) without this one.
bool Surplus(const TConnectionList& run) {
    return run.Accepting.load() + run.Working.load() >= AwakeThreadLimit();
}

// sendfile has no MSG_NOSIGNAL: a peer gone in the middle of a file must fail
// the call, not end the process. The signal stays pending on this thread.
void BlockBrokenPipeSignal() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

// Takes a connection and serves it to the end; false when this thread is
// to end (listener gone, idle beyond the reserve).
bool AcceptAndServe(THttpServer& server, const std::shared_ptr<TConnectionList>& run) {
    sockaddr_in peer{};
    socklen_t len = sizeof peer;
    run->Accepting.fetch_add(1);
    // Reading is non-blocking from the start (the connection polls).
    const int s = accept4(run->ListenSocket, reinterpret_cast<sockaddr*>(&peer), &len,
                          SOCK_CLOEXEC | SOCK_NONBLOCK);
    const int error = errno;
    if (s >= 0) run->Working.fetch_add(1);
    const int othersWaiting = run->Accepting.fetch_sub(1) - 1;
    if (s < 0) {
        // The listener's receive time-out: nothing came for a while.
        if (error == EAGAIN || error == EWOULDBLOCK) return othersWaiting < kReserveThreads;
        if (!AcceptErrorIsTransient(error) || run->Stop.Raised()) return false;
        if (error != EINTR) std::this_thread::sleep_for(kAcceptPause);
        return true;
    }
    // Nobody else accepts: one more awake thread takes the next connection
    // while this one serves, as long as the few are not all busy.
    if (othersWaiting == 0 && !Surplus(*run)) SpawnThread(server, run);
    // The packed address keeps the first octet in the lowest byte, which
    // is the network-order field read as a little-endian integer.
    THttpServerThread::Serve(
        std::make_unique<THttpServerThread>(server, s, peer.sin_addr.s_addr, run));
    run->Working.fetch_sub(1);
    return true;
}

// Accepts and serves until the listener is shut down or this thread is
// surplus. The kernel hands each connection to one waiting thread only.
void ThreadLoop(THttpServer* server, std::shared_ptr<TConnectionList> run) {
    BlockBrokenPipeSignal();
    t_server = server;
    t_run = &run;
    while (!Surplus(*run) && AcceptAndServe(*server, run)) {
    }
    t_run = nullptr;
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

int AwakeThreadLimit() {
    // One per core: more only take turns on the cores and sleep in accept.
    static const int limit =
        std::max(kMinAwakeThreads, static_cast<int>(std::thread::hardware_concurrency()));
    return limit;
}

TClientWait::TClientWait() {
    if (!t_run) return;
    const std::shared_ptr<TConnectionList>& run = *t_run;
    const int working = run->Working.fetch_sub(1) - 1;
    if (run->Accepting.load() == 0 && working < AwakeThreadLimit() && !run->Stop.Raised())
        SpawnThread(*t_server, run);
}

TClientWait::~TClientWait() {
    if (t_run) (*t_run)->Working.fetch_add(1);
}

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
