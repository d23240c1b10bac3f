#include "server/FileSender.h"

#include <unistd.h>

#include <cerrno>

#include "server/Response.h"

namespace palvex {

namespace {

// Reads up to n bytes at the current position; -1 on a read error.
ssize_t ReadChunk(int fd, std::string& into, size_t n) {
    into.resize(n);
    size_t got = 0;
    while (got < n) {
        const ssize_t r = read(fd, into.data() + got, n - got);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return -1;
        if (r == 0) break;
        got += static_cast<size_t>(r);
    }
    into.resize(got);
    return static_cast<ssize_t>(got);
}

}  // namespace

void CloseServedFile(THttpServerThread& conn) {
    if (conn.FileHandle >= 0) close(conn.FileHandle);
    conn.FileHandle = -1;
}

void SendFileData(THttpServerThread& conn) {
    if (conn.FileHandle < 0) return;
    if (conn.Method == kMethodHead) {
        CloseServedFile(conn);
        conn.SendLength = 0;
        return;
    }
    if (conn.RangeStart >= 1 && lseek(conn.FileHandle, conn.RangeStart, SEEK_SET) < 0) {
        CloseServedFile(conn);
        return;
    }
    uint64_t remaining = conn.SendLength;
    while (remaining > 0) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(remaining, kFileChunkBytes));
        const ssize_t got = ReadChunk(conn.FileHandle, conn.ResponseBody, n);
        if (got < 0) {
            conn.ResponseBody.clear();
            conn.Status = rsNotFound;
            break;
        }
        if (got == 0) break;
        remaining -= static_cast<uint64_t>(got);
        if (remaining > 0) SendResponse(conn, false);
        if (conn.Abort) break;
    }
    CloseServedFile(conn);
}

}  // namespace palvex
