#include "common/LogQueue.h"

#include <thread>

#include "common/FileIo.h"

namespace palvex {

namespace {
constexpr std::chrono::milliseconds kWriterWait{1000};
// Lines that come while a batch is written wait this long and go out with
// the next one: under load one wake-up writes many requests' lines.
constexpr std::chrono::milliseconds kWriterGather{5};
constexpr std::chrono::milliseconds kDrainPoll{10};
}  // namespace

TLogQueue::TLogQueue(size_t maxLines, size_t maxBytes) : MaxLines_(maxLines), MaxBytes_(maxBytes) {}

bool TLogQueue::Push(std::string line) {
    {
        std::lock_guard lock(Lock_);
        if (Entries_.size() >= MaxLines_ || Bytes_ + line.size() > MaxBytes_) {
            ++Dropped_;
            return false;
        }
        if (Dropped_ > 0) {
            Entries_.push_back({{}, Dropped_});
            Dropped_ = 0;
        }
        Bytes_ += line.size();
        Entries_.push_back({std::move(line), 0});
    }
    Ready_.notify_one();
    return true;
}

void TLogQueue::Take(std::vector<TLogEntry>& out, std::chrono::milliseconds wait) {
    out.clear();
    std::unique_lock lock(Lock_);
    Ready_.wait_for(lock, wait, [this] { return !Entries_.empty() || Dropped_ > 0; });
    out.assign(std::make_move_iterator(Entries_.begin()), std::make_move_iterator(Entries_.end()));
    Entries_.clear();
    Bytes_ = 0;
    if (Dropped_ > 0) out.push_back({{}, Dropped_});
    Dropped_ = 0;
    InFlight_ = !out.empty();
}

void TLogQueue::Done() {
    std::lock_guard lock(Lock_);
    InFlight_ = false;
}

bool TLogQueue::Idle() const {
    std::lock_guard lock(Lock_);
    return Entries_.empty() && Dropped_ == 0 && !InFlight_;
}

TLogWriter::TLogWriter(int fd, TDroppedLinesText droppedText) : Fd_(fd), DroppedText_(droppedText) {
    std::thread([this] { Run(); }).detach();
}

void TLogWriter::Write(std::string line) {
    line += '\n';
    Queue_.Push(std::move(line));
}

bool TLogWriter::Drain(std::chrono::milliseconds wait) {
    const auto end = std::chrono::steady_clock::now() + wait;
    while (!Queue_.Idle()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(kDrainPoll);
    }
    return true;
}

void TLogWriter::Run() {
    std::vector<TLogEntry> batch;
    std::string text;
    for (;;) {
        Queue_.Take(batch, kWriterWait);
        text.clear();
        for (const TLogEntry& entry : batch)
            text += entry.Dropped > 0 ? DroppedText_(entry.Dropped) + '\n' : entry.Line;
        // A reader that went away makes the write fail; the lines are gone then.
        WriteAll(Fd_, text);
        Queue_.Done();
        if (!batch.empty()) std::this_thread::sleep_for(kWriterGather);
    }
}

}  // namespace palvex
