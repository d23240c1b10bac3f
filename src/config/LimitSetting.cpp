#include "config/LimitSetting.h"

#include "config/Flags.h"

namespace palvex {

uint8_t SpeedLimitOfSetting(std::string_view limit) {
    if (HasFlag(kLimit4KBpsFlag, limit)) return 2;
    if (HasFlag(kLimit1KBpsFlag, limit)) return 1;
    return 0;
}

void SetSpeedLimitFlag(std::string& limit, uint8_t speedLimit) {
    RemoveFlag(limit, kLimit1KBpsFlag);
    RemoveFlag(limit, kLimit4KBpsFlag);
    if (speedLimit == 1) AddFlag(limit, kLimit1KBpsFlag);
    if (speedLimit == 2) AddFlag(limit, kLimit4KBpsFlag);
}

}  // namespace palvex
