#pragma once
// Streams an open file: small files inside the handler, large ones chunk by
// chunk after it, outside HookLock. Without a speed limit the body after the
// first chunk goes from the file to the socket directly (sendfile).

#include <cstddef>

#include "server/ServerThread.h"

namespace palvex {

constexpr size_t kFileChunkBytes = 32768;

// Reads the open file chunk by chunk and sends every chunk but the last,
// which stays in ResponseBody for the final send.
void SendFileData(THttpServerThread& conn);
// Closes the file being served, if any.
void CloseServedFile(THttpServerThread& conn);

}  // namespace palvex
