#pragma once
// The speed limit of answers: the values a connection's SpeedLimit takes and
// the one in force for new answers. The wiring sets it from the Limit
// setting and applies it to every logged answer; the log screen reads it.

#include <atomic>
#include <cstdint>

namespace palvex {

enum : uint8_t { kSpeedUnlimited = 0, kSpeed1KBps = 1, kSpeed4KBps = 2 };

// The limit new logged answers take.
inline std::atomic<uint8_t> GlobalSpeedLimit{kSpeedUnlimited};

}  // namespace palvex
