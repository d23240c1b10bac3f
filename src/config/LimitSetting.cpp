#include "config/LimitSetting.h"

#include "config/Flags.h"

namespace palvex {

uint8_t SpeedLimitOfSetting(std::string_view limit) {
    if (HasFlag(kLimit4KBpsFlag, limit)) return 2;
    if (HasFlag(kLimit1KBpsFlag, limit)) return 1;
    return 0;
}

}  // namespace palvex
