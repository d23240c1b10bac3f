// Reused connection threads and the stop wake-up of waiting connections, over
// real loopback sockets.

#include "server/ConnectionThreads.h"

#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "server/ServerThread.h"
#include "support/TestServer.h"

namespace palvex {
namespace {

using namespace std::chrono_literals;
using test::Exchange;

constexpr std::string_view kRequest = "GET / HTTP/1.0\r\n\r\n";
constexpr std::string_view kPong = "\r\n\r\npong";

void Pong(THttpServerThread& conn) {
    conn.Status = rsOk;
    conn.ContentType = "text/plain";
    conn.ResponseBody = "pong";
}

// "/slow" is sent at 1 KiB/s, long enough to keep its thread asleep.
void PongOrSlow(THttpServerThread& conn) {
    Pong(conn);
    if (conn.RequestURI != "/slow") return;
    conn.ResponseBody = std::string(64 * 1024, 's');
    conn.SpeedLimit = 1;
}

// Starts a test server on a fresh port with settings made before the start.
THttpServer& StartWith(uint32_t idleTimeout, uint32_t spareThreadSeconds) {
    THttpServer& server = test::NewTestServer();
    server.IdleTimeout = idleTimeout;
    server.SpareThreadSeconds = spareThreadSeconds;
    StartServer(server, test::FreePort(), true, Pong, nullptr, nullptr);
    return server;
}

// Opens n connections that send half a head and then wait.
std::vector<int> WaitingReaders(uint16_t port, int n) {
    std::vector<int> sockets;
    for (int i = 0; i < n; ++i) {
        sockets.push_back(test::Connect(port));
        test::SendAll(sockets.back(), "GET / HTTP/1.0\r\n");
    }
    return sockets;
}

void CloseAll(const std::vector<int>& sockets) {
    for (int s : sockets)
        close(s);
}

// All n connections are counted and every thread serving one has gone to
// sleep on its client (a thread counts its connection a moment before).
bool AllAsleepOnClients(const THttpServer& server, const TConnectionList& run, size_t n) {
    return detail::ConnectionCount(server) == n && run.Working.load() == 0;
}

long VoluntarySwitches() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw;
}

TEST(ConnectionThreads, ThreadsAreReusedAndNoConnectionIsLost) {
    THttpServer& server = test::StartTestServer(Pong);
    const std::shared_ptr<TConnectionList> run = server.Connections;
    constexpr int kClients = 8;
    constexpr int kEach = 50;
    std::atomic<int> answered{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c)
        clients.emplace_back([&] {
            for (int i = 0; i < kEach; ++i)
                answered += Exchange(server.Port, kRequest).ends_with(kPong);
        });
    for (std::thread& t : clients)
        t.join();
    EXPECT_EQ(answered, kClients * kEach);
    // Far fewer threads than connections: finished ones took the next.
    EXPECT_LT(run->Threads.load(), kClients * kEach / 4);
    StopServer(server);
    EXPECT_EQ(run->Threads.load(), 0);
}

TEST(ConnectionThreads, StopWhileClientsKeepComingLeavesNoThread) {
    THttpServer& server = test::StartTestServer(Pong);
    const std::shared_ptr<TConnectionList> run = server.Connections;
    std::atomic<bool> going{true};
    std::atomic<int> answered{0}, broken{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < 8; ++c)
        clients.emplace_back([&] {
            while (going) {
                const std::string answer = Exchange(server.Port, kRequest);
                if (answer.ends_with(kPong))
                    ++answered;
                else if (!answer.empty() && answer != "<connect failed>")
                    ++broken;  // an answer cut in the middle
            }
        });
    std::this_thread::sleep_for(300ms);
    const auto start = std::chrono::steady_clock::now();
    StopServer(server);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    going = false;
    for (std::thread& t : clients)
        t.join();
    EXPECT_GT(answered, 0);
    EXPECT_EQ(broken, 0);
    EXPECT_EQ(run->Threads.load(), 0);
    EXPECT_EQ(detail::ConnectionCount(server), 0u);
}

TEST(ConnectionThreads, SpareThreadsEndAfterTheirIdleTime) {
    THttpServer& server = StartWith(5, 1);
    const std::shared_ptr<TConnectionList> run = server.Connections;
    const std::vector<int> readers = WaitingReaders(server.Port, 12);
    ASSERT_TRUE(test::WaitUntil([&] { return AllAsleepOnClients(server, *run, 12); }, 5s));
    EXPECT_GT(run->Threads.load(), 12);  // and one more waits in accept
    for (int s : readers)
        test::SendAll(s, "\r\n");
    for (int s : readers)
        EXPECT_TRUE(test::ReadAll(s).ends_with(kPong));
    CloseAll(readers);
    EXPECT_TRUE(test::WaitUntil([&] { return run->Threads.load() <= kReserveThreads; }, 6s));
    EXPECT_GE(run->Threads.load(), 1);
    EXPECT_TRUE(Exchange(server.Port, kRequest).ends_with(kPong));
    StopServer(server);
}

// Only a few threads stay awake; every one asleep on a slow transfer or a
// slow client is replaced, so that a new client is still served at once.
TEST(ConnectionThreads, ThreadsAsleepOnTheirClientsAreReplaced) {
    THttpServer& server = test::StartTestServer(PongOrSlow);
    const std::shared_ptr<TConnectionList> run = server.Connections;
    std::vector<int> slow;
    for (int i = 0; i < AwakeThreadLimit() + 2; ++i) {
        slow.push_back(test::Connect(server.Port));
        test::SendAll(slow.back(), "GET /slow HTTP/1.0\r\n\r\n");
    }
    const std::vector<int> readers = WaitingReaders(server.Port, AwakeThreadLimit() + 2);
    const size_t expected = slow.size() + readers.size();
    ASSERT_TRUE(test::WaitUntil([&] { return AllAsleepOnClients(server, *run, expected); }, 5s));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(Exchange(server.Port, kRequest).ends_with(kPong));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    CloseAll(slow);
    CloseAll(readers);
    StopServer(server);
    EXPECT_EQ(run->Threads.load(), 0);
}

// Waiting readers sleep until bytes, a time-out or the stop: they cost no
// wake-ups, a normal client is served meanwhile, and the stop ends them at
// once instead of after their time-outs.
TEST(ConnectionThreads, WaitingReadersSleepUntilTheStopWakesThem) {
    THttpServer& server = StartWith(30, 20);
    const std::shared_ptr<TConnectionList> run = server.Connections;
    const std::vector<int> readers = WaitingReaders(server.Port, 100);
    ASSERT_TRUE(test::WaitUntil([&] { return detail::ConnectionCount(server) == 100; }, 5s));
    const long switchesBefore = VoluntarySwitches();
    std::this_thread::sleep_for(1s);
    // Polling every 50 ms would take 2,000 switches here.
    EXPECT_LT(VoluntarySwitches() - switchesBefore, 200);
    EXPECT_TRUE(Exchange(server.Port, kRequest).ends_with(kPong));
    const auto start = std::chrono::steady_clock::now();
    StopServer(server);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(detail::ConnectionCount(server), 0u);
    EXPECT_EQ(run->Threads.load(), 0);
    for (int s : readers)
        EXPECT_EQ(test::ReadAll(s, 2s), "");
    CloseAll(readers);
}

}  // namespace
}  // namespace palvex
