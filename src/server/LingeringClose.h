#pragma once
// The end of a graceful close: after the answer, the sending side is shut
// down and whatever the client still sends is read and dropped until it
// closes, so that its answer is not cut off by a reset. One thread does this
// for every connection, so no connection thread waits for a client's close.

#include <chrono>
#include <cstddef>
#include <memory>

namespace palvex {

struct TConnectionList;

// A client gets this long to close its side before its socket is closed.
constexpr std::chrono::milliseconds kLingerLimit{2000};

// Shuts down the sending side of socket and takes it over: it is closed when
// the client has closed, after kLingerLimit, or at once when run is stopped.
// clientDone says the whole request was read and no body was announced: then
// the socket is closed at once unless the client has sent more since.
void CloseGracefully(int socket, std::shared_ptr<TConnectionList> run, bool clientDone);

// Closes at once the sockets of every stopped run.
void CutLingeringCloses();

// Sockets still waiting for their client's close.
size_t LingeringCount();

}  // namespace palvex
