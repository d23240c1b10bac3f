#include "config/LimitSetting.h"

#include <gtest/gtest.h>

namespace palvex {
namespace {

TEST(LimitSetting, ReadsEitherFlagAndFourKilobytesWins) {
    EXPECT_EQ(SpeedLimitOfSetting(""), 0);
    EXPECT_EQ(SpeedLimitOfSetting("Other,request:1kbps"), 1);
    EXPECT_EQ(SpeedLimitOfSetting("Request:1KBps,Request:4KBps"), 2);
    EXPECT_EQ(SpeedLimitOfSetting("Request:1KBpsX"), 0);
}

TEST(LimitSetting, WritingReplacesOnlyTheLimitFlags) {
    std::string limit = "Other,Request:4KBps,More";
    SetSpeedLimitFlag(limit, 1);
    EXPECT_EQ(limit, "Other,More,Request:1KBps");
    SetSpeedLimitFlag(limit, 0);
    EXPECT_EQ(limit, "Other,More");
    for (uint8_t value : {0, 1, 2}) {
        SetSpeedLimitFlag(limit, value);
        EXPECT_EQ(SpeedLimitOfSetting(limit), value);
    }
}

}  // namespace
}  // namespace palvex
