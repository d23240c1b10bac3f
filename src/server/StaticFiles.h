#pragma once
// Maps request paths onto the root folder and answers with files, folders,
// byte ranges, 304s and the built-in GIF images.

#include <string>
#include <string_view>

#include "server/ServerThread.h"

namespace palvex {

struct TRequestPath;
struct TProtectedFolders;

// Handlers that live with the built-in pages and imaging; the program sets
// them at start, the server calls them when set.
using TVirtualRouter = void (*)(THttpServerThread& conn, const std::u16string& path);
// Answers with a thumbnail and returns true, or declines with false.
using TThumbnailResponder = bool (*)(THttpServerThread& conn, const std::u16string& fullName,
                                     const std::u16string& tnText, uint32_t fileSize);
extern TVirtualRouter VirtualRouter;
extern TThumbnailResponder ThumbnailResponder;

constexpr uint32_t kLargeTransferBytes = 512000;
constexpr int kMaxLargeTransfersPerPeer = 3;
constexpr uint32_t kAcceptRangesMinBytes = 16384;

// The request handler: decodes the path and answers it.
void DispatchRequest(THttpServerThread& conn);
// Answers a file or folder below root; folders may be null (nothing protected).
void ServeFile(THttpServerThread& conn, TRequestPath& p, const std::u16string& root,
               const TProtectedFolders* folders);
// Image extensions that get thumbnails: BMP GIF JPG JPE JPEG PNG TIF TIFF.
bool IsImageExtension(std::u16string_view ext);
// True for the per-folder configuration files ".htaccess" and ".FileInfo"
// (any case), which are neither served nor listed.
bool IsFolderConfigFile(std::u16string_view fileName);
// True for names that are never served: "*.php*" and the folder configuration files.
bool IsForbiddenName(std::u16string_view fileName);

}  // namespace palvex
