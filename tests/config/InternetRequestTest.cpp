// The public-address request against echo servers on loopback.

#include "config/InternetRequest.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "common/Codecs.h"
#include "server/RequestParser.h"
#include "server/ServerThread.h"
#include "support/TestServer.h"

namespace palvex {
namespace {

using namespace std::chrono_literals;

std::string g_echo;     // what the echo server answers
std::string g_request;  // head lines and body it saw last

void Echo(THttpServerThread& conn) {
    g_request.clear();
    for (const std::string& line : conn.Headers)
        g_request += line + "\n";
    g_request += conn.RequestBody;
    conn.Status = rsOk;
    conn.ContentType = "text/plain";
    AppendBody(conn, g_echo);
}

class InternetRequestTest : public ::testing::Test {
  protected:
    void SetUp() override { server_ = &test::StartTestServer(Echo); }
    void TearDown() override { StopServer(*server_); }
    std::string Url(std::string_view object = "/ip") const {
        return "http://127.0.0.1:" + std::to_string(server_->Port) + std::string(object);
    }
    THttpServer* server_ = nullptr;
};

TEST_F(InternetRequestTest, PlainAnswerWithAndWithoutLineBreak) {
    std::string answer;
    g_echo = "203.0.113.7";
    ASSERT_TRUE(InternetRequest(Url(), true, true, answer));
    EXPECT_EQ(answer, "203.0.113.7");
    g_echo = "203.0.113.7\n";
    ASSERT_TRUE(InternetRequest(Url(), true, true, answer));
    EXPECT_EQ(answer, "203.0.113.7\n");
}

TEST_F(InternetRequestTest, GetSendsAgentAndNoCacheAndKeepsTheQuery) {
    std::string answer;
    g_echo = "x";
    ASSERT_TRUE(InternetRequest(Url("/ip?fmt=text"), false, true, answer));
    EXPECT_EQ(g_request.substr(0, g_request.find('\n')), "GET /ip?fmt=text HTTP/1.1");
    EXPECT_NE(g_request.find("User-Agent: Agent\n"), std::string::npos);
    EXPECT_NE(g_request.find("Pragma: no-cache\n"), std::string::npos);
    ASSERT_TRUE(InternetRequest(Url(), false, false, answer));
    EXPECT_EQ(g_request.find("Pragma"), std::string::npos);
}

TEST_F(InternetRequestTest, PostSendsTheDataAndProgressSeesEveryChunk) {
    g_echo = std::string(100000, 'a');
    const std::string data = "name=wert";
    TInternetProgress progress;
    static int calls;
    calls = 0;
    progress.Callback = [](std::string_view, TInternetProgress&, const std::string&) { ++calls; };
    std::string answer;
    ASSERT_TRUE(InternetRequest(Url(), false, false, answer, &progress, &data));
    EXPECT_EQ(g_request.substr(0, 5), "POST ");
    EXPECT_EQ(g_request.substr(g_request.size() - data.size()), data);
    EXPECT_EQ(answer.size(), 100000u);
    EXPECT_EQ(progress.Total, 100000);
    EXPECT_GT(progress.Available, 0u);
    EXPECT_TRUE(progress.Finished);
    EXPECT_GE(calls, 3);

    progress.Callback = [](std::string_view, TInternetProgress& p, const std::string&) {
        p.Cancel = true;
    };
    EXPECT_FALSE(InternetRequest(Url(), false, false, answer, &progress));
}

TEST(InternetRequest, RefusedPortSilentServerAndBadUrlFail) {
    std::string answer = "old";
    const uint16_t closed = test::FreePort();
    EXPECT_FALSE(
        InternetRequest("http://127.0.0.1:" + std::to_string(closed) + "/", false, true, answer));
    EXPECT_EQ(answer, "");
    EXPECT_FALSE(InternetRequest("kein url", false, true, answer));

    // Listening but never accepting: the connection stands, no answer comes.
    const uint16_t port = test::FreePort();
    const int silent = detail::OpenListener(port, 0x7F000001);
    ASSERT_GE(silent, 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(InternetRequest("http://127.0.0.1:" + std::to_string(port) + "/", false, true,
                                 answer, nullptr, nullptr, {500ms, 800ms}));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    close(silent);
}

}  // namespace
}  // namespace palvex
