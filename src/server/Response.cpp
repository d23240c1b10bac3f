#include "server/Response.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <thread>

#include "common/Codecs.h"
#include "common/SystemTime.h"
#include "server/AuthThrottle.h"
#include "server/ConnectionThreads.h"
#include "server/FileSender.h"
#include "server/StopSignal.h"

namespace palvex {

namespace {

struct TStatusText {
    std::string_view Line;
    std::string_view Body;
};

constexpr TStatusText kStatusTexts[] = {
    {"HTTP/1.0 200 Ok", ""},
    {"HTTP/1.0 200 Ok", ""},
    {"HTTP/1.0 206 Partial Content", ""},
    {"HTTP/1.0 304 Not modified", ""},
    {"HTTP/1.0 400 Bad Request", "Invalid Request"},
    {"HTTP/1.0 401 Authorization Required", "Authorization required"},
    {"HTTP/1.0 403 Forbidden", "Forbidden"},
    {"HTTP/1.0 404 Not found", "File not found"},
    {"HTTP/1.0 503 Service Unavailable", "temporary overload"},
};
constexpr std::string_view kUnknownStatusLine = "HTTP/1.0 400 Bad Request";
constexpr std::string_view kCrLf = "\r\n";
constexpr size_t kProgressMinSeconds = 3;
constexpr uint16_t kProgressUnknown = 99;
constexpr int kSendWaitSliceMs = 125;

constexpr const char* kDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// One send of up to len bytes; the count sent, 0 for nothing, -1 for failure.
// Only a full socket makes it wait, and only after the first pass.
ssize_t SendBlock(const THttpServerThread& conn, const char* data, size_t len) {
    if (len == 0) return 0;
    for (;;) {
        const ssize_t n = send(conn.Socket, data, len, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) return n;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return -1;
        if (!conn.SendBlocking) return 0;
        if (!WaitWritable(conn)) return -1;
    }
}

// Without a limit everything goes to the socket at once; a non-blocking send
// takes what fits and the rest waits for room.
size_t BlockSize(const THttpServerThread& conn, bool throttled, unsigned pass) {
    if (!throttled) return SIZE_MAX;
    if (pass != 0) return 0;
    return conn.SpeedLimit.load(std::memory_order_relaxed) == 1 ? kThrottleSmallBlock
                                                                : kThrottleLargeBlock;
}

void AddLine(std::string& head, std::string_view a, std::string_view b = {}) {
    head += a;
    head += b;
    head += kCrLf;
}

// The status line, with the default body and no-cache rules of the status.
std::string_view ApplyStatusRules(THttpServerThread& conn, bool final) {
    if (conn.Status > rsOverload) return kUnknownStatusLine;
    const TStatusText& text = kStatusTexts[conn.Status];
    if (conn.Status == rsAuthRequired || conn.Status == rsOverload) conn.NoCache = true;
    if (conn.Status == rsNotModified) conn.ResponseBody = " ";
    if (final && conn.ResponseBody.size() <= 1 && !text.Body.empty()) {
        conn.ResponseBody = std::string(text.Body);
        conn.ContentType = "text/plain";
    }
    return text.Line;
}

}  // namespace

bool WaitWritable(const THttpServerThread& conn) {
    const TClientWait wait;
    uint32_t waitedMs = 0;
    for (;;) {
        if (ConnectionStopped(conn)) return false;
        if (WaitForSocket(conn.Socket, POLLOUT, StopFd(conn), kSendWaitSliceMs)) return true;
        waitedMs += kSendWaitSliceMs;
        // A peer that takes nothing for as long as the read idle time-out
        // would hold this thread forever.
        if (conn.IdleTimeout > 0 && waitedMs > conn.IdleTimeout * 1000u) return false;
    }
}

std::string_view StatusLine(uint8_t status) {
    return status > rsOverload ? kUnknownStatusLine : kStatusTexts[status].Line;
}

std::string_view DefaultBody(uint8_t status) {
    return status > rsOverload ? std::string_view() : kStatusTexts[status].Body;
}

void HandleRequest(THttpServerThread& conn) {
    CallHook(conn.Server->OnRequest, conn);
    PauseBeforeAnswer(conn);
    if (conn.SendLength > 0) SendFileData(conn);
    if (conn.BytesSent == 0 && conn.ResponseBody.empty()) conn.ResponseBody = " ";
    SendResponse(conn, true);
}

bool BuildHeader(THttpServerThread& conn, bool final) {
    std::string head;
    AddLine(head, ApplyStatusRules(conn, final));
    const bool notModified = conn.Status == rsNotModified;
    if (!notModified && !conn.Server->ServerName.empty())
        AddLine(head, "Server: ", conn.Server->ServerName);
    if (!conn.Realm.empty()) AddLine(head, "WWW-Authenticate: Basic realm=\"" + conn.Realm + "\"");
    if (conn.AcceptRanges) AddLine(head, "Accept-Ranges: bytes");
    if (!conn.LastModified.empty() && !notModified) {
        AddLine(head, "Date: ", FormatHttpDate(conn.StartTime));
        AddLine(head, "Last-Modified: ", conn.LastModified);
    }
    if (!conn.ContentType.empty()) AddLine(head, "Content-Type: ", conn.ContentType);
    if (final && conn.HeaderLength == 0)
        conn.HeaderLength = static_cast<uint32_t>(conn.ResponseBody.size());
    if (conn.Status <= rsPartial && conn.HeaderLength > 1) {
        head += "Content-Length: ";
        AppendDecimal(head, conn.HeaderLength);
        head += kCrLf;
    }
    if (!conn.ContentRange.empty()) AddLine(head, "Content-Range: bytes ", conn.ContentRange);
    if (conn.NoCache) AddLine(head, "Cache-Control: no-cache");
    AddLine(head, "Connection: close");
    conn.ResponseHeader = std::move(head);
    CallHook(conn.OnHeader, conn);
    if (conn.Abort || conn.ResponseHeader.empty()) return false;
    if (conn.ResponseHeader.back() != '\n') conn.ResponseHeader += kCrLf;
    return true;
}

bool SendResponse(THttpServerThread& conn, bool final) {
    if (conn.Abort) {
        conn.ResponseBody.clear();
        return false;
    }
    const bool headNow = conn.BytesSent == 0;
    if (headNow && !BuildHeader(conn, final)) {
        conn.ResponseBody.clear();
        conn.Abort = true;
        return false;
    }
    if (conn.Method == kMethodHead) conn.ResponseBody = " ";
    const size_t len = conn.ResponseBody.size();
    std::string first;
    bool throttleFirst = true;
    if (!headNow) {
        first.swap(conn.ResponseBody);
    } else if (conn.SpeedLimit != 0 && len >= kThrottleMinBody) {
        first = conn.ResponseHeader + std::string(kCrLf);
    } else {
        first = conn.ResponseHeader + std::string(kCrLf) + conn.ResponseBody;
        conn.ResponseBody.clear();
        throttleFirst = false;
    }
    bool ok = SendData(conn, first, throttleFirst);
    if (ok && !conn.ResponseBody.empty()) ok = SendData(conn, conn.ResponseBody, true);
    conn.ResponseBody.clear();
    if (ok) conn.BodyBytesSent += static_cast<uint32_t>(len);
    return ok;
}

bool SendData(THttpServerThread& conn, std::string& data, bool throttle) {
    size_t offset = 0;
    unsigned pass = 0;
    uint32_t sentInCall = 0;
    while (offset < data.size()) {
        if (ConnectionStopped(conn)) {
            data.clear();
            conn.Abort = true;
            return false;
        }
        const bool throttled = throttle && conn.SpeedLimit.load(std::memory_order_relaxed) != 0;
        const size_t block = std::min(BlockSize(conn, throttled, pass), data.size() - offset);
        const ssize_t sent = SendBlock(conn, data.data() + offset, block);
        if (sent < 0) {
            data.clear();
            conn.Abort = true;
            return false;
        }
        offset += static_cast<size_t>(sent);
        conn.BytesSent += static_cast<uint32_t>(sent);
        if (offset >= data.size()) break;
        if (throttled) {
            const TClientWait wait;
            std::this_thread::sleep_for(std::chrono::milliseconds(kThrottlePassMs));
        }
        if (sent > 0 && conn.OnProgress) {
            sentInCall += static_cast<uint32_t>(sent);
            ReportProgress(conn, sentInCall);
        }
        conn.SendBlocking = true;
        pass = (pass + 1) % 8;
    }
    data.clear();
    return true;
}

void ReportProgress(THttpServerThread& conn, uint32_t sentInCall) {
    const TSystemTime now = GetSystemTimeUtc();
    const uint32_t t = now.Minute * 60u + now.Second;
    const uint32_t apart =
        t > conn.LastProgressTime ? t - conn.LastProgressTime : conn.LastProgressTime - t;
    if (apart < kProgressMinSeconds) return;
    conn.LastProgressTime = t;
    const uint64_t a = static_cast<uint64_t>(sentInCall) + conn.BodyBytesSent;
    if (conn.SendLength == 0 || a > conn.SendLength)
        conn.Progress = kProgressUnknown;
    else
        conn.Progress = static_cast<uint16_t>(a * 100 / conn.SendLength);
    CallHook(conn.OnProgress, conn);
}

std::string FormatHttpDate(const TSystemTime& t) {
    std::string out = kDayNames[t.DayOfWeek % 7];
    out += ", ";
    AppendDecimal(out, t.Day, 2);
    out += ' ';
    out += kMonthNames[(t.Month + 11) % 12];
    out += ' ';
    AppendDecimal(out, t.Year);
    out += ' ';
    out += FormatTime(t);
    out += " GMT";
    return out;
}

}  // namespace palvex
