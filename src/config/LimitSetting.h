#pragma once
// The Limit setting: a flag list in which "Request:1KBps" or "Request:4KBps"
// chooses the speed limit of answers (0 none, 1 = 1 KiB/s, 2 = 4 KiB/s).

#include <cstdint>
#include <string>
#include <string_view>

namespace palvex {

inline constexpr std::string_view kLimit1KBpsFlag = "Request:1KBps";
inline constexpr std::string_view kLimit4KBpsFlag = "Request:4KBps";

// The speed limit the flags choose; 4 KiB/s wins when both are there.
uint8_t SpeedLimitOfSetting(std::string_view limit);
// Replaces the speed-limit flags of limit with the one for speedLimit (none
// for 0), keeping every other flag.
void SetSpeedLimitFlag(std::string& limit, uint8_t speedLimit);

}  // namespace palvex
