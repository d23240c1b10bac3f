#include "server/StaticFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/Codecs.h"
#include "common/FileIo.h"
#include "common/Paths.h"
#include "common/TextConv.h"
#include "server/AccessControl.h"
#include "server/BuiltinImages.h"
#include "server/ByteRange.h"
#include "server/DirectoryListingBase.h"
#include "server/FileSender.h"
#include "server/MimeTypes.h"
#include "server/RealLocation.h"
#include "server/RequestParser.h"
#include "server/RequestPath.h"
#include "server/Response.h"

namespace palvex {

TVirtualRouter VirtualRouter = nullptr;
TThumbnailResponder ThumbnailResponder = nullptr;

namespace {

constexpr size_t kMaxContentType = 63;
constexpr size_t kMaxLastModified = 31;
constexpr size_t kMaxExtensionChars = 7;

// Browsers send typed names as UTF-8 escapes, which decode to one Latin-1
// character per byte; when that names nothing, try the UTF-8 reading.
bool TryUtf8Reading(std::u16string& relPath, const std::u16string& root) {
    std::string bytes;
    if (!WideToLatin1(relPath, bytes) || !IsValidUtf8(bytes)) return false;
    bool nonAscii = false;
    for (char c : bytes)
        nonAscii |= static_cast<unsigned char>(c) >= 0x80;
    if (!nonAscii) return false;
    std::u16string alternative = Utf8ToWide(bytes);
    struct stat st {};
    if (stat(FsPath(JoinRootPath(root, alternative)).c_str(), &st) != 0) return false;
    relPath = std::move(alternative);
    return true;
}

struct TOpenedFile {
    int Fd = -1;
    struct stat St {};
};

void MarkFolder(TRequestPath& p) {
    p.Kind = kPathFolder;
    p.Slashed = true;
    p.RelPath += u'\\';
}

// A path of unknown kind is opened right away: a regular file, the usual
// case, stays open for serving and costs no separate look-up. False when
// the kind is still unknown.
bool OpenedKind(TRequestPath& p, const std::u16string& root, TOpenedFile& opened) {
    const int fd =
        open(FsPath(JoinRootPath(root, p.RelPath)).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    const bool known = fstat(fd, &opened.St) == 0;
    if (known && S_ISREG(opened.St.st_mode)) {
        p.Kind = kPathFile;
        opened.Fd = fd;
        return true;
    }
    close(fd);
    if (!known || !S_ISDIR(opened.St.st_mode)) return false;
    MarkFolder(p);
    return true;
}

// Resolves an unknown kind through the file system; false when nothing is there.
bool ResolveKind(THttpServerThread& conn, TRequestPath& p, const std::u16string& root,
                 TOpenedFile& opened) {
    if (p.Kind == kPathAny && OpenedKind(p, root, opened)) return true;
    struct stat st {};
    if (stat(FsPath(JoinRootPath(root, p.RelPath)).c_str(), &st) != 0) {
        if (IsResourceShortage(errno)) {
            conn.Status = rsOverload;
            return false;
        }
        if (!TryUtf8Reading(p.RelPath, root)) return p.Kind == kPathFolder;
        conn.Path = p.RelPath;
        stat(FsPath(JoinRootPath(root, p.RelPath)).c_str(), &st);
    }
    if (p.Kind == kPathFolder) return true;
    if (S_ISDIR(st.st_mode))
        MarkFolder(p);
    else
        p.Kind = kPathFile;
    return true;
}

// A folder without index document: listing, 403 or 404.
void AnswerFolderWithoutIndex(THttpServerThread& conn, const TRequestPath& p,
                              const std::u16string& root) {
    THttpServer& server = *conn.Server;
    if (!server.ListingEnabled) {
        conn.Status = rsForbidden;
    } else if (!server.DirectoryListing) {
        conn.Status = rsNotFound;
    } else {
        server.DirectoryListing->ListDirectory(conn, root, p.RelPath, p.Slashed);
    }
}

// A symbolic link below the root may lead into a protected folder: true (with
// the 401 set up) when the real location of what is served is refused. Links
// that lead out of the root are followed as the owner placed them.
bool RefusedAtRealLocation(THttpServerThread& conn, const TRequestPath& p,
                           const std::u16string& root, const std::string& realPath, bool folder,
                           const TProtectedFolders& folders) {
    const std::string relative = RelativeToRoot(realPath, RealPathOf(root), folder);
    if (relative.empty() || EqualsNoCase(relative, WideToAnsi(p.RelPath))) return false;
    conn.Realm = CheckProtectedFolder(conn, relative, folders);
    if (conn.Realm.empty()) return false;
    conn.Status = rsAuthRequired;
    return true;
}

// Opens a regular file for reading; -1 for anything else (folders, devices),
// with errno telling why (0 when it is no regular file).
int OpenRegularFile(const std::u16string& fullName, struct stat& st) {
    const int fd = open(FsPath(fullName).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    const int error = fstat(fd, &st) != 0 ? errno : 0;
    if (error != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

// True when the client's copy is current (If-Modified-Since equals our text).
bool NotModified(const THttpServerThread& conn) {
    return GetIfModifiedSince(conn) == conn.LastModified;
}

// The fourth simultaneous large transfer to one peer is refused.
bool AdmitLargeTransfer(THttpServerThread& conn) {
    if (!conn.Registry) return true;
    std::lock_guard lock(conn.Registry->Lock);
    int running = 0;
    for (const THttpServerThread* other : conn.Registry->Items)
        if (other->BigFile && other->PeerIP == conn.PeerIP) ++running;
    if (running >= kMaxLargeTransfersPerPeer) return false;
    conn.BigFile = true;
    return true;
}

bool AnswerThumbnail(THttpServerThread& conn, const std::u16string& fullName, uint32_t size) {
    if (!ThumbnailResponder) return false;
    const std::u16string query = GetQueryW(conn);
    if (query.empty()) return false;
    const std::u16string tn = GetQueryParam("tn", query);
    if (tn.empty()) return false;
    if (!IsImageExtension(ExtensionOf(fullName))) return false;
    return ThumbnailResponder(conn, fullName, tn, size);
}

// Everything after the file is open: checks, 304, thumbnail, range, limits.
void PrepareFileAnswer(THttpServerThread& conn, int fd, const struct stat& st,
                       const std::u16string& fullName) {
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    if ((size >> 32) != 0 || static_cast<int32_t>(size) <= 0) return CloseServedFile(conn);
    conn.FileTime = SystemTimeFromUnix(st.st_mtime);
    conn.LastModified = FormatHttpDate(conn.FileTime).substr(0, kMaxLastModified);
    if (NotModified(conn)) {
        conn.Status = rsNotModified;
        return CloseServedFile(conn);
    }
    if (AnswerThumbnail(conn, fullName, static_cast<uint32_t>(size))) return CloseServedFile(conn);
    conn.FileSize = conn.SendLength = static_cast<uint32_t>(size);
    conn.FileHandle = fd;
    conn.Status = rsOk;
    conn.ContentType = MimeTypeOf(conn, fullName).substr(0, kMaxContentType);
    if (const auto range = ParseRange(GetHeader(conn, "Range"), conn.FileSize))
        ApplyRange(conn, *range);
    if (conn.SendLength > kLargeTransferBytes && !AdmitLargeTransfer(conn)) {
        CloseServedFile(conn);
        conn.FileSize = conn.SendLength = 0;
        conn.LastModified.clear();
        conn.Status = rsOverload;
        return;
    }
    conn.AcceptRanges = conn.Status == rsOk && conn.FileSize >= kAcceptRangesMinBytes;
    conn.HeaderLength = conn.SendLength;
    if (conn.FileSize <= kFileChunkBytes) SendFileData(conn);
}

}  // namespace

bool IsImageExtension(std::u16string_view ext) {
    if (!ext.empty() && ext[0] == u'.') ext.remove_prefix(1);
    const std::u16string upper = AsciiUpper(ext);
    for (const char16_t* known : {u"BMP", u"GIF", u"JPG", u"JPE", u"JPEG", u"PNG", u"TIF", u"TIFF"})
        if (upper == known) return true;
    return false;
}

bool IsFolderConfigFile(std::u16string_view fileName) {
    const std::u16string lower = AsciiLower(fileName);
    return lower == u".htaccess" || lower == u".fileinfo";
}

bool IsForbiddenName(std::u16string_view fileName) {
    if (IsFolderConfigFile(fileName)) return true;
    const std::u16string lower = AsciiLower(fileName);
    return ExtensionOf(lower).substr(0, kMaxExtensionChars).starts_with(u".php");
}

void DispatchRequest(THttpServerThread& conn) {
    const TProtectedFolders* folders = ActiveProtectedFolders();
    TRequestPath p = ParseRequestPath(conn.RequestURI);
    ApplyRequestPath(conn, p);
    if (p.Kind == kPathInvalid) {
        return;
    } else if (p.Kind == kPathVirtual) {
        if (VirtualRouter)
            VirtualRouter(conn, p.RelPath);
        else
            conn.Status = rsNotFound;
    } else {
        ServeFile(conn, p, conn.Server->Root, folders);
    }
}

void ServeFile(THttpServerThread& conn, TRequestPath& p, const std::u16string& root,
               const TProtectedFolders* folders) {
    conn.Status = rsNotFound;
    TOpenedFile opened;
    if (p.Kind == kPathAny || p.Kind == kPathFolder) {
        if (!ResolveKind(conn, p, root, opened)) return;
    }
    if (p.RelPath.empty()) p.RelPath.assign(1, u'\\');
    if (folders) {
        conn.Realm = CheckProtectedFolder(conn, WideToAnsi(p.RelPath), *folders);
        if (!conn.Realm.empty()) {
            if (opened.Fd >= 0) close(opened.Fd);
            conn.Status = rsAuthRequired;
            return;
        }
    }
    const std::u16string target = JoinRootPath(root, p.RelPath == u"\\" ? u"" : p.RelPath);
    std::u16string fullName = target;
    if (p.Kind == kPathFolder) fullName += Widen(conn.Server->IndexName);
    struct stat& st = opened.St;
    const int fd = opened.Fd >= 0 ? opened.Fd : OpenRegularFile(fullName, st);
    if (fd < 0) {
        // Out of descriptors or memory a file that is there is not missing:
        // the client may ask again later.
        struct stat there {};
        if (IsResourceShortage(errno) && stat(FsPath(fullName).c_str(), &there) == 0)
            conn.Status = rsOverload;
        if (p.Kind != kPathFolder || conn.Status == rsOverload) return;
        if (folders && RefusedAtRealLocation(conn, p, root, RealPathOf(target), true, *folders))
            return;
        AnswerFolderWithoutIndex(conn, p, root);
        return;
    }
    conn.FileHandle = fd;
    if (folders && RefusedAtRealLocation(conn, p, root, RealPathOfOpenFile(fd), false, *folders))
        return CloseServedFile(conn);
    if (IsForbiddenName(FileNamePart(fullName))) {
        CloseServedFile(conn);
        conn.Status = rsBadRequest;
        return;
    }
    PrepareFileAnswer(conn, fd, st, fullName);
}

}  // namespace palvex
