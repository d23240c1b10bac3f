#include "server/ServerThread.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <new>

#include "common/Codecs.h"
#include "common/FileIo.h"
#include "common/TextConv.h"
#include "server/Response.h"

namespace palvex {

namespace {

constexpr size_t kInitialBufferBytes = 1000;
constexpr size_t kBufferGrowBytes = 20480;
constexpr size_t kMinFreeRoom = 1024;
constexpr size_t kMaxHeadBytes = 4096;
constexpr size_t kFirstBodyPiece = 128;
constexpr size_t kUploadFlushBytes = 16384;
constexpr int kReadPollMs = 50;
constexpr size_t kMethodTokenMax = 7;
constexpr size_t kHeaderValueMax = 255;
constexpr size_t kDrainBufferBytes = 1024;
constexpr int kDrainTimeoutMs = 2000;
constexpr int kDrainSliceMs = 125;
constexpr uint8_t kGiveUp = 2;

std::atomic<int32_t> g_connectionCounter{0};

enum class Phase { Head, HeadParsed, Body };

uint32_t SecondsApart(uint32_t a, uint32_t b) {
    return a > b ? a - b : b - a;
}

// Receive state of one ReadRequest: a buffer with the bytes held at its front.
struct TReceiveBuffer {
    std::string Data = std::string(kInitialBufferBytes, '\0');
    size_t Held = 0;
    int UploadFile = -1;

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
    conn.ReadState = kGiveUp;
    if (buf.UploadFile >= 0) {
        CloseUpload(buf);
        unlink(conn.UploadFileName.c_str());
    }
    return false;
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
            if (conn.ReadState == kGiveUp) return Step::GiveUp;
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
            if (conn.ReadState == kGiveUp) return Step::GiveUp;
        }
    }
    if (phase == Phase::Body) {
        if (conn.RequestBody.size() + buf.Held >= static_cast<size_t>(conn.ContentLength))
            return Step::Complete;
        if (buf.Held > kUploadFlushBytes && !FlushUpload(conn, buf)) return Step::GiveUp;
    }
    if (buf.Room() < kMinFreeRoom) {
        try {
            buf.Data.resize(buf.Data.size() + kBufferGrowBytes);
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
    if (conn.ReadState == kGiveUp) return GiveUp(conn, buf);
    if (!FlushUpload(conn, buf)) return GiveUp(conn, buf);
    CloseUpload(buf);
    conn.RequestBody.append(buf.HeldBytes());
    return true;
}

// True when waiting must end: a time-out passed or the peer is gone for good.
bool ReadTimedOut(const THttpServerThread& conn, uint32_t now, uint32_t lastData) {
    if (conn.RequestTimeout > 0 && SecondsApart(now, conn.StartSeconds) > conn.RequestTimeout)
        return true;
    return conn.IdleTimeout > 0 && SecondsApart(now, lastData) > conn.IdleTimeout;
}

// Shuts down the sending side and reads until the peer closes, so that the
// answer is not cut off by a reset; bounded in time against idle peers and
// cut short by a stop.
void CloseGracefully(const THttpServerThread& conn) {
    const int socket = conn.Socket;
    shutdown(socket, SHUT_WR);
    char sink[kDrainBufferBytes];
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kDrainTimeoutMs);
    for (;;) {
        const ssize_t n = recv(socket, sink, sizeof sink, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) break;
        if (n > 0) continue;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        if (!conn.Server->Active.load(std::memory_order_relaxed)) break;
        pollfd p{socket, POLLIN, 0};
        if (poll(&p, 1, std::min(static_cast<int>(left.count()), kDrainSliceMs)) < 0) break;
    }
    close(socket);
}

}  // namespace

THttpServerThread::THttpServerThread(THttpServer& server, int socket, uint32_t peerIP)
    : Server(&server),
      Socket(socket),
      PeerIP(peerIP),
      ClientIP(peerIP),
      IdleTimeout(server.IdleTimeout),
      RequestTimeout(server.RequestTimeout),
      StartTime(GetSystemTimeUtc()),
      Registry(server.Connections) {
    StartSeconds = SecondsOfDay(StartTime);
    StartTimeText = FormatTimestamp(StartTime);
}

THttpServerThread::~THttpServerThread() {
    if (Registry) {
        std::lock_guard lock(Registry->Lock);
        auto& items = Registry->Items;
        items.erase(std::remove(items.begin(), items.end(), this), items.end());
    }
    if (FileHandle >= 0) close(FileHandle);
}

void THttpServerThread::Start(std::unique_ptr<THttpServerThread> conn) {
    if (conn->Registry) {
        std::lock_guard lock(conn->Registry->Lock);
        conn->ConnectionNo = ++g_connectionCounter;
        conn->Registry->Items.push_back(conn.get());
    }
    THttpServerThread* raw = conn.release();
    try {
        std::thread([raw] { RunConnection(std::unique_ptr<THttpServerThread>(raw)); }).detach();
    } catch (const std::system_error&) {
        // No thread to be had: drop the connection unanswered.
        close(raw->Socket);
        delete raw;
    }
}

void RunConnection(std::unique_ptr<THttpServerThread> conn) {
    conn->ThreadHandle = std::this_thread::get_id();
    if (ReadRequest(*conn)) HandleRequest(*conn);
    CloseGracefully(*conn);
    if (conn->OnProgress) {
        conn->Progress = 101;
        std::lock_guard lock(HookLock);
        if (conn->OnProgress) conn->OnProgress(*conn);
    }
}

bool ReadRequest(THttpServerThread& conn) {
    conn.Headers.clear();
    conn.RequestBody.clear();
    conn.BytesReceived = 0;
    TReceiveBuffer buf;
    Phase phase = Phase::Head;
    uint32_t lastData = conn.StartSeconds;
    while (conn.ReadState < kGiveUp) {
        const ssize_t n = recv(conn.Socket, buf.Data.data() + buf.Held, buf.Room(), MSG_DONTWAIT);
        const uint32_t now = SecondsOfDayUtc();
        if (n > 0) {
            lastData = now;
            buf.Held += static_cast<size_t>(n);
            conn.BytesReceived += static_cast<uint32_t>(n);
            const Step step = OnBytes(conn, buf, phase);
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
        if (conn.Abort.load(std::memory_order_relaxed) ||
            !conn.Server->Active.load(std::memory_order_relaxed))
            return GiveUp(conn, buf);
        pollfd p{conn.Socket, POLLIN, 0};
        poll(&p, 1, kReadPollMs);
    }
    return GiveUp(conn, buf);
}

uint8_t MethodOf(std::string_view token) {
    token = token.substr(0, kMethodTokenMax);
    if (token == "GET") return kMethodGet;
    const std::string upper = AsciiUpper(token);
    if (upper == "GET") return kMethodGet;
    if (upper == "HEAD") return kMethodHead;
    if (upper == "POST") return kMethodPost;
    return kMethodOther;
}

// Splits the head into lines at CR, LF or CR LF; a NUL ends the text.
static std::vector<std::string> SplitHeadLines(std::string_view head) {
    std::vector<std::string> lines;
    head = head.substr(0, head.find('\0'));
    size_t start = 0;
    while (start < head.size()) {
        const size_t end = head.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(head.substr(start));
            break;
        }
        lines.emplace_back(head.substr(start, end - start));
        start = end + 1;
        if (head[end] == '\r' && start < head.size() && head[start] == '\n') ++start;
    }
    return lines;
}

void ParseHead(THttpServerThread& conn, std::string_view head) {
    size_t lead = 0;
    while (lead < head.size() && static_cast<unsigned char>(head[lead]) <= 32)
        ++lead;
    conn.Headers = SplitHeadLines(head.substr(lead));
    const std::string_view requestLine =
        conn.Headers.empty() ? std::string_view() : std::string_view(conn.Headers[0]);
    const size_t blank = requestLine.find(' ');
    conn.Method = MethodOf(requestLine.substr(0, blank));
    const std::string_view rest =
        TrimBlanks(blank == std::string_view::npos ? "" : requestLine.substr(blank + 1));
    conn.RequestURI = std::string(rest.substr(0, rest.find(" HTTP/")));
    long long length = 0;
    if (!ParseInt(GetHeader(conn, "content-length"), length) || length < 0 || length > INT32_MAX)
        length = 0;
    conn.ContentLength = static_cast<int32_t>(length);
    conn.ClientIP = ComputeClientIP(conn);
    CallHook(conn.Server->OnRequestParsed, conn);
}

uint32_t ComputeClientIP(const THttpServerThread& conn) {
    std::string v = GetHeader(conn, "X-Forwarded-For");
    if (v.empty()) return conn.PeerIP;
    for (const char* privatePrefix : {"192.168.", "127.0.", "10."})
        if (v.starts_with(privatePrefix)) return conn.PeerIP;
    for (char separator : {',', ';'}) {
        const size_t at = v.find(separator, 1);
        if (at != std::string::npos) v = std::string(TrimBlanks(std::string_view(v).substr(0, at)));
    }
    const uint32_t address = ParseIPv4(v);
    return address != 0 ? address : conn.PeerIP;
}

std::string GetHeader(const THttpServerThread& conn, std::string_view name) {
    std::string value = FindHeaderValue(conn.Headers, name);
    if (value.size() > kHeaderValueMax) value.resize(kHeaderValueMax);
    return value;
}

std::string GetQuery(const THttpServerThread& conn) {
    const size_t q = conn.RequestURI.find('?');
    return q == std::string::npos ? std::string() : conn.RequestURI.substr(q);
}

std::u16string GetQueryW(const THttpServerThread& conn) {
    const std::string query = GetQuery(conn);
    return query.empty() ? std::u16string() : PercentDecodeW(query);
}

std::string GetCredentials(const THttpServerThread& conn) {
    std::string user, password;
    DecodeBasicCredentials(GetHeader(conn, "Authorization"), user, password);
    std::string joined = user + ":" + password;
    return joined == ":" ? std::string() : joined;
}

std::u16string GetFormText(const THttpServerThread& conn, bool utf8) {
    std::string text;
    for (char c : conn.RequestBody)
        if (static_cast<unsigned char>(c) >= 32) text += c;
    const std::string_view trimmed = TrimBlanks(text);
    if (trimmed.empty()) return {};
    return u"&" + (utf8 ? Utf8ToWide(PercentDecode(trimmed)) : PercentDecodeW(trimmed));
}

void AppendBody(THttpServerThread& conn, std::string_view bytes) {
    conn.ResponseBody += bytes;
}

void AppendBodyUtf8(THttpServerThread& conn, std::u16string_view text) {
    conn.ResponseBody += WideToUtf8(text);
}

void CallHook(THook hook, THttpServerThread& conn) {
    if (!hook) return;
    std::lock_guard lock(HookLock);
    hook(conn);
}

}  // namespace palvex
