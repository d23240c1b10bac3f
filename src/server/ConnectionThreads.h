#pragma once
// The threads that serve connections. Each waits in accept for itself, takes
// a connection, serves it to the end and then takes the next one instead of
// ending, so a connection costs neither a new thread nor a hand-over from
// another thread.
//
// Only a few threads are awake at a time (accepting, or serving without
// waiting on their client): under load a thread that finishes finds the next
// connection queued and takes it without sleeping, where a crowd of threads
// asleep in accept would cost a wake-up per connection. A thread about to
// wait on its client makes sure someone accepts meanwhile, starting one more
// thread if needed; awake threads beyond the few end, and so do waiting ones
// beyond a small reserve after a while without work.

#include <chrono>
#include <memory>

#include "server/HttpServer.h"

namespace palvex {

// Threads kept waiting when there is no work; a thread beyond them ends
// after the server's SpareThreadSeconds without work.
constexpr int kReserveThreads = 4;

// Threads awake at most, unless waiting clients resumed together.
int AwakeThreadLimit();

// Around a wait of a connection thread on its client (or on a pause): the
// thread counts as asleep meanwhile. Nothing on other threads.
class TClientWait {
  public:
    TClientWait();
    ~TClientWait();
    TClientWait(const TClientWait&) = delete;
    TClientWait& operator=(const TClientWait&) = delete;
};

// Starts the first waiting thread of a run whose listening socket is open;
// false when no thread could be started.
bool StartConnectionThreads(THttpServer& server, const std::shared_ptr<TConnectionList>& run);

// Waits until every thread of the run has ended (after its listening socket
// was shut down); false when some are still busy after the time-out.
bool WaitForConnectionThreads(const TConnectionList& run, std::chrono::milliseconds timeout);

}  // namespace palvex
