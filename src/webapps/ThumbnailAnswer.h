#pragma once
// The thumbnail answer static file serving tries before it sends an image
// file that was asked for with a "tn" parameter.

#include <cstdint>
#include <string>

#include "server/ServerThread.h"

namespace palvex {

// Answers the connection with a JPEG thumbnail of the image at fullName (or
// the blank GIF when it cannot be decoded) and returns true; false when the
// file itself is to be sent. Fits the ThumbnailResponder hook.
bool ThumbnailAnswer(THttpServerThread& conn, const std::u16string& fullName,
                     const std::u16string& tnText, uint32_t fileSize);

}  // namespace palvex
