#pragma once
// The Limit setting: a flag list in which "Request:1KBps" or "Request:4KBps"
// chooses the speed limit of answers (0 none, 1 = 1 KiB/s, 2 = 4 KiB/s).

#include <cstdint>
#include <string_view>

namespace palvex {

inline constexpr std::string_view kLimit1KBpsFlag = "Request:1KBps";
inline constexpr std::string_view kLimit4KBpsFlag = "Request:4KBps";

// The speed limit the flags choose; 4 KiB/s wins when both are there.
uint8_t SpeedLimitOfSetting(std::string_view limit);

}  // namespace palvex
