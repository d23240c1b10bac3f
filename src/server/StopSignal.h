#pragma once
// A one-way stop switch that waiting threads can poll together with their
// socket: the descriptor turns readable when the switch is thrown and stays
// so, which wakes every waiter at once without any of them polling on a
// short time-out.

#include <atomic>

namespace palvex {

class TStopSignal {
  public:
    TStopSignal();
    ~TStopSignal();
    TStopSignal(const TStopSignal&) = delete;
    TStopSignal& operator=(const TStopSignal&) = delete;

    // Throws the switch; every poll on Fd() returns from now on.
    void Raise();
    bool Raised() const { return raised_.load(std::memory_order_acquire); }
    // Readable once raised; -1 when no descriptor could be had (poll then
    // ignores it and waiters fall back to their time-outs).
    int Fd() const { return fd_; }

  private:
    int fd_ = -1;
    std::atomic<bool> raised_{false};
};

// Waits for events on socket (POLLIN or POLLOUT) or the stop signal, at most
// timeoutMs (-1: no limit). True when the socket is ready; false on time-out,
// stop or error.
bool WaitForSocket(int socket, short events, int stopFd, int timeoutMs);

}  // namespace palvex
