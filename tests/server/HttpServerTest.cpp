// The server over real loopback sockets with test handlers.

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "common/Codecs.h"
#include "server/HeadReaders.h"
#include "server/HttpServer.h"
#include "server/RequestReader.h"
#include "server/Response.h"
#include "support/TestServer.h"

namespace palvex {
namespace {

using namespace std::chrono_literals;
using test::Exchange;
using test::SplitAnswer;
using test::StartTestServer;

// What the test handler answers; set by each test before its requests.
struct Answer {
    uint8_t Status = rsOk;
    std::string Body;
    std::string ContentType;
    uint8_t SpeedLimit = 0;
};
Answer g_answer;
std::string g_seenBody;
std::string g_seenUri;

// The test thread shares these with the handlers as the user interface
// would: inside HookLock.
void SetAnswer(const Answer& answer) {
    std::lock_guard lock(HookLock);
    g_answer = answer;
}
std::string SeenBody() {
    std::lock_guard lock(HookLock);
    return g_seenBody;
}
std::string SeenUri() {
    std::lock_guard lock(HookLock);
    return g_seenUri;
}

void TestHandler(THttpServerThread& conn) {
    conn.Status = g_answer.Status;
    conn.ResponseBody = g_answer.Body;
    conn.ContentType = g_answer.ContentType;
    conn.SpeedLimit = g_answer.SpeedLimit;
    g_seenBody = conn.RequestBody;
    g_seenUri = conn.RequestURI;
}

void RefuseAll(THttpServerThread& conn) {
    conn.Status = rsForbidden;
    conn.ReadState = kReadStop;
}

class HttpServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetAnswer(Answer());
        g_seenBody.clear();
        g_seenUri.clear();
        server_ = &StartTestServer(TestHandler);
        ASSERT_TRUE(server_->Active);
    }
    void TearDown() override {
        StopServer(*server_);
        EXPECT_EQ(detail::ConnectionCount(*server_), 0u);
    }
    std::string Get(std::string_view request = "GET / HTTP/1.0\r\n\r\n") {
        return Exchange(server_->Port, request);
    }
    THttpServer* server_ = nullptr;
};

TEST_F(HttpServerTest, EveryStatusHasItsExactHeadAndDefaultBody) {
    struct Case {
        uint8_t status;
        const char* answer;
    } cases[] = {
        {rsNone, "HTTP/1.0 200 Ok\r\nServer: morvi/1.3 (Win32)\r\nConnection: close\r\n\r\n "},
        {rsOk, "HTTP/1.0 200 Ok\r\nServer: morvi/1.3 (Win32)\r\nConnection: close\r\n\r\n "},
        {rsPartial,
         "HTTP/1.0 206 Partial Content\r\nServer: morvi/1.3 (Win32)\r\nConnection: close\r\n\r\n "},
        {rsNotModified, "HTTP/1.0 304 Not modified\r\nConnection: close\r\n\r\n "},
        {rsBadRequest,
         "HTTP/1.0 400 Bad Request\r\nServer: morvi/1.3 (Win32)\r\nContent-Type: "
         "text/plain\r\nConnection: close\r\n\r\nInvalid Request"},
        {rsAuthRequired,
         "HTTP/1.0 401 Authorization Required\r\nServer: morvi/1.3 (Win32)\r\nContent-Type: "
         "text/plain\r\nCache-Control: no-cache\r\nConnection: close\r\n\r\nAuthorization "
         "required"},
        {rsForbidden,
         "HTTP/1.0 403 Forbidden\r\nServer: morvi/1.3 (Win32)\r\nContent-Type: "
         "text/plain\r\nConnection: close\r\n\r\nForbidden"},
        {rsNotFound,
         "HTTP/1.0 404 Not found\r\nServer: morvi/1.3 (Win32)\r\nContent-Type: "
         "text/plain\r\nConnection: close\r\n\r\nFile not found"},
        {rsOverload,
         "HTTP/1.0 503 Service Unavailable\r\nServer: morvi/1.3 (Win32)\r\nContent-Type: "
         "text/plain\r\nCache-Control: no-cache\r\nConnection: close\r\n\r\ntemporary overload"},
        {9, "HTTP/1.0 400 Bad Request\r\nServer: morvi/1.3 (Win32)\r\nConnection: close\r\n\r\n "},
    };
    for (const auto& c : cases) {
        SetAnswer(Answer{c.status, "", ""});
        EXPECT_EQ(Get(), c.answer) << int(c.status);
    }
}

TEST_F(HttpServerTest, OwnErrorPageAndContentLengthRules) {
    SetAnswer(Answer{rsNotFound, "<p>gone, really!</p>", "text/html"});
    EXPECT_EQ(Get(),
              "HTTP/1.0 404 Not found\r\nServer: morvi/1.3 (Win32)\r\nContent-Type: "
              "text/html\r\nConnection: close\r\n\r\n<p>gone, really!</p>");
    SetAnswer(Answer{rsOk, "hello", "text/plain"});
    EXPECT_EQ(Get(),
              "HTTP/1.0 200 Ok\r\nServer: morvi/1.3 (Win32)\r\nContent-Type: "
              "text/plain\r\nContent-Length: 5\r\nConnection: close\r\n\r\nhello");
    SetAnswer(Answer{rsOk, "x", "text/plain"});  // one byte: no length line
    EXPECT_EQ(Get(),
              "HTTP/1.0 200 Ok\r\nServer: morvi/1.3 (Win32)\r\nContent-Type: "
              "text/plain\r\nConnection: close\r\n\r\nx");
}

TEST_F(HttpServerTest, HeadAnswersWithLengthAndOneBlank) {
    SetAnswer(Answer{rsOk, std::string(5000, 'a'), "text/plain"});
    EXPECT_EQ(Get("HEAD / HTTP/1.0\r\n\r\n"),
              "HTTP/1.0 200 Ok\r\nServer: morvi/1.3 (Win32)\r\nContent-Type: "
              "text/plain\r\nContent-Length: 5000\r\nConnection: close\r\n\r\n ");
}

// A head of that many bytes without its blank line, then the half-close:
// reading ends at once, so what comes back depends on the limit alone and
// never on the idle time-out.
std::string HalfClosedHead(uint16_t port, size_t bytes) {
    const int s = test::Connect(port);
    test::SendAll(s, "GET /" + std::string(bytes - 14, 'a') + " HTTP/1.0");
    shutdown(s, SHUT_WR);
    const std::string answer = test::ReadAll(s);
    close(s);
    return answer;
}

TEST_F(HttpServerTest, HeadLimitIsCountedBeforeTheBlankLine) {
    EXPECT_TRUE(HalfClosedHead(server_->Port, 4096).starts_with("HTTP/1.0 200 Ok\r\n"));
    EXPECT_EQ(HalfClosedHead(server_->Port, 4097), "");
    const std::string big = "GET /x HTTP/1.0\r\nX-Pad: " + std::string(4950, 'p') + "\r\n\r\n";
    ASSERT_GT(big.size(), 4096u);
    EXPECT_TRUE(Get(big).starts_with("HTTP/1.0 200 Ok\r\n"));
}

TEST_F(HttpServerTest, HeadWithoutBlankLineIsAnsweredWhenPeerCloses) {
    const int s = test::Connect(server_->Port);
    test::SendAll(s, "GET /closing HTTP/1.0");
    shutdown(s, SHUT_WR);
    EXPECT_TRUE(test::ReadAll(s).starts_with("HTTP/1.0 200 Ok"));
    close(s);
    EXPECT_EQ(SeenUri(), "/closing");
}

TEST_F(HttpServerTest, PostBodyInTwoPacketsAndEarlyHalfClose) {
    int s = test::Connect(server_->Port);
    test::SendAll(s, "POST / HTTP/1.0\r\nContent-Length: 10\r\n\r\n12345");
    std::this_thread::sleep_for(200ms);
    test::SendAll(s, "67890");
    EXPECT_TRUE(test::ReadAll(s).starts_with("HTTP/1.0 200 Ok"));
    close(s);
    EXPECT_EQ(SeenBody(), "1234567890");

    s = test::Connect(server_->Port);
    test::SendAll(s, "POST / HTTP/1.0\r\nContent-Length: 10\r\n\r\n1234");
    shutdown(s, SHUT_WR);
    EXPECT_TRUE(test::ReadAll(s).starts_with("HTTP/1.0 200 Ok"));
    close(s);
    EXPECT_EQ(SeenBody(), "1234");
}

TEST_F(HttpServerTest, OneAddressHoldsOnlySoManySlowHeads) {
    constexpr uint32_t kSlow = 0x7F000007, kOther = 0x7F000008;  // 127.0.0.7 and .8
    THttpServer& server = StartTestServer(TestHandler, nullptr, 20);
    const auto full = [&](uint32_t from) {
        return Exchange(server.Port, "GET / HTTP/1.0\r\n\r\n", from);
    };
    // Waits until the server reads n heads from the slow address.
    const auto reading = [](uint32_t n) {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (HeadReaders().Count(ParseIPv4("127.0.0.7")) < n &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(2ms);
    };
    std::vector<int> slow;
    for (uint32_t i = 1; i <= kMaxHeadReadersPerAddress; ++i) {
        slow.push_back(test::Connect(server.Port, kSlow));
        ASSERT_TRUE(test::SendAll(slow.back(), "GET / HTTP/1.0\r\n")) << i;
        if (i % 16 == 0) reading(i);  // a few at a time, as the listen backlog is short
    }
    // One more from that address is closed without an answer; others are served.
    EXPECT_EQ(full(kSlow), "");
    EXPECT_TRUE(full(kOther).starts_with("HTTP/1.0 200 Ok"));
    // A slow head that ends frees its place.
    ASSERT_TRUE(test::SendAll(slow.front(), "\r\n"));
    EXPECT_TRUE(test::ReadAll(slow.front()).starts_with("HTTP/1.0 200 Ok"));
    EXPECT_TRUE(full(kSlow).starts_with("HTTP/1.0 200 Ok"));
    for (int s : slow)
        close(s);
    StopServer(server);
}

// Resident memory of this process in KiB.
long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
    }
    return 0;
}

TEST_F(HttpServerTest, HugeBodyIsReadWholeButOnlyItsFirstMegabyteKept) {
    constexpr size_t kChunk = 65536, kChunks = 3200;  // 200 MiB
    std::string chunk(kChunk, '\0');
    for (size_t i = 0; i < kChunk; ++i)
        chunk[i] = static_cast<char>('a' + i % 26);
    const long before = ResidentKiB();
    std::atomic<long> peak{before};
    std::atomic<bool> sending{true};
    std::thread sampler([&] {
        while (sending) {
            peak = std::max(peak.load(), ResidentKiB());
            std::this_thread::sleep_for(5ms);
        }
    });
    const int s = test::Connect(server_->Port);
    bool sent = test::SendAll(
        s, "POST / HTTP/1.0\r\nContent-Length: " + std::to_string(kChunk * kChunks) + "\r\n\r\n");
    for (size_t i = 0; i < kChunks && sent; ++i)
        sent = test::SendAll(s, chunk);
    const std::string answer = test::ReadAll(s);
    close(s);
    sending = false;
    sampler.join();
    EXPECT_TRUE(sent);
    EXPECT_TRUE(answer.starts_with("HTTP/1.0 200 Ok")) << answer.substr(0, 100);
    const std::string body = SeenBody();
    ASSERT_EQ(body.size(), kMaxBodyInMemory);
    EXPECT_EQ(body.substr(0, kChunk), chunk);
    EXPECT_EQ(body.substr(kMaxBodyInMemory - kChunk), chunk);
    EXPECT_LT(peak - before, 64 * 1024) << "KiB more while the body came";
}

TEST_F(HttpServerTest, LargeBodyArrivesWhole) {
    const std::string body(300000, 'b');
    EXPECT_TRUE(Get("POST / HTTP/1.0\r\nContent-Length: 300000\r\n\r\n" + body)
                    .starts_with("HTTP/1.0 200 Ok"));
    EXPECT_EQ(SeenBody(), body);
}

TEST_F(HttpServerTest, SilentAndIdleClientsGetNothing) {
    const int silent = test::Connect(server_->Port);
    shutdown(silent, SHUT_WR);
    EXPECT_EQ(test::ReadAll(silent), "");
    close(silent);
    // Idle time-out of the test server is 2 s: a drip that stops is dropped.
    const int drip = test::Connect(server_->Port);
    test::SendAll(drip, "GET / HT");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(test::ReadAll(drip, 15s), "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    close(drip);
}

TEST_F(HttpServerTest, GarbageAndVanishingClientsLeaveNoThreads) {
    std::string garbage;
    for (int i = 0; i < 3000; ++i)
        garbage += static_cast<char>((i * 7919) % 256);
    for (int i = 0; i < 20; ++i) {
        const int s = test::Connect(server_->Port);
        test::SendAll(s, i % 2 ? garbage + "\r\n\r\n" : "GET / HTTP/1.0\r\n\r\n");
        close(s);  // gone before the answer
    }
    SetAnswer(Answer{rsOk, std::string(2000000, 'z'), "text/plain"});
    const int s = test::Connect(server_->Port);
    test::SendAll(s, "GET / HTTP/1.0\r\n\r\n");
    char buf[1000];
    EXPECT_GT(recv(s, buf, sizeof buf, 0), 0);
    struct linger hard = {1, 0};
    setsockopt(s, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    close(s);  // reset in the middle of the answer
    EXPECT_TRUE(test::WaitIdle(*server_));
}

// A client that takes nothing of a large answer is let go once nothing
// could be sent for the idle time-out (2 s here), instead of holding its
// thread.
TEST_F(HttpServerTest, ClientThatReadsNothingIsDroppedAfterTheIdleTimeOut) {
    SetAnswer(Answer{rsOk, std::string(32 * 1024 * 1024, 'z'), "text/plain"});
    const int s = test::Connect(server_->Port, 0, 4096);
    test::SendAll(s, "GET / HTTP/1.0\r\n\r\n");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(test::WaitUntil([&] { return detail::ConnectionCount(*server_) == 1; }, 5s));
    EXPECT_TRUE(test::WaitIdle(*server_, 8s));
    EXPECT_GT(std::chrono::steady_clock::now() - start, 1500ms);
    close(s);
}

std::vector<uint16_t> g_progressSeen;  // inside HookLock

void RecordProgress(THttpServerThread& conn) {
    g_progressSeen.push_back(conn.Progress);
}

void AnswerWithProgress(THttpServerThread& conn) {
    TestHandler(conn);
    conn.OnProgress = RecordProgress;
    conn.LastProgressTime = 100000;  // apart from every time of the hour
}

// An answer from memory that stalls in the client's window reports progress
// as it goes, as "unknown" (99: there is no file length to measure it
// against), and the end of the connection once (101).
TEST(HttpServerProgress, LargeAnswerFromMemoryReportsProgress) {
    THttpServer& server = StartTestServer(AnswerWithProgress);
    constexpr size_t kBytes = 16 * 1024 * 1024;
    SetAnswer(Answer{rsOk, std::string(kBytes, 'p'), "text/plain"});
    {
        std::lock_guard lock(HookLock);
        g_progressSeen.clear();
    }
    const int s = test::Connect(server.Port, 0, 16384);
    test::SendAll(s, "GET / HTTP/1.0\r\n\r\n");
    std::this_thread::sleep_for(300ms);
    std::string head, body;
    SplitAnswer(test::ReadAll(s), head, body);
    close(s);
    EXPECT_EQ(body.size(), kBytes);
    StopServer(server);
    std::lock_guard lock(HookLock);
    ASSERT_GE(g_progressSeen.size(), 2u);
    EXPECT_EQ(g_progressSeen.back(), 101);
    g_progressSeen.pop_back();
    for (uint16_t progress : g_progressSeen)
        EXPECT_EQ(progress, 99);
}

TEST(HttpServerHooks, RequestParsedHookRefusesWithoutAnswer) {
    THttpServer& server = StartTestServer(TestHandler, RefuseAll);
    EXPECT_EQ(Exchange(server.Port, "GET / HTTP/1.0\r\n\r\n"), "");
    StopServer(server);
}

// Bytes per second of a throttled 4096-byte (SpeedLimit 1) or 8192-byte
// (SpeedLimit 2) body, measured at the client.
double MeasureRate(THttpServer& server, uint8_t limit, size_t bytes) {
    SetAnswer(Answer{rsOk, std::string(bytes, 'r'), "text/plain", limit});
    const auto start = std::chrono::steady_clock::now();
    const std::string answer = Exchange(server.Port, "GET / HTTP/1.0\r\n\r\n");
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::string head, body;
    SplitAnswer(answer, head, body);
    EXPECT_EQ(body.size(), bytes);
    // The first block leaves at once, so n blocks take n - 1 seconds.
    return static_cast<double>(bytes - (limit == 1 ? 1024 : 4096)) / seconds;
}

TEST_F(HttpServerTest, ThrottledRates) {
    const double slow = MeasureRate(*server_, 1, 4096);
    EXPECT_GT(slow, 1024 * 0.7);
    EXPECT_LT(slow, 1024 * 1.3);
    const double fast = MeasureRate(*server_, 2, 3 * 4096);
    EXPECT_GT(fast, 4096 * 0.7);
    EXPECT_LT(fast, 4096 * 1.3);
}

TEST_F(HttpServerTest, SmallBodyIgnoresSpeedLimit) {
    SetAnswer(Answer{rsOk, std::string(300, 's'), "text/plain", 1});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(Get().ends_with(std::string(300, 's')));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
}

TEST_F(HttpServerTest, AbortStopsThrottledTransferWithinAPass) {
    SetAnswer(Answer{rsOk, std::string(20000, 'a'), "text/plain", 1});
    const int s = test::Connect(server_->Port);
    test::SendAll(s, "GET / HTTP/1.0\r\n\r\n");
    std::this_thread::sleep_for(1500ms);
    const auto start = std::chrono::steady_clock::now();
    detail::AbortAllConnections(*server_);
    const std::string answer = test::ReadAll(s);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_LT(answer.size(), 20000u);
    close(s);
}

TEST_F(HttpServerTest, StopDuringSlowTransferEndsItQuickly) {
    SetAnswer(Answer{rsOk, std::string(50000, 'a'), "text/plain", 1});
    const int s = test::Connect(server_->Port);
    test::SendAll(s, "GET / HTTP/1.0\r\n\r\n");
    std::this_thread::sleep_for(500ms);
    const auto start = std::chrono::steady_clock::now();
    StopServer(*server_);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    EXPECT_EQ(detail::ConnectionCount(*server_), 0u);
    EXPECT_LT(test::ReadAll(s).size(), 50000u);
    close(s);
}

// Occupies base, base+1 and base+3 of a base whose base+7 is free too.
uint16_t OccupyStartOfSeries(std::vector<int>& taken) {
    for (;;) {
        const uint16_t base = test::FreePort();
        for (uint16_t offset : {0, 1, 3, 7}) {
            const int s = detail::OpenListener(static_cast<uint16_t>(base + offset), 0x7F000001);
            if (s < 0) break;
            taken.push_back(s);
        }
        if (taken.size() == 4) {
            close(taken.back());  // base+7 stays free for the server
            taken.pop_back();
            return base;
        }
        for (int s : taken)
            close(s);
        taken.clear();
    }
}

TEST(HttpServerStart, PortRetrySeriesAndSingleAttempt) {
    std::vector<int> taken;
    const uint16_t base = OccupyStartOfSeries(taken);
    auto* server = &test::NewTestServer();
    EXPECT_FALSE(StartServer(*server, base, false, TestHandler, nullptr, nullptr));
    EXPECT_FALSE(server->Active);
    ASSERT_TRUE(StartServer(*server, base, true, TestHandler, nullptr, nullptr));
    EXPECT_EQ(server->Port, base + 7);
    const int socketBefore = server->ListenSocket;
    EXPECT_TRUE(StartServer(*server, base + 100, true, TestHandler, nullptr, nullptr));
    EXPECT_EQ(server->ListenSocket, socketBefore);
    EXPECT_EQ(server->Port, base + 7);
    StopServer(*server);
    for (int s : taken)
        close(s);
}

TEST(HttpServerStart, StartNormalisesNameIndexAndMimeText) {
    struct Case {
        const char* name;
        const char* kept;
    } cases[] = {{"morvi/1.3 (Win32)", "morvi/1.3 (Win32)"}, {"noslash", ""}, {"/lead", ""}};
    for (const auto& c : cases) {
        auto* server = &test::NewTestServer();
        server->ServerName = c.name;
        server->MimeTypes = " Jpg = image/x-foo ;\tTXT=Text/Plain";
        ASSERT_TRUE(StartServer(*server, test::FreePort(), true, TestHandler, nullptr, nullptr));
        EXPECT_EQ(server->ServerName, c.kept);
        EXPECT_EQ(server->IndexName, "index.html");
        EXPECT_EQ(server->MimeTypes, "jpg=image/x-foo;txt=text/plain");
        StopServer(*server);
    }
}

TEST(HttpDate, FormatsRfc1123) {
    TSystemTime t;
    t.Year = 1994, t.Month = 11, t.DayOfWeek = 0, t.Day = 6, t.Hour = 8, t.Minute = 49,
    t.Second = 37;
    EXPECT_EQ(FormatHttpDate(t), "Sun, 06 Nov 1994 08:49:37 GMT");
}

}  // namespace
}  // namespace palvex
