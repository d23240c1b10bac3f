#pragma once
// The connection record: one per accepted socket, created by the accept loop
// and freed by its own thread after one request and one answer.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "common/SystemTime.h"
#include "server/HttpServer.h"

namespace palvex {

// Answer status values.
enum : uint8_t {
    rsNone = 0,
    rsOk = 1,
    rsPartial = 2,
    rsNotModified = 3,
    rsBadRequest = 4,
    rsAuthRequired = 5,
    rsForbidden = 6,
    rsNotFound = 7,
    rsOverload = 8,
};

// Read states: a hook that sets kReadStop ends reading; the connection is
// closed without an answer.
enum : uint8_t { kReadRunning = 0, kReadStop = 2 };

// Methods.
enum : uint8_t { kMethodOther = 0, kMethodHead = 1, kMethodGet = 2, kMethodPost = 3 };

class THttpServerThread {
  public:
    // Sets the initial values and reads the UTC time; Serve() then adds it
    // to the server's list and runs it.
    THttpServerThread(THttpServer& server, int socket, uint32_t peerIP);
    // The same for a connection of the given run (the server's current one
    // may be gone by now).
    THttpServerThread(THttpServer& server, int socket, uint32_t peerIP,
                      std::shared_ptr<TConnectionList> run);
    ~THttpServerThread();
    THttpServerThread(const THttpServerThread&) = delete;
    THttpServerThread& operator=(const THttpServerThread&) = delete;

    // Registers the record and runs the connection on the calling thread to
    // its end; the record is freed then.
    static void Serve(std::unique_ptr<THttpServerThread> conn);

    THttpServer* Server;
    int Socket;
    std::thread::id ThreadHandle;
    int32_t ConnectionNo = 0;
    uint32_t PeerIP;
    uint32_t ClientIP;
    void* LogItem = nullptr;
    bool NoLog = false;
    uint16_t Progress = 0;
    uint32_t LastProgressTime = 0;
    std::u16string Path;
    uint32_t IdleTimeout = 30;
    uint32_t RequestTimeout = 300;
    uint32_t MaxRequestSize = 0;
    uint32_t StartSeconds = 0;
    TSystemTime StartTime;
    std::string StartTimeText;
    TSystemTime LogTime;
    std::string LogTimeText;
    uint8_t ReadState = kReadRunning;
    std::vector<std::string> Headers;
    uint8_t Method = kMethodOther;
    std::string RequestURI;
    int32_t ContentLength = 0;
    std::string UserName;
    std::string RequestBody;
    uint32_t BytesReceived = 0;
    std::string UploadFileName;
    uint32_t UploadedBytes = 0;
    std::string ResponseHeader;
    THook OnHeader = nullptr;
    THook OnProgress = nullptr;
    int FileHandle = -1;
    uint32_t FileSize = 0;
    uint32_t SendLength = 0;
    uint32_t RangeStart = 0;
    TSystemTime FileTime;
    uint8_t Status = rsNone;
    std::atomic<bool> Abort{false};
    bool NoCache = false;
    bool AcceptRanges = false;
    std::string Realm;
    std::string ContentType;
    uint32_t HeaderLength = 0;
    std::string ContentRange;
    std::string LastModified;
    std::string ResponseBody;
    uint32_t BytesSent = 0;
    uint32_t BodyBytesSent = 0;
    std::atomic<uint8_t> SpeedLimit{0};
    bool BigFile = false;
    // A refused password guess is answered after this pause (milliseconds),
    // waited out after the handler, outside HookLock.
    uint32_t RefusalPauseMs = 0;

    // Keeps the connection list alive for the final unregistering.
    std::shared_ptr<TConnectionList> Registry;
    // Set after the first sending pass that left bytes over: from then on a
    // send waits until the peer takes the bytes (still checking Abort).
    bool SendBlocking = false;
};

// The connection thread: read, answer, close gracefully, final notification.
void RunConnection(std::unique_ptr<THttpServerThread> conn);

// True once the connection is aborted or its server run stopped.
bool ConnectionStopped(const THttpServerThread& conn);
// The descriptor that turns readable when the connection's run stops (-1
// for a connection without run).
int StopFd(const THttpServerThread& conn);

// Calls a hook inside HookLock when it is set.
void CallHook(THook hook, THttpServerThread& conn);

}  // namespace palvex
