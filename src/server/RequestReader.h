#pragma once
// Reading one request from the socket: the head within its limits and
// time-outs, then the body, optionally into an upload file.

#include "server/ServerThread.h"

namespace palvex {

// Reads and parses the request; true when it is to be answered.
bool ReadRequest(THttpServerThread& conn);

}  // namespace palvex
