// Graceful closes finished by the one closer thread: the client's close, the
// time limit, the stop, and a client still sending while it is answered.

#include "server/LingeringClose.h"

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "server/ServerThread.h"
#include "support/TestServer.h"

namespace palvex {
namespace {

using namespace std::chrono_literals;

constexpr size_t kBigAnswer = 300000;

void BigAnswer(THttpServerThread& conn) {
    conn.Status = rsOk;
    conn.ContentType = "text/plain";
    conn.ResponseBody = std::string(kBigAnswer, 'b');
}

// Sends a request with a body (after which a client may send more), reads
// the answer up to the server's end, keeps the socket.
int AnsweredButOpen(uint16_t port) {
    const int s = test::Connect(port);
    test::SendAll(s, "POST / HTTP/1.0\r\nContent-Length: 2\r\n\r\nab");
    EXPECT_GT(test::ReadAll(s).size(), kBigAnswer);
    return s;
}

TEST(LingeringClose, ClientsThatCloseAreLetGoAtOnce) {
    THttpServer& server = test::StartTestServer(BigAnswer);
    for (int i = 0; i < 10; ++i)
        EXPECT_GT(test::Exchange(server.Port, "GET / HTTP/1.0\r\n\r\n").size(), kBigAnswer);
    EXPECT_TRUE(test::WaitUntil([] { return LingeringCount() == 0; }, 1s));
    StopServer(server);
}

TEST(LingeringClose, ClientThatNeverClosesIsLetGoAfterTheLimit) {
    THttpServer& server = test::StartTestServer(BigAnswer);
    const int s = AnsweredButOpen(server.Port);
    const auto start = std::chrono::steady_clock::now();
    // The answer's end reaches the client a moment before the socket is taken over.
    EXPECT_TRUE(test::WaitUntil([] { return LingeringCount() == 1; }, 1s));
    EXPECT_TRUE(test::WaitUntil([] { return LingeringCount() == 0; }, 5s));
    EXPECT_GT(std::chrono::steady_clock::now() - start, kLingerLimit / 2);
    close(s);
    StopServer(server);
}

TEST(LingeringClose, StopClosesLingeringSocketsAtOnce) {
    THttpServer& server = test::StartTestServer(BigAnswer);
    std::vector<int> clients;
    for (int i = 0; i < 20; ++i)
        clients.push_back(AnsweredButOpen(server.Port));
    EXPECT_TRUE(test::WaitUntil([] { return LingeringCount() == 20; }, 1s));
    const auto start = std::chrono::steady_clock::now();
    StopServer(server);
    EXPECT_TRUE(test::WaitUntil([] { return LingeringCount() == 0; }, 1s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, kLingerLimit / 2);
    for (int s : clients)
        close(s);
}

// A GET that was read whole, with nothing sent since, needs no lingering.
TEST(LingeringClose, CompleteGetIsClosedAtOnce) {
    THttpServer& server = test::StartTestServer(BigAnswer);
    const int s = test::Connect(server.Port);
    test::SendAll(s, "GET / HTTP/1.0\r\n\r\n");
    EXPECT_GT(test::ReadAll(s).size(), kBigAnswer);
    EXPECT_EQ(LingeringCount(), 0u);
    close(s);
    StopServer(server);
}

// Whatever the client still sends is read and dropped, so that closing does
// not reset the connection while the answer is on its way.
TEST(LingeringClose, ClientStillSendingGetsItsWholeAnswer) {
    THttpServer& server = test::StartTestServer(BigAnswer);
    for (int round = 0; round < 5; ++round) {
        const int s = test::Connect(server.Port);
        test::SendAll(s, "POST / HTTP/1.0\r\nContent-Length: 4\r\n\r\nbody");
        std::thread sender([s] { test::SendAll(s, std::string(400000, 'j')); });
        std::this_thread::sleep_for(50ms);  // the answer waits in the socket
        std::string head, body;
        test::SplitAnswer(test::ReadAll(s), head, body);
        sender.join();
        EXPECT_EQ(body.size(), kBigAnswer) << "round " << round;
        close(s);
    }
    StopServer(server);
}

}  // namespace
}  // namespace palvex
