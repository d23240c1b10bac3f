#include "server/LingeringClose.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_map>

#include "server/HttpServer.h"

namespace palvex {

namespace {

using TClock = std::chrono::steady_clock;

constexpr size_t kDrainBufferBytes = 4096;
// A client that keeps sending gets its turn again with the next wake.
constexpr size_t kDrainPerEventBytes = 65536;
constexpr int kMaxEvents = 64;
constexpr uint64_t kWakeId = 0;

enum class TDrain { Empty, Open, Closed };

// Reads and drops what the client sent, up to a bound; Empty when nothing
// was waiting.
TDrain Drain(int socket) {
    char sink[kDrainBufferBytes];
    for (size_t total = 0; total < kDrainPerEventBytes;) {
        const ssize_t n = recv(socket, sink, sizeof sink, MSG_DONTWAIT);
        if (n > 0) {
            total += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return total == 0 ? TDrain::Empty : TDrain::Open;
        return TDrain::Closed;
    }
    return TDrain::Open;
}

struct TLingering {
    int Socket;
    std::shared_ptr<TConnectionList> Run;
};

// One thread over an epoll set of lingering sockets; only this thread closes
// them, so a socket looked up under the lock stays valid after it.
class TCloser {
  public:
    // False when no closer can run here; the caller then closes itself.
    bool Add(int socket, std::shared_ptr<TConnectionList> run) {
        std::lock_guard lock(lock_);
        if (!Started()) return false;
        const uint64_t id = nextId_++;
        epoll_event ev{};
        ev.events = EPOLLIN | EPOLLRDHUP;
        ev.data.u64 = id;
        if (epoll_ctl(epoll_, EPOLL_CTL_ADD, socket, &ev) != 0) return false;
        items_.emplace(id, TLingering{socket, std::move(run)});
        expiries_.emplace_back(TClock::now() + kLingerLimit, id);
        return true;
    }

    void Cut() {
        std::lock_guard lock(lock_);
        if (!started_) return;
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(wake_, &one, sizeof one);
    }

    size_t Count() {
        std::lock_guard lock(lock_);
        return items_.size();
    }

  private:
    // Starts the thread once; under the lock.
    bool Started() {
        if (started_ || failed_) return started_;
        failed_ = true;
        epoll_ = epoll_create1(EPOLL_CLOEXEC);
        wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.u64 = kWakeId;
        if (epoll_ < 0 || wake_ < 0 || epoll_ctl(epoll_, EPOLL_CTL_ADD, wake_, &ev) != 0)
            return false;
        try {
            std::thread([this] { Loop(); }).detach();
        } catch (const std::system_error&) {
            return false;
        }
        failed_ = false;
        started_ = true;
        return true;
    }

    [[noreturn]] void Loop() {
        epoll_event events[kMaxEvents];
        for (;;) {
            const int n = epoll_wait(epoll_, events, kMaxEvents, MsUntilFirstDeadline());
            for (int i = 0; i < n; ++i) {
                if (events[i].data.u64 == kWakeId)
                    CloseStopped();
                else
                    OnReadable(events[i].data.u64);
            }
            CloseExpired();
        }
    }

    int MsUntilFirstDeadline() {
        std::lock_guard lock(lock_);
        if (expiries_.empty()) return -1;
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(expiries_.front().first - TClock::now());
        return static_cast<int>(std::max<long long>(left.count(), 0));
    }

    void OnReadable(uint64_t id) {
        int socket = -1;
        {
            std::lock_guard lock(lock_);
            const auto it = items_.find(id);
            if (it == items_.end()) return;
            socket = it->second.Socket;
        }
        if (Drain(socket) == TDrain::Closed) Close(id);
    }

    void CloseStopped() {
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t n = read(wake_, &count, sizeof count);
        std::vector<uint64_t> stopped;
        {
            std::lock_guard lock(lock_);
            for (const auto& [id, item] : items_)
                if (item.Run->Stop.Raised()) stopped.push_back(id);
        }
        for (uint64_t id : stopped)
            Close(id);
    }

    void CloseExpired() {
        const auto now = TClock::now();
        for (;;) {
            uint64_t id = 0;
            {
                std::lock_guard lock(lock_);
                if (expiries_.empty() || expiries_.front().first > now) return;
                id = expiries_.front().second;
                expiries_.pop_front();
            }
            Close(id);
        }
    }

    // Forgets and closes one socket; nothing when it is gone already.
    void Close(uint64_t id) {
        TLingering item{-1, nullptr};
        {
            std::lock_guard lock(lock_);
            const auto it = items_.find(id);
            if (it == items_.end()) return;
            item = std::move(it->second);
            items_.erase(it);
        }
        epoll_ctl(epoll_, EPOLL_CTL_DEL, item.Socket, nullptr);
        close(item.Socket);
    }

    std::mutex lock_;
    bool started_ = false;
    bool failed_ = false;
    int epoll_ = -1;
    int wake_ = -1;
    uint64_t nextId_ = kWakeId + 1;
    std::unordered_map<uint64_t, TLingering> items_;
    std::deque<std::pair<TClock::time_point, uint64_t>> expiries_;
};

TCloser& Closer() {
    static TCloser* closer = new TCloser;  // never freed: its thread runs to the end
    return *closer;
}

}  // namespace

void CloseGracefully(int socket, std::shared_ptr<TConnectionList> run, bool clientDone) {
    // A client that sent all its request and nothing since has no unread
    // bytes for a reset to drop: close sends the FIN without a shutdown.
    const bool stopped = run && run->Stop.Raised();
    if (clientDone && !stopped && Drain(socket) != TDrain::Open) {
        close(socket);
        return;
    }
    shutdown(socket, SHUT_WR);
    // A client that closed already (or is gone) needs no waiting; after a
    // stop nobody waits either.
    const TDrain drain = stopped ? TDrain::Closed : Drain(socket);
    if (drain == TDrain::Closed || !run || !Closer().Add(socket, std::move(run))) close(socket);
}

void CutLingeringCloses() {
    Closer().Cut();
}

size_t LingeringCount() {
    return Closer().Count();
}

}  // namespace palvex
