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

}  // namespace
}  // namespace palvex
