#include "shell/HookLockTasks.h"

#include <QTimer>
#include <chrono>
#include <deque>
#include <mutex>

#include "server/HttpServer.h"

namespace palvex {

namespace {

// How often a waiting task tries the lock again.
constexpr std::chrono::milliseconds kRetryInterval{10};

std::deque<std::function<void()>>& Queue() {
    static std::deque<std::function<void()>> queue;
    return queue;
}

// Runs queued tasks while the lock can be had; asks the event loop to come
// back when it cannot.
void Drain() {
    std::deque<std::function<void()>>& queue = Queue();
    while (!queue.empty()) {
        std::unique_lock lock(HookLock, std::try_to_lock);
        if (!lock.owns_lock()) {
            QTimer::singleShot(kRetryInterval, [] { Drain(); });
            return;
        }
        std::function<void()> task = std::move(queue.front());
        queue.pop_front();
        task();
    }
}

}  // namespace

void RunWithHookLock(std::function<void()> task) {
    const bool idle = Queue().empty();
    Queue().push_back(std::move(task));
    if (idle) Drain();
}

bool HookLockTasksPending() {
    return !Queue().empty();
}

}  // namespace palvex
