// Path decoding, ranges and file answers against a real fixture folder.

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

#include <gtest/gtest.h>

#include "common/Codecs.h"
#include "common/TextConv.h"
#include "server/ByteRange.h"
#include "server/RequestParser.h"
#include "server/RequestPath.h"
#include "server/Response.h"
#include "server/StaticFiles.h"
#include "support/NoFreeDescriptors.h"
#include "support/TempDir.h"
#include "support/TestServer.h"

namespace palvex {
namespace {

using test::Exchange;
using test::SplitAnswer;

struct Conn {
    THttpServer server;
    THttpServerThread conn{server, -1, ParseIPv4("127.0.0.1")};
};

TEST(RequestPath, KindsAndCanonicalForm) {
    struct Case {
        const char* target;
        uint8_t kind;
        std::u16string rel;
        bool slashed;
    } cases[] = {
        {"/", kPathFolder, u"\\", false},
        {"/sub", kPathAny, u"sub", false},
        {"/sub/", kPathFolder, u"sub\\", false},
        {"//a.txt", kPathAny, u"a.txt", true},
        {"/a//b.txt", kPathAny, u"a\\b.txt", true},
        {"/a%5Cb?x=1", kPathAny, u"a\\b", false},
        {"/./private/x", kPathAny, u"private\\x", true},
        {"/a/./b", kPathAny, u"a\\b", true},
        {"/a/.", kPathFolder, u"a\\", true},
        {"/.", kPathFolder, u"\\", true},
        {"/.hidden", kPathAny, u".hidden", false},
        {"/*chat/x", kPathVirtual, u"*chat\\x", false},
        {"/fotos/*extra/dir.css", kPathVirtual, u"fotos\\*extra\\dir.css", false},
        {"/M%FCll.txt", kPathAny, u"Müll.txt", false},
        {"/../x", kPathInvalid, u"", false},
        {"/a/%2e%2e/x", kPathInvalid, u"", false},
        {"/a:b", kPathInvalid, u"", false},
        {"/a*b", kPathInvalid, u"", false},
        {"/a%00b", kPathInvalid, u"", false},
        {"/a%3Cb", kPathInvalid, u"", false},
        {"*", kPathInvalid, u"", false},
        {"http://host/a", kPathInvalid, u"", false},
        {"", kPathInvalid, u"", false},
    };
    for (const auto& c : cases) {
        const TRequestPath p = ParseRequestPath(c.target);
        EXPECT_EQ(p.Kind, c.kind) << c.target;
        EXPECT_EQ(p.RelPath, c.rel) << c.target;
        EXPECT_EQ(p.Slashed, c.slashed) << c.target;
    }
    EXPECT_EQ(ParseRequestPath("/" + std::string(1025, 'a')).Kind, kPathInvalid);
}

// The log shows the decoded path as asked, also for paths refused later.
TEST(RequestPath, LogPathIsTheDecodedTarget) {
    EXPECT_EQ(ParseRequestPath("/").LogPath, u"\\");
    EXPECT_EQ(ParseRequestPath("//a/./b?q").LogPath, u"\\a\\.\\b");
    EXPECT_EQ(ParseRequestPath("/../x").LogPath, u"..\\x");
    EXPECT_EQ(ParseRequestPath("/a%00b").LogPath, u"");
    EXPECT_EQ(ParseRequestPath("x").LogPath, u"");
}

TEST(Range, SingleRangesOnAThousandBytes) {
    struct Case {
        const char* range;
        uint8_t status;
        uint32_t start, length;
        const char* contentRange;
    } cases[] = {
        {"bytes=0-99", rsPartial, 0, 100, "0-99/1000"},
        {"bytes=100-199", rsPartial, 100, 100, "100-199/1000"},
        {"bytes=-100", rsPartial, 900, 100, "900-999/1000"},
        {"bytes=500-", rsPartial, 500, 500, "500-999/1000"},
        {"bytes=990-5000", rsPartial, 990, 10, "990-999/1000"},
        {"BYTES= 5 - 9 ", rsPartial, 5, 5, "5-9/1000"},
        {"bytes=-5000", rsOk, 0, 1000, ""},
        {"bytes=0-999", rsOk, 0, 1000, ""},
        {"bytes=0-", rsOk, 0, 1000, ""},
        {"bytes=1000-1100", rsOk, 0, 1000, ""},
        {"bytes=700-600", rsOk, 0, 1000, ""},
        {"bytes=0-9,20-29", rsOk, 0, 1000, ""},
        {"bytes =0-9", rsOk, 0, 1000, ""},
        {"items=0-9", rsOk, 0, 1000, ""},
        {"bytes=x-9", rsOk, 0, 1000, ""},
        {"bytes=-", rsOk, 0, 1000, ""},
        {"bytes=99999999999999999999-", rsOk, 0, 1000, ""},
    };
    for (const auto& c : cases) {
        const std::optional<TByteRange> range = ParseRange(c.range, 1000);
        ASSERT_EQ(range.has_value(), c.status == rsPartial) << c.range;
        if (!range) continue;
        EXPECT_EQ(range->Start, c.start) << c.range;
        EXPECT_EQ(range->Length, c.length) << c.range;
        EXPECT_EQ(range->ContentRange, c.contentRange) << c.range;
    }
}

TEST(FileNames, ForbiddenAndImageNames) {
    for (const char16_t* name :
         {u".htaccess", u".FileInfo", u"x.php", u"x.PHP3", u"a.b.phtml.php5"})
        EXPECT_TRUE(IsForbiddenName(name)) << WideToUtf8(name);
    for (const char16_t* name : {u"php", u"x.ph", u"x.html", u"a.php.txt", u".htaccess2"})
        EXPECT_FALSE(IsForbiddenName(name)) << WideToUtf8(name);
    for (const char16_t* ext : {u".jpg", u"JPEG", u".Tiff", u".bmp", u".gif", u".png", u".jpe"})
        EXPECT_TRUE(IsImageExtension(ext));
    for (const char16_t* ext : {u"", u".", u".svg", u".jpgx"})
        EXPECT_FALSE(IsImageExtension(ext));
}

TEST(StaticFiles, OutOfDescriptorsExistingFilesAnswerOverloadNotMissing) {
    test::TempDir root;
    root.Write("a.txt", "hello");
    root.Write("sub/index.html", "<p>sub</p>");
    root.MakeDir("nodir");
    const auto serve = [&](const std::string& target) {
        Conn t;
        t.server.Root = Utf8ToWide(root.Path());
        t.server.IndexName = "index.html";
        ParseHead(t.conn, "GET " + target + " HTTP/1.0");
        DispatchRequest(t.conn);
        return t.conn.Status;
    };
    {
        test::NoFreeDescriptors exhausted;
        EXPECT_EQ(serve("/a.txt"), rsOverload);
        EXPECT_EQ(serve("/sub/"), rsOverload);
        EXPECT_EQ(serve("/missing.txt"), rsNotFound);
        EXPECT_EQ(serve("/nodir/"), rsForbidden);  // no index document there anyway
    }
    EXPECT_EQ(serve("/a.txt"), rsOk);
    EXPECT_EQ(serve("/sub/"), rsOk);
}

std::string Digits(size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i)
        s += static_cast<char>('0' + i % 10);
    return s;
}

uint8_t g_speedLimit = 0;

void SetSpeedLimit(uint8_t limit) {
    std::lock_guard lock(HookLock);
    g_speedLimit = limit;
}

void ServeAndThrottle(THttpServerThread& conn) {
    DispatchRequest(conn);
    conn.SpeedLimit = g_speedLimit;
}

class StaticFilesHttp : public ::testing::Test {
  protected:
    void SetUp() override {
        SetSpeedLimit(0);
        root_.Write("a.txt", Digits(1000));
        root_.Write("sub/index.html", "<p>sub</p>");
        root_.Write("nodir/x.txt", "x");
        root_.Write("empty.txt", "");
        root_.Write("mid.bin", Digits(20000));
        root_.Write("small.bin", Digits(10000));
        root_.Write("big.bin", Digits(600000));
        root_.Write(".htaccess", "deny");
        root_.Write("x.php3", "<?php");
        root_.Write("M\xC3\xBCll.txt", "umlaut");
        root_.Write("README", "no extension");
        server_ = &test::StartTestServer(ServeAndThrottle);
        server_->Root = Utf8ToWide(root_.Path());
        server_->ListingEnabled = true;
    }
    void TearDown() override { StopServer(*server_); }
    std::string Get(const std::string& path, const std::string& extra = "") {
        return Exchange(server_->Port, "GET " + path + " HTTP/1.0\r\n" + extra + "\r\n");
    }
    std::string Body(const std::string& path, const std::string& extra = "") {
        std::string head, body;
        SplitAnswer(Get(path, extra), head, body);
        return body;
    }
    std::string LastModifiedOf(const std::string& name) {
        struct stat st {};
        stat((root_.Path() + name).c_str(), &st);
        return FormatHttpDate(SystemTimeFromUnix(st.st_mtime));
    }
    test::TempDir root_;
    THttpServer* server_ = nullptr;
};

TEST_F(StaticFilesHttp, SmallFileHasItsExactHead) {
    const std::string lm = LastModifiedOf("a.txt");
    const std::string answer = Get("/a.txt");
    const size_t date = answer.find("Date: ");
    ASSERT_NE(date, std::string::npos);
    const std::string expectedTail = "Last-Modified: " + lm +
                                     "\r\nContent-Type: text/plain\r\nContent-Length: 1000\r\n"
                                     "Connection: close\r\n\r\n" +
                                     Digits(1000);
    EXPECT_TRUE(answer.starts_with("HTTP/1.0 200 Ok\r\nServer: morvi/1.3 (Win32)\r\nDate: "));
    EXPECT_TRUE(answer.ends_with(expectedTail)) << answer.substr(0, 300);
}

TEST_F(StaticFilesHttp, FoldersIndexAndMissingThings) {
    EXPECT_EQ(Body("/sub"), "<p>sub</p>");
    EXPECT_EQ(Body("/sub/"), "<p>sub</p>");
    EXPECT_EQ(Body("//a.txt"), Digits(1000));
    EXPECT_TRUE(Get("/nodir/").starts_with("HTTP/1.0 404 Not found"));  // no listing object
    server_->ListingEnabled = false;
    EXPECT_TRUE(Get("/nodir/").starts_with("HTTP/1.0 403 Forbidden"));
    EXPECT_TRUE(Get("/missing.txt").starts_with("HTTP/1.0 404 Not found"));
    EXPECT_TRUE(Get("/empty.txt").starts_with("HTTP/1.0 404 Not found"));
    EXPECT_TRUE(Get("/.htaccess").starts_with("HTTP/1.0 400 Bad Request"));
    EXPECT_TRUE(Get("/.FileInfo").starts_with("HTTP/1.0 404 Not found"));
    EXPECT_TRUE(Get("/x.php3").starts_with("HTTP/1.0 400 Bad Request"));
    EXPECT_TRUE(Get("/../etc/passwd").starts_with("HTTP/1.0 400 Bad Request"));
    EXPECT_TRUE(Get("*").starts_with("HTTP/1.0 400 Bad Request"));
    EXPECT_TRUE(Get("/*extra/dir.css").starts_with("HTTP/1.0 404 Not found"));
    EXPECT_EQ(Get("/README").find("Content-Type"), std::string::npos);
}

TEST_F(StaticFilesHttp, Utf8EscapesFindTheSameFileAsLatin1Escapes) {
    EXPECT_EQ(Body("/M%FCll.txt"), "umlaut");
    EXPECT_EQ(Body("/M%C3%BCll.txt"), "umlaut");
    EXPECT_TRUE(Get("/M%C3%BCllx.txt").starts_with("HTTP/1.0 404"));
}

TEST_F(StaticFilesHttp, EncodedQuestionMarkNamesAFile) {
    root_.Write("a?b.txt", "question");
    EXPECT_EQ(Body("/a%3Fb.txt"), "question");
}

TEST_F(StaticFilesHttp, ConditionalGet) {
    const std::string lm = LastModifiedOf("a.txt");
    EXPECT_EQ(Get("/a.txt", "If-Modified-Since: " + lm + "\r\n"),
              "HTTP/1.0 304 Not modified\r\nConnection: close\r\n\r\n ");
    EXPECT_TRUE(Get("/a.txt", "If-Modified-Since: " + lm + "; length=1000\r\n")
                    .starts_with("HTTP/1.0 304"));
    EXPECT_TRUE(
        Get("/a.txt", "If-Modified-Since: " + AsciiUpper(lm) + "\r\n").starts_with("HTTP/1.0 200"));
}

TEST_F(StaticFilesHttp, RangesAndAcceptRanges) {
    const std::string answer = Get("/a.txt", "Range: bytes=100-199\r\n");
    EXPECT_TRUE(answer.starts_with("HTTP/1.0 206 Partial Content\r\n"));
    EXPECT_NE(answer.find("Content-Length: 100\r\nContent-Range: bytes 100-199/1000\r\n"),
              std::string::npos);
    EXPECT_EQ(answer.find("Accept-Ranges"), std::string::npos);
    EXPECT_EQ(Body("/a.txt", "Range: bytes=100-199\r\n"), Digits(1000).substr(100, 100));
    EXPECT_NE(Get("/mid.bin").find("Accept-Ranges: bytes\r\n"), std::string::npos);
    EXPECT_EQ(Get("/small.bin").find("Accept-Ranges"), std::string::npos);
    EXPECT_EQ(Body("/big.bin", "Range: bytes=-70000\r\n"), Digits(600000).substr(530000));
}

TEST_F(StaticFilesHttp, LargeFilesStreamWholeAndHeadReadsNothing) {
    EXPECT_EQ(Body("/big.bin"), Digits(600000));
    const std::string head = Exchange(server_->Port, "HEAD /big.bin HTTP/1.0\r\n\r\n");
    EXPECT_NE(head.find("Content-Length: 600000\r\n"), std::string::npos);
    EXPECT_TRUE(head.ends_with("\r\n\r\n "));
}

TEST_F(StaticFilesHttp, FourthLargeTransferToOnePeerIsRefused) {
    SetSpeedLimit(2);  // keep the first three running
    std::vector<int> running;
    for (int i = 0; i < 3; ++i) {
        running.push_back(test::Connect(server_->Port));
        test::SendAll(running.back(), "GET /big.bin HTTP/1.0\r\n\r\n");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(
        Get("/big.bin"),
        "HTTP/1.0 503 Service Unavailable\r\nServer: morvi/1.3 (Win32)\r\nContent-Type: "
        "text/plain\r\nCache-Control: no-cache\r\nConnection: close\r\n\r\ntemporary overload");
    EXPECT_TRUE(Get("/a.txt").starts_with("HTTP/1.0 200"));  // small files are not counted
    for (int s : running)
        close(s);
    EXPECT_TRUE(test::WaitIdle(*server_));
    SetSpeedLimit(0);
    EXPECT_TRUE(Get("/big.bin", "Range: bytes=0-99\r\n").starts_with("HTTP/1.0 206"));
}

TEST_F(StaticFilesHttp, FileTruncatedWhileStreamingEndsShort) {
    SetSpeedLimit(2);
    const int s = test::Connect(server_->Port);
    test::SendAll(s, "GET /big.bin HTTP/1.0\r\n\r\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(truncate((root_.Path() + "big.bin").c_str(), 40000), 0);
    SetSpeedLimit(0);
    std::string head, body;
    SplitAnswer(test::ReadAll(s, std::chrono::seconds(30)), head, body);
    close(s);
    EXPECT_NE(head.find("Content-Length: 600000"), std::string::npos);
    EXPECT_LT(body.size(), 600000u);
}

}  // namespace
}  // namespace palvex

namespace palvex {
namespace {

size_t BigFileConnections(const THttpServer& server) {
    std::lock_guard lock(server.Connections->Lock);
    size_t n = 0;
    for (const THttpServerThread* conn : server.Connections->Items)
        n += conn->BigFile;
    return n;
}

TEST_F(StaticFilesHttp, ClientResetDuringLargeTransferEndsItsThread) {
    SetSpeedLimit(2);
    const int s = test::Connect(server_->Port);
    test::SendAll(s, "GET /big.bin HTTP/1.0\r\n\r\n");
    char buf[512];
    ASSERT_GT(recv(s, buf, sizeof buf, 0), 0);
    EXPECT_EQ(BigFileConnections(*server_), 1u);
    struct linger hard = {1, 0};
    setsockopt(s, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    close(s);
    EXPECT_TRUE(test::WaitIdle(*server_, std::chrono::seconds(5)));
    EXPECT_EQ(BigFileConnections(*server_), 0u);
}

TEST_F(StaticFilesHttp, StopWithTwoHundredConnectionsOpen) {
    SetSpeedLimit(1);
    server_->IdleTimeout = 30;  // readers must end by the stop, not by their time-out
    std::vector<int> clients;
    for (int i = 0; i < 200; ++i) {
        const int s = test::Connect(server_->Port);
        ASSERT_GE(s, 0);
        // Half are still sending their head, half receive a throttled answer.
        test::SendAll(s, i % 2 ? "GET /a.txt HTTP/1.0\r\n" : "GET /mid.bin HTTP/1.0\r\n\r\n");
        clients.push_back(s);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const auto start = std::chrono::steady_clock::now();
    StopServer(*server_);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(7));
    EXPECT_EQ(detail::ConnectionCount(*server_), 0u);
    for (int s : clients)
        close(s);
}

}  // namespace
}  // namespace palvex
