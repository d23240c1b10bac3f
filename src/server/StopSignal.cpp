#include "server/StopSignal.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace palvex {

TStopSignal::TStopSignal() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

TStopSignal::~TStopSignal() {
    if (fd_ >= 0) close(fd_);
}

void TStopSignal::Raise() {
    raised_.store(true, std::memory_order_release);
    if (fd_ < 0) return;
    const uint64_t one = 1;
    // Nobody ever reads the counter, so it stays readable; a full counter
    // cannot happen with one write per stop.
    [[maybe_unused]] const ssize_t n = write(fd_, &one, sizeof one);
}

bool WaitForSocket(int socket, short events, int stopFd, int timeoutMs) {
    pollfd fds[2] = {{socket, events, 0}, {stopFd, POLLIN, 0}};
    for (;;) {
        const int r = poll(fds, 2, timeoutMs);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0 || fds[1].revents != 0) return false;
        return fds[0].revents != 0;
    }
}

}  // namespace palvex
