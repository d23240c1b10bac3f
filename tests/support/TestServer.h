#pragma once
// A real server on a loopback port for tests, plus raw-socket clients.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

#include "server/HttpServer.h"
#include "server/ServerThread.h"

namespace palvex::test {

// A port nobody listens on right now (from a per-process range).
uint16_t FreePort();

// A fresh server bound to 127.0.0.1 that lives as long as the process.
THttpServer& NewTestServer();
// Starts a fresh server (never freed, so late threads stay safe) bound to
// 127.0.0.1 with the given hooks and short read time-outs.
THttpServer& StartTestServer(THook onRequest, THook onRequestParsed = nullptr,
                             uint32_t idleTimeout = 2);

// Connects to 127.0.0.1:port from the loopback address source (host order;
// 0: the system's choice), with a receive buffer of that many bytes when
// positive (a small window makes the server find the socket full); -1 on
// failure.
int Connect(uint16_t port, uint32_t source = 0, int receiveBuffer = 0);
// Sends all bytes; false on failure.
bool SendAll(int socket, std::string_view bytes);
// Reads until the peer closes or the time-out passes.
std::string ReadAll(int socket, std::chrono::milliseconds timeout = std::chrono::seconds(10));
// Connect, send, half-close nothing, read the whole answer, close.
std::string Exchange(uint16_t port, std::string_view request, uint32_t source = 0);
// Splits an answer into head (up to the blank line) and body.
void SplitAnswer(const std::string& answer, std::string& head, std::string& body);

// Waits until done() holds; false when the time-out passed first.
template <typename Predicate>
bool WaitUntil(Predicate done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Waits until the server's connection list is empty (or the time-out).
bool WaitIdle(const THttpServer& server,
              std::chrono::milliseconds timeout = std::chrono::seconds(10));

}  // namespace palvex::test
