#include "common/LogQueue.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

namespace palvex {
namespace {

using namespace std::chrono_literals;

// The queue's entries as text: lines, and "[n]" for n dropped lines.
std::string TakeAll(TLogQueue& queue) {
    std::vector<TLogEntry> batch;
    queue.Take(batch, 0ms);
    std::string text;
    for (const TLogEntry& entry : batch)
        text += entry.Dropped > 0 ? "[" + std::to_string(entry.Dropped) + "]" : entry.Line;
    queue.Done();
    return text;
}

TEST(LogQueue, FullQueueDropsAndCountsInPlace) {
    TLogQueue queue(3, 1000);
    for (const char* line : {"a", "b", "c", "d", "e"})
        EXPECT_EQ(queue.Push(line), line[0] <= 'c');
    // The consumer gets the count after the lines that were queued before.
    EXPECT_EQ(TakeAll(queue), "abc[2]");
    for (const char* line : {"f", "g", "h", "i"})
        queue.Push(line);
    EXPECT_EQ(TakeAll(queue), "fgh[1]");
    EXPECT_TRUE(queue.Idle());
    queue.Push("j");
    std::vector<TLogEntry> batch;
    queue.Take(batch, 0ms);
    EXPECT_FALSE(queue.Idle());  // in flight until Done
    queue.Done();
    EXPECT_TRUE(queue.Idle());
}

TEST(LogQueue, BytesAreBoundedTooAndACountStandsBeforeTheNextLineThatFits) {
    TLogQueue queue(100, 10);
    EXPECT_TRUE(queue.Push("12345"));
    EXPECT_FALSE(queue.Push("1234567"));
    EXPECT_TRUE(queue.Push("12345"));
    EXPECT_EQ(TakeAll(queue), "12345[1]12345");
}

std::string Dropped(size_t n) {
    return std::to_string(n) + " dropped";
}

TEST(LogWriter, WritesInOrderAndDrains) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    auto* writer = new TLogWriter(fds[1], Dropped);  // never freed, as in the program
    for (int i = 0; i < 100; ++i)
        writer->Write(std::to_string(i));
    EXPECT_TRUE(writer->Drain(10s));
    std::string expected, got(1000, '\0');
    for (int i = 0; i < 100; ++i)
        expected += std::to_string(i) + "\n";
    got.resize(static_cast<size_t>(read(fds[0], got.data(), got.size())));
    EXPECT_EQ(got, expected);
}

}  // namespace
}  // namespace palvex
