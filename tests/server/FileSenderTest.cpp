// File bodies sent straight from the file when no speed limit applies:
// progress reports and Abort still act, and a file that shrinks meanwhile
// ends the body short without harm.

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "common/TextConv.h"
#include "server/Response.h"
#include "server/StaticFiles.h"
#include "support/TempDir.h"
#include "support/TestServer.h"

namespace palvex {
namespace {

using namespace std::chrono_literals;

constexpr size_t kFileBytes = 8 * 1024 * 1024;
constexpr int kSmallWindow = 16384;
constexpr uint32_t kLongAgo = 100000;  // apart from every time of the hour

std::vector<uint16_t> g_progress;  // inside HookLock
bool g_abortOnProgress = false;

void RecordProgress(THttpServerThread& conn) {
    g_progress.push_back(conn.Progress);
    if (g_abortOnProgress && conn.Progress <= 100) conn.Abort = true;
}

// Serves files and reports progress from the first sent piece on.
void ServeWithProgress(THttpServerThread& conn) {
    DispatchRequest(conn);
    conn.OnProgress = RecordProgress;
    conn.LastProgressTime = kLongAgo;
}

class FileSender : public ::testing::Test {
  protected:
    void SetUp() override {
        SetAbortOnProgress(false);
        root_.Write("big.bin", std::string(kFileBytes, 'f'));
        server_ = &test::StartTestServer(ServeWithProgress);
        server_->Root = Utf8ToWide(root_.Path());
    }
    void TearDown() override { StopServer(*server_); }
    void SetAbortOnProgress(bool abort) {
        std::lock_guard lock(HookLock);
        g_abortOnProgress = abort;
        g_progress.clear();
    }
    std::vector<uint16_t> Progress() {
        std::lock_guard lock(HookLock);
        return g_progress;
    }
    // Starts a download of big.bin that stalls in the client's window.
    int StalledDownload() {
        const int s = test::Connect(server_->Port, 0, kSmallWindow);
        test::SendAll(s, "GET /big.bin HTTP/1.0\r\n\r\n");
        std::this_thread::sleep_for(300ms);
        return s;
    }
    std::string BodyOf(int s) {
        std::string head, body;
        test::SplitAnswer(test::ReadAll(s), head, body);
        EXPECT_NE(head.find("Content-Length: 8388608\r\n"), std::string::npos);
        return body;
    }
    test::TempDir root_;
    THttpServer* server_ = nullptr;
};

TEST_F(FileSender, ProgressIsReportedWhileTheFileGoesOutDirectly) {
    const int s = test::Connect(server_->Port);
    test::SendAll(s, "GET /big.bin HTTP/1.0\r\n\r\n");
    const std::string body = BodyOf(s);
    EXPECT_EQ(body.size(), kFileBytes);
    EXPECT_EQ(body.find_first_not_of('f'), std::string::npos);
    close(s);
    ASSERT_TRUE(test::WaitIdle(*server_));
    const std::vector<uint16_t> progress = Progress();
    ASSERT_GE(progress.size(), 2u);
    EXPECT_LT(progress.front(), 100);
    EXPECT_EQ(progress.back(), 101);
}

TEST_F(FileSender, AbortFromTheProgressHookEndsTheBodyShort) {
    SetAbortOnProgress(true);
    const int s = test::Connect(server_->Port);
    test::SendAll(s, "GET /big.bin HTTP/1.0\r\n\r\n");
    EXPECT_LT(BodyOf(s).size(), kFileBytes);
    close(s);
    EXPECT_TRUE(test::WaitIdle(*server_));
}

TEST_F(FileSender, AbortActsWhileTheSocketIsFull) {
    const int s = StalledDownload();
    const auto start = std::chrono::steady_clock::now();
    detail::AbortAllConnections(*server_);
    EXPECT_TRUE(test::WaitIdle(*server_, 2s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_LT(BodyOf(s).size(), kFileBytes);
    close(s);
}

// Bytes still in the socket may show the file as it is now (zeros past the
// new end of its last page); what lies before the new end is intact.
TEST_F(FileSender, FileThatShrinksWhileSentEndsTheBodyShort) {
    constexpr size_t kNewSize = 100000;
    const int s = StalledDownload();
    ASSERT_EQ(truncate((root_ / "big.bin").c_str(), kNewSize), 0);
    const std::string body = BodyOf(s);
    close(s);
    EXPECT_LT(body.size(), kFileBytes);
    const std::string intact = body.substr(0, kNewSize);
    EXPECT_EQ(intact.find_first_not_of('f'), std::string::npos);
    EXPECT_TRUE(test::WaitIdle(*server_));
    // The server goes on: the shorter file is served whole.
    EXPECT_GT(test::Exchange(server_->Port, "GET /big.bin HTTP/1.0\r\n\r\n").size(), kNewSize);
}

// The head leaves before the file bytes; a range past the first chunk must
// still start at its offset and carry exactly its bytes.
TEST_F(FileSender, HeadAndRangeBeyondTheFirstChunkComeOutWhole) {
    std::string pattern(200000, '\0');
    for (size_t i = 0; i < pattern.size(); ++i)
        pattern[i] = static_cast<char>(i % 251);
    root_.Write("pattern.bin", pattern);
    std::string head, body;
    test::SplitAnswer(test::Exchange(server_->Port, "GET /pattern.bin HTTP/1.0\r\n\r\n"), head,
                      body);
    EXPECT_NE(head.find("Content-Length: 200000\r\n"), std::string::npos) << head;
    EXPECT_TRUE(body == pattern);
    const std::string ranged = "GET /pattern.bin HTTP/1.0\r\nRange: bytes=1000-60999\r\n\r\n";
    test::SplitAnswer(test::Exchange(server_->Port, ranged), head, body);
    EXPECT_TRUE(head.starts_with("HTTP/1.0 206 ")) << head;
    EXPECT_NE(head.find("Content-Length: 60000\r\n"), std::string::npos) << head;
    EXPECT_TRUE(body == pattern.substr(1000, 60000));
}

TEST_F(FileSender, StopEndsAStalledTransferAtOnce) {
    const int s = StalledDownload();
    const auto start = std::chrono::steady_clock::now();
    StopServer(*server_);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(detail::ConnectionCount(*server_), 0u);
    EXPECT_LT(BodyOf(s).size(), kFileBytes);
    close(s);
}

}  // namespace
}  // namespace palvex
