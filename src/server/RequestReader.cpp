#include "server/RequestReader.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

#include "common/FileIo.h"
#include "server/ConnectionThreads.h"
#include "server/HeadReaders.h"
#include "server/RequestParser.h"
#include "server/StopSignal.h"

namespace palvex {

namespace {

// Room for a browser's head without growing: a connection that waits for
// its head holds only this much. Growth doubles, by at most kBufferGrowBytes.
constexpr size_t kInitialBufferBytes = 2048;
constexpr size_t kBufferGrowBytes = 20480;
constexpr size_t kMinFreeRoom = 1024;
constexpr size_t kMaxHeadBytes = 4096;
constexpr size_t kFirstBodyPiece = 128;
constexpr size_t kUploadFlushBytes = 16384;
constexpr int kMsPerSecond = 1000;

enum class Phase { Head, HeadParsed, Body };

uint32_t SecondsApart(uint32_t a, uint32_t b) {
    return a > b ? a - b : b - a;
}

// Receive state of one ReadRequest: a buffer with the bytes held at its front.
struct TReceiveBuffer {
    std::string Data = std::string(kInitialBufferBytes, '\0');
    size_t Held = 0;
    int UploadFile = -1;
    // Body bytes read beyond kMaxBodyInMemory and dropped.
    uint64_t Dropped = 0;

    size_t Room() const { return Data.size() - Held; }
    void Consume(size_t n) {
        n = std::min(n, Held);
        Data.erase(0, n);
        Data.resize(Data.size() + n);  // keep the total size, as the room logic expects
        Held -= n;
    }
    std::string_view HeldBytes() const { return std::string_view(Data).substr(0, Held); }
};

// Moves the body and the held bytes into the upload file; false on failure.
bool FlushUpload(THttpServerThread& conn, TReceiveBuffer& buf) {
    if (conn.UploadFileName.empty() || (conn.RequestBody.empty() && buf.Held == 0)) return true;
    if (buf.UploadFile < 0) {
        buf.UploadFile =
            open(conn.UploadFileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (buf.UploadFile < 0) return false;
    }
    if (!WriteAll(buf.UploadFile, conn.RequestBody) || !WriteAll(buf.UploadFile, buf.HeldBytes()))
        return false;
    conn.UploadedBytes += static_cast<uint32_t>(conn.RequestBody.size() + buf.Held);
    conn.RequestBody.clear();
    buf.Consume(buf.Held);
    return true;
}

void CloseUpload(TReceiveBuffer& buf) {
    if (buf.UploadFile >= 0) close(buf.UploadFile);
    buf.UploadFile = -1;
}

bool GiveUp(THttpServerThread& conn, TReceiveBuffer& buf) {
    conn.ReadState = kReadStop;
    if (buf.UploadFile >= 0) {
        CloseUpload(buf);
        unlink(conn.UploadFileName.c_str());
    }
    return false;
}

// Moves the held bytes to the body, up to kMaxBodyInMemory; the rest is
// read and dropped, so that a huge body costs no memory.
void KeepBodyBounded(THttpServerThread& conn, TReceiveBuffer& buf) {
    const size_t room = kMaxBodyInMemory - std::min(kMaxBodyInMemory, conn.RequestBody.size());
    const size_t keep = std::min(room, buf.Held);
    conn.RequestBody.append(buf.Data, 0, keep);
    buf.Dropped += buf.Held - keep;
    buf.Consume(buf.Held);
}

// True when the announced body is all read, counting what went to the
// upload file already.
bool BodyComplete(const THttpServerThread& conn, const TReceiveBuffer& buf) {
    return uint64_t{conn.UploadedBytes} + conn.RequestBody.size() + buf.Held + buf.Dropped >=
           static_cast<uint64_t>(conn.ContentLength);
}

// The first n held bytes become the body; the body hook may refuse.
void StartBody(THttpServerThread& conn, TReceiveBuffer& buf, size_t n) {
    conn.RequestBody.assign(buf.Data, 0, n);
    buf.Consume(n);
    CallHook(conn.Server->OnBodyData, conn);
}

// Parses the first n held bytes as the head and drops the blank line after it.
void ParseHeldHead(THttpServerThread& conn, TReceiveBuffer& buf, size_t n) {
    const std::string head(buf.Data, 0, n);
    buf.Consume(n + 4);
    ParseHead(conn, head);
}

enum class Step { Continue, Complete, GiveUp };

// Handles the bytes of one successful receive.
Step OnBytes(THttpServerThread& conn, TReceiveBuffer& buf, Phase& phase) {
    if (conn.MaxRequestSize > 0 && conn.BytesReceived > conn.MaxRequestSize) return Step::GiveUp;
    if (phase == Phase::Head) {
        const size_t end = buf.HeldBytes().find("\r\n\r\n");
        if (end != std::string_view::npos) {
            ParseHeldHead(conn, buf, end);
            phase = Phase::HeadParsed;
            if (conn.ReadState == kReadStop) return Step::GiveUp;
        } else if (buf.Held > kMaxHeadBytes) {
            return Step::GiveUp;
        }
    }
    if (phase == Phase::HeadParsed) {
        const bool ready =
            buf.Held >= kFirstBodyPiece || static_cast<size_t>(conn.ContentLength) <= buf.Held;
        if (ready) {
            StartBody(conn, buf, std::min(buf.Held, kFirstBodyPiece));
            phase = Phase::Body;
            if (conn.ReadState == kReadStop) return Step::GiveUp;
        }
    }
    if (phase == Phase::Body) {
        if (conn.UploadFileName.empty()) KeepBodyBounded(conn, buf);
        if (BodyComplete(conn, buf)) return Step::Complete;
        if (buf.Held > kUploadFlushBytes && !FlushUpload(conn, buf)) return Step::GiveUp;
    }
    if (buf.Room() < kMinFreeRoom) {
        try {
            buf.Data.resize(buf.Data.size() + std::min(buf.Data.size(), kBufferGrowBytes));
        } catch (const std::bad_alloc&) {
            buf.Data.clear();
            buf.Held = 0;
            return Step::GiveUp;
        }
    }
    return Step::Continue;
}

// End of reading: the peer closed or the request is all there.
bool Complete(THttpServerThread& conn, TReceiveBuffer& buf, Phase phase) {
    if (conn.BytesReceived == 0) return false;
    if (phase == Phase::Head)
        ParseHeldHead(conn, buf, buf.Held);
    else if (phase == Phase::HeadParsed)
        StartBody(conn, buf, buf.Held);
    if (conn.ReadState == kReadStop) return GiveUp(conn, buf);
    if (!FlushUpload(conn, buf)) return GiveUp(conn, buf);
    CloseUpload(buf);
    KeepBodyBounded(conn, buf);
    return true;
}

// Closes without an answer at once: shut down both ways, the close finds
// nothing to wait for.
bool Refuse(THttpServerThread& conn, TReceiveBuffer& buf) {
    shutdown(conn.Socket, SHUT_RDWR);
    return GiveUp(conn, buf);
}

// True when waiting must end: a time-out passed or the peer is gone for good.
bool ReadTimedOut(const THttpServerThread& conn, uint32_t now, uint32_t lastData) {
    if (conn.RequestTimeout > 0 && SecondsApart(now, conn.StartSeconds) > conn.RequestTimeout)
        return true;
    return conn.IdleTimeout > 0 && SecondsApart(now, lastData) > conn.IdleTimeout;
}

// How long to wait for more bytes: until just past the nearer time-out
// (-1: none applies). The time-outs count whole seconds, so one more second
// lets ReadTimedOut see it passed.
int ReadWaitMs(const THttpServerThread& conn, uint32_t now, uint32_t lastData) {
    long long wait = -1;
    const auto consider = [&](uint32_t limit, uint32_t since) {
        if (limit == 0) return;
        const long long left = static_cast<long long>(limit) - SecondsApart(now, since) + 1;
        if (wait < 0 || left < wait) wait = left;
    };
    consider(conn.RequestTimeout, conn.StartSeconds);
    consider(conn.IdleTimeout, lastData);
    return wait < 0 ? -1 : static_cast<int>(std::max<long long>(wait, 1) * kMsPerSecond);
}

}  // namespace

bool ReadRequest(THttpServerThread& conn) {
    conn.Headers.clear();
    conn.RequestBody.clear();
    conn.BytesReceived = 0;
    TReceiveBuffer buf;
    Phase phase = Phase::Head;
    THeadReadSlot headReader(conn.PeerIP);
    if (!headReader.Admitted()) return Refuse(conn, buf);
    uint32_t lastData = conn.StartSeconds;
    while (conn.ReadState != kReadStop) {
        const ssize_t n = recv(conn.Socket, buf.Data.data() + buf.Held, buf.Room(), MSG_DONTWAIT);
        const uint32_t now = SecondsOfDayUtc();
        if (n > 0) {
            lastData = now;
            buf.Held += static_cast<size_t>(n);
            conn.BytesReceived += static_cast<uint32_t>(n);
            const Step step = OnBytes(conn, buf, phase);
            if (phase != Phase::Head) headReader.Release();
            if (step == Step::GiveUp) return GiveUp(conn, buf);
            if (step == Step::Complete) return Complete(conn, buf, phase);
            continue;
        }
        if (n == 0) return Complete(conn, buf, phase);
        // A reset peer will never send more; waiting for the time-outs would
        // only tie up this thread.
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return GiveUp(conn, buf);
        if (ReadTimedOut(conn, now, lastData)) return GiveUp(conn, buf);
        // After a stop nothing could be answered any more.
        if (ConnectionStopped(conn)) return GiveUp(conn, buf);
        // Sleeps until bytes come, a time-out is due or the server stops.
        const TClientWait wait;
        WaitForSocket(conn.Socket, POLLIN, StopFd(conn), ReadWaitMs(conn, now, lastData));
    }
    return GiveUp(conn, buf);
}

}  // namespace palvex
