// Request bodies that a hook sends to a file: the whole body lands in the
// file in order, the request is answered without waiting for the client to
// close its side, and a request that breaks off leaves no file behind.

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>

#include <gtest/gtest.h>

#include "server/HttpServer.h"
#include "support/TempDir.h"
#include "support/TestServer.h"

namespace palvex {
namespace {

using namespace std::chrono_literals;

std::string g_uploadPath;  // inside HookLock
uint32_t g_uploaded = 0;
size_t g_bodyInMemory = 0;

void UploadToFile(THttpServerThread& conn) {
    conn.UploadFileName = g_uploadPath;
}

void RecordUpload(THttpServerThread& conn) {
    g_uploaded = conn.UploadedBytes;
    g_bodyInMemory = conn.RequestBody.size();
    conn.Status = rsOk;
    conn.ResponseBody = "stored";
}

class Upload : public ::testing::Test {
  protected:
    void SetUp() override {
        {
            std::lock_guard lock(HookLock);
            g_uploadPath = dir_ / "upload.bin";
            g_uploaded = 0;
            g_bodyInMemory = 0;
        }
        server_ = &test::StartTestServer(RecordUpload, UploadToFile);
    }
    void TearDown() override { StopServer(*server_); }
    std::string Post(const std::string& body) {
        return test::Exchange(server_->Port, "POST / HTTP/1.0\r\nContent-Length: " +
                                                 std::to_string(body.size()) + "\r\n\r\n" + body);
    }
    test::TempDir dir_;
    THttpServer* server_ = nullptr;
};

// Bytes that differ by position, so a piece out of order or twice shows.
std::string Numbered(size_t bytes) {
    std::string text;
    for (size_t i = 0; text.size() < bytes; ++i)
        text += std::to_string(i) + ',';
    text.resize(bytes);
    return text;
}

TEST_F(Upload, BodiesSmallAndLargeLandWholeInTheFile) {
    for (size_t bytes : {size_t{50}, size_t{300000}}) {
        const std::string body = Numbered(bytes);
        EXPECT_TRUE(Post(body).ends_with("stored")) << bytes;
        EXPECT_TRUE(test::TempDir::ReadFile(dir_ / "upload.bin") == body) << bytes;
        std::lock_guard lock(HookLock);
        EXPECT_EQ(g_uploaded, bytes);
        EXPECT_EQ(g_bodyInMemory, 0u);
    }
}

TEST_F(Upload, ARequestThatBreaksOffLeavesNoFile) {
    const int s = test::Connect(server_->Port);
    test::SendAll(s, "POST / HTTP/1.0\r\nContent-Length: 300000\r\n\r\n" + Numbered(100000));
    const std::string path = dir_ / "upload.bin";
    ASSERT_TRUE(test::WaitUntil([&] { return std::filesystem::exists(path); }, 5s));
    struct linger hard = {1, 0};
    setsockopt(s, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    close(s);  // reset before the body is complete
    EXPECT_TRUE(test::WaitUntil([&] { return !std::filesystem::exists(path); }, 5s));
    EXPECT_TRUE(test::WaitIdle(*server_));
}

}  // namespace
}  // namespace palvex
