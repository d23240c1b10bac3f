#pragma once
// The threads that serve connections. Each waits in accept for itself, takes
// a connection, serves it to the end and then waits for the next one instead
// of ending, so a connection costs neither a new thread nor a hand-over from
// another thread. The last waiting thread that takes a connection starts one
// more, so someone always accepts; waiting threads beyond a small reserve end
// after a while without work.

#include <chrono>
#include <memory>

#include "server/HttpServer.h"

namespace palvex {

// Threads kept waiting when there is no work; a thread beyond them ends
// after the server's SpareThreadSeconds without work.
constexpr int kReserveThreads = 4;

// Starts the first waiting thread of a run whose listening socket is open;
// false when no thread could be started.
bool StartConnectionThreads(THttpServer& server, const std::shared_ptr<TConnectionList>& run);

// Waits until every thread of the run has ended (after its listening socket
// was shut down); false when some are still busy after the time-out.
bool WaitForConnectionThreads(const TConnectionList& run, std::chrono::milliseconds timeout);

}  // namespace palvex
