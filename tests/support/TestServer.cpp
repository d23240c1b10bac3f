#include "support/TestServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>
#include <vector>

namespace palvex::test {

namespace {
constexpr uint32_t kLoopback = 0x7F000001;
}

uint16_t FreePort() {
    static uint16_t next = static_cast<uint16_t>(20000 + (getpid() * 37) % 30000);
    for (;;) {
        const uint16_t port = next++;
        if (next > 60000) next = 20000;
        const int s = detail::OpenListener(port, kLoopback);
        if (s >= 0) {
            close(s);
            return port;
        }
    }
}

THttpServer& NewTestServer() {
    // Never freed but always reachable, as the program keeps its server: a
    // connection thread may outlive its test, even the end of the process.
    static auto* servers = new std::vector<THttpServer*>;
    servers->push_back(new THttpServer);
    servers->back()->BindAddress = kLoopback;
    return *servers->back();
}

THttpServer& StartTestServer(THook onRequest, THook onRequestParsed, uint32_t idleTimeout) {
    THttpServer* server = &NewTestServer();
    server->ServerName = "morvi/1.3 (Win32)";
    server->IdleTimeout = idleTimeout;
    server->RequestTimeout = 20;
    StartServer(*server, FreePort(), true, onRequest, nullptr, onRequestParsed);
    return *server;
}

int Connect(uint16_t port, uint32_t source, int receiveBuffer) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    if (receiveBuffer > 0)
        setsockopt(s, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    if (source != 0) {
        sockaddr_in from{};
        from.sin_family = AF_INET;
        from.sin_addr.s_addr = htonl(source);
        if (bind(s, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0) {
            close(s);
            return -1;
        }
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(kLoopback);
    if (connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(s);
        return -1;
    }
    return s;
}

bool SendAll(int socket, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

std::string ReadAll(int socket, std::chrono::milliseconds timeout) {
    std::string out;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    char buf[65536];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{socket, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
        const ssize_t n = recv(socket, buf, sizeof buf, 0);
        if (n <= 0) break;
        out.append(buf, static_cast<size_t>(n));
    }
    return out;
}

std::string Exchange(uint16_t port, std::string_view request, uint32_t source) {
    const int s = Connect(port, source);
    if (s < 0) return "<connect failed>";
    SendAll(s, request);
    std::string answer = ReadAll(s);
    close(s);
    return answer;
}

void SplitAnswer(const std::string& answer, std::string& head, std::string& body) {
    const size_t end = answer.find("\r\n\r\n");
    head = answer.substr(0, end == std::string::npos ? answer.size() : end + 2);
    body = end == std::string::npos ? std::string() : answer.substr(end + 4);
}

bool WaitIdle(const THttpServer& server, std::chrono::milliseconds timeout) {
    return WaitUntil([&] { return detail::ConnectionCount(server) == 0; }, timeout);
}

}  // namespace palvex::test
