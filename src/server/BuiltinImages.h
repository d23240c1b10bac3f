#pragma once
// The three small GIF images the built-in pages use: a transparent blank,
// a solid colour chosen by the "c" parameter, and the thumbnail placeholder.

#include "server/ServerThread.h"

namespace palvex {

void SendBlankGif(THttpServerThread& conn);
void SendColorGif(THttpServerThread& conn);
void SendTnGif(THttpServerThread& conn);

}  // namespace palvex
