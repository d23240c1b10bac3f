#include "server/FileSender.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "server/Response.h"

namespace palvex {

namespace {

// Bytes handed to one sendfile call; a non-blocking call takes only what the
// socket has room for anyway, so this bounds nothing but very fast peers.
constexpr size_t kDirectSendBytes = 2 * 1024 * 1024;

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

enum class TDirect {
    Blocks,   // a speed limit applies now: go on in blocks
    NotHere,  // the file cannot be sent directly: go on in blocks for good
    Ended,    // all sent, or the transfer ended early (abort, stop, short file)
};

void Sent(THttpServerThread& conn, size_t n, uint64_t& remaining) {
    remaining -= n;
    conn.BytesSent += static_cast<uint32_t>(n);
    conn.BodyBytesSent += static_cast<uint32_t>(n);
    if (conn.OnProgress) ReportProgress(conn, 0);
}

// Sends file bytes straight from the file while no speed limit applies,
// checking Abort and the stop between calls and while the socket is full.
TDirect SendDirect(THttpServerThread& conn, uint64_t& remaining) {
    while (remaining > 0) {
        if (ConnectionStopped(conn)) {
            conn.Abort = true;
            return TDirect::Ended;
        }
        if (conn.SpeedLimit.load(std::memory_order_relaxed) != 0) return TDirect::Blocks;
        const size_t n = static_cast<size_t>(std::min<uint64_t>(remaining, kDirectSendBytes));
        const ssize_t sent = sendfile(conn.Socket, conn.FileHandle, nullptr, n);
        if (sent > 0) {
            Sent(conn, static_cast<size_t>(sent), remaining);
            continue;
        }
        if (sent == 0) return TDirect::Ended;  // the file shrank: the body ends short
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (WaitWritable(conn)) continue;
            conn.Abort = true;
            return TDirect::Ended;
        }
        if (errno == EINVAL || errno == ENOSYS) return TDirect::NotHere;
        conn.Abort = true;  // the peer is gone
        return TDirect::Ended;
    }
    return TDirect::Ended;
}

// Without a speed limit a larger body goes straight from the file: the head
// leaves first, held back until the first file bytes join it.
bool HeadGoesAlone(const THttpServerThread& conn, uint64_t remaining) {
    return conn.BytesSent == 0 && remaining > kFileChunkBytes &&
           conn.SpeedLimit.load(std::memory_order_relaxed) == 0;
}

// Corked, the socket sends only full segments: the head joins the file's
// first bytes and no call of sendfile ends in a short segment.
void SetCork(const THttpServerThread& conn, int on) {
    setsockopt(conn.Socket, IPPROTO_TCP, TCP_CORK, &on, sizeof on);
}

void SendHeadAlone(THttpServerThread& conn) {
    conn.ResponseBody.clear();
    SetCork(conn, 1);
    SendResponse(conn, false);
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
    bool direct = true;
    bool corked = HeadGoesAlone(conn, remaining);
    if (corked) SendHeadAlone(conn);
    while (remaining > 0 && !conn.Abort) {
        // Once the head is out, the body goes directly while no limit applies.
        if (direct && conn.BytesSent > 0 && conn.SpeedLimit.load() == 0) {
            const TDirect result = SendDirect(conn, remaining);
            if (result == TDirect::Ended) break;
            direct = result != TDirect::NotHere;
            // Blocks of a limited answer leave when their time comes.
            if (corked) SetCork(conn, 0);
            corked = false;
            continue;
        }
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
    if (corked) SetCork(conn, 0);
    CloseServedFile(conn);
}

}  // namespace palvex
