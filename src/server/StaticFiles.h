#pragma once
// Maps request paths onto the root folder and answers with files, folders,
// byte ranges, 304s and the built-in GIF images.

#include <string>
#include <string_view>

#include "server/ServerThread.h"

namespace palvex {

constexpr size_t kFileChunkBytes = 32768;

// Reads the open file chunk by chunk and sends every chunk but the last,
// which stays in ResponseBody for the final send.
void SendFileData(THttpServerThread& conn);

// Built-in images for the extras and thumbnails.
void SendBlankGif(THttpServerThread& conn);
void SendColorGif(THttpServerThread& conn);
void SendTnGif(THttpServerThread& conn);

}  // namespace palvex
