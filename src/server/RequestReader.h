#pragma once
// Reading one request from the socket: the head within its limits and
// time-outs, then the body, optionally into an upload file.

#include <cstddef>

#include "server/ServerThread.h"

namespace palvex {

// At most this much of a request body is kept (RequestBody); the rest is
// read and dropped. The chat needs a few kilobytes.
constexpr size_t kMaxBodyInMemory = 1024 * 1024;

// Reads and parses the request; true when it is to be answered.
bool ReadRequest(THttpServerThread& conn);

}  // namespace palvex
