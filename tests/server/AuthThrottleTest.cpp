#include "server/AuthThrottle.h"

#include <gtest/gtest.h>

namespace palvex {
namespace {

using namespace std::chrono_literals;
using TClock = TAuthThrottle::TClock;

constexpr uint32_t kGuesser = 0x0100000A;  // 10.0.0.1
constexpr uint32_t kOther = 0x0200000A;    // 10.0.0.2

class AuthThrottleTest : public ::testing::Test {
  protected:
    // A wrong guess at t: checked or not, and the pause of its refusal.
    std::pair<bool, std::chrono::milliseconds> Guess(std::string_view credentials,
                                                     uint32_t address = kGuesser) {
        const bool checked = throttle.MayCheck(address, credentials, t);
        return {checked, throttle.Refused(address, t)};
    }
    TAuthThrottle throttle;
    TClock::time_point t = TClock::now();
};

TEST_F(AuthThrottleTest, TenFreeFailuresThenOneCheckPerGrowingPause) {
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(Guess("anna:" + std::to_string(i)), std::make_pair(true, 0ms)) << i;
    EXPECT_EQ(Guess("anna:10"), std::make_pair(true, 500ms));
    // Within that pause nothing is compared, and every refusal waits longer.
    t += 100ms;
    EXPECT_EQ(Guess("anna:11"), std::make_pair(false, 1000ms));
    EXPECT_EQ(Guess("anna:12"), std::make_pair(false, 1500ms));
    t += 400ms;
    EXPECT_EQ(Guess("anna:13"), std::make_pair(true, 2000ms));
    for (int i = 0; i < 20; ++i) {
        t += 5s;
        EXPECT_EQ(Guess("anna:x"), std::make_pair(true, std::min(4000ms, 500ms * (i + 5)))) << i;
        throttle.PauseEnded(kGuesser);
    }
    // Other addresses are not affected.
    EXPECT_EQ(Guess("anna:y", kOther), std::make_pair(true, 0ms));
}

TEST_F(AuthThrottleTest, AMinuteWithoutFailureForgetsThem) {
    for (int i = 0; i < 12; ++i)
        Guess("bob:" + std::to_string(i));
    t += 59s;
    EXPECT_GT(Guess("bob:a").second, 0ms);
    t += 61s;
    EXPECT_EQ(Guess("bob:b"), std::make_pair(true, 0ms));
}

TEST_F(AuthThrottleTest, CredentialsThatSucceededAreAlwaysCheckedAtOnce) {
    for (int i = 0; i < 11; ++i)
        Guess("anna:" + std::to_string(i));
    t += 1s;
    ASSERT_TRUE(throttle.MayCheck(kGuesser, "anna:geheim", t));
    throttle.Accepted(kGuesser, "anna:geheim");
    // The browser sends them with every request of the page.
    for (int i = 0; i < 50; ++i)
        EXPECT_TRUE(throttle.MayCheck(kGuesser, "anna:geheim", t));
    // Guesses from the same address stay slowed down.
    EXPECT_FALSE(throttle.MayCheck(kGuesser, "anna:guess", t));
}

TEST_F(AuthThrottleTest, PausedRefusalsOfOneAddressAreBounded) {
    for (int i = 0; i < 10; ++i)
        Guess("x:" + std::to_string(i));
    uint32_t paused = 0;
    for (int i = 0; i < 40; ++i)
        paused += Guess("x:y").second > 0ms ? 1 : 0;
    EXPECT_EQ(paused, kMaxPausedPerAddress);
    throttle.PauseEnded(kGuesser);
    EXPECT_GT(Guess("x:z").second, 0ms);
    EXPECT_EQ(Guess("x:z").second, 0ms);
}

}  // namespace
}  // namespace palvex
