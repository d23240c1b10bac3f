#include "capture/PreviewTimer.h"

namespace palvex {

void TPreviewTimer::Set(bool on, std::function<void()> tick) {
    if (on == thread_.joinable()) return;
    if (on) {
        tick_ = std::move(tick);
        thread_ = std::jthread([this](std::stop_token stop) { Loop(stop); });
        return;
    }
    thread_.request_stop();
    thread_.join();
}

void TPreviewTimer::Loop(std::stop_token stop) {
    std::unique_lock lock(waitMutex_);
    while (!stop.stop_requested()) {
        // Wakes early when asked to stop; otherwise one frame per interval.
        wake_.wait_for(lock, stop, kPreviewInterval, [] { return false; });
        if (stop.stop_requested()) break;
        lock.unlock();
        tick_();
        lock.lock();
    }
}

}  // namespace palvex
