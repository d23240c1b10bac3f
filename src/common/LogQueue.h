#pragma once
// Log lines handed from threads that must never wait (request handling inside
// HookLock) to one consumer that may be slow or stall: a pipe whose reader
// stopped, a terminal on Ctrl-S, a busy window. Adding never blocks; when the
// queue is full a line is dropped and counted, and the count reaches the
// consumer as an entry of its own, in the place where the lines went missing.
//
// TLogWriter is such a consumer: one thread that writes the lines to a file
// descriptor (the headless program's stdout and stderr).

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace palvex {

constexpr size_t kMaxQueuedLogLines = 1024;
constexpr size_t kMaxQueuedLogBytes = 256 * 1024;

struct TLogEntry {
    std::string Line;
    size_t Dropped = 0;  // not 0: this many lines were dropped here (Line is empty)
};

class TLogQueue {
  public:
    explicit TLogQueue(size_t maxLines = kMaxQueuedLogLines, size_t maxBytes = kMaxQueuedLogBytes);
    TLogQueue(const TLogQueue&) = delete;
    TLogQueue& operator=(const TLogQueue&) = delete;

    // Queues a line without ever waiting; false when it was dropped for lack
    // of room.
    bool Push(std::string line);
    // Moves every entry (and a count of lines dropped since) into out, waiting
    // up to wait for the first. Until Done(), the entries count as in flight.
    void Take(std::vector<TLogEntry>& out, std::chrono::milliseconds wait);
    // The consumer has dealt with what it took.
    void Done();
    // Nothing queued, dropped or in flight.
    bool Idle() const;

  private:
    mutable std::mutex Lock_;  // a leaf: nothing else is taken while it is held
    std::condition_variable Ready_;
    std::deque<TLogEntry> Entries_;
    size_t Bytes_ = 0;
    size_t Dropped_ = 0;  // since the last count entry
    bool InFlight_ = false;
    const size_t MaxLines_;
    const size_t MaxBytes_;
};

// Text of the line that stands for dropped lines.
using TDroppedLinesText = std::string (*)(size_t dropped);

class TLogWriter {
  public:
    // Starts the writer thread for fd. Never destroy a writer: at the end of
    // the program its thread may still be blocked in a write.
    TLogWriter(int fd, TDroppedLinesText droppedText);
    TLogWriter(const TLogWriter&) = delete;
    TLogWriter& operator=(const TLogWriter&) = delete;

    // Queues line and a line end; never waits.
    void Write(std::string line);
    // Waits until everything queued is written, at most wait; false when the
    // reader did not take it in time.
    bool Drain(std::chrono::milliseconds wait);

  private:
    void Run();

    TLogQueue Queue_;
    const int Fd_;
    const TDroppedLinesText DroppedText_;
};

}  // namespace palvex
