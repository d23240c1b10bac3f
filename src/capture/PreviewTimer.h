#pragma once
// The live view of a capture source: one frame per interval on a thread of
// its own, stopped at once when asked.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace palvex {

constexpr std::chrono::milliseconds kPreviewInterval{200};

class TPreviewTimer {
  public:
    TPreviewTimer() = default;
    ~TPreviewTimer() { Set(false, {}); }
    TPreviewTimer(const TPreviewTimer&) = delete;
    TPreviewTimer& operator=(const TPreviewTimer&) = delete;

    // Starts calling tick once per interval, or stops and joins the thread.
    void Set(bool on, std::function<void()> tick);
    bool Running() const { return thread_.joinable(); }

  private:
    void Loop(std::stop_token stop);

    std::function<void()> tick_;
    std::jthread thread_;
    std::mutex waitMutex_;
    std::condition_variable_any wake_;
};

}  // namespace palvex
