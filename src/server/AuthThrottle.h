#pragma once
// Slows down password guessing. After kFreeFailures wrong credentials from
// one peer address, with no pause of kFailureWindow between them, that
// address has credentials checked at most once per delay, and every refusal
// it gets is answered only after that delay, which grows with the failures to
// kMaxRefusalDelay. Credentials that last succeeded from an address are not
// guesses: they are always checked at once, so a browser that sends them with
// every request of a page is not slowed down. Other addresses are never
// affected.
//
// Keyed by the socket address: a forwarded address is the client's say-so.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string_view>
#include <unordered_map>

#include "server/ServerThread.h"

namespace palvex {

constexpr uint32_t kFreeFailures = 10;
constexpr std::chrono::milliseconds kFailureWindow{60000};
constexpr std::chrono::milliseconds kRefusalDelayStep{500};
constexpr std::chrono::milliseconds kMaxRefusalDelay{4000};
// Refusals of one address waiting at once; beyond, refusals go out unchecked
// and at once, so a flood cannot park every thread in a pause.
constexpr uint32_t kMaxPausedPerAddress = 16;
// Addresses remembered; beyond, those quiet longest are forgotten.
constexpr size_t kMaxThrottledAddresses = 4096;

class TAuthThrottle {
  public:
    using TClock = std::chrono::steady_clock;

    // Whether credentials from address may be compared now.
    bool MayCheck(uint32_t address, std::string_view credentials, TClock::time_point now);
    // Counts a refused attempt (compared or not) and returns the pause before
    // its answer; the caller ends a non-zero pause with PauseEnded.
    std::chrono::milliseconds Refused(uint32_t address, TClock::time_point now);
    // Remembers credentials that named a user.
    void Accepted(uint32_t address, std::string_view credentials);
    void PauseEnded(uint32_t address);

  private:
    struct TEntry {
        uint32_t Failures = 0;
        TClock::time_point LastFailure{};
        TClock::time_point NextCheck{};
        size_t GoodCredentials = 0;  // hash of the credentials that last succeeded; 0 none
        uint32_t Paused = 0;
    };
    // The entry of address with failures older than the window forgotten;
    // nullptr when there is none and create is not set.
    TEntry* Find(uint32_t address, bool create, TClock::time_point now);
    void MakeRoom(TClock::time_point now);

    std::mutex Lock_;  // a leaf: nothing else is taken while it is held
    std::unordered_map<uint32_t, TEntry> Entries_;
};

// The program's throttle.
TAuthThrottle& AuthThrottle();

// For the protected-folder check inside the request handler: whether the
// connection's credentials may be compared now, and the outcome of a
// comparison (or of a refusal without one), which may give the connection a
// pause before its answer.
bool MayCheckCredentials(const THttpServerThread& conn, std::string_view credentials);
void RecordCredentials(THttpServerThread& conn, std::string_view credentials, bool accepted);
// Called after the request handler, outside HookLock: waits out the pause of
// a refused attempt, cut short by a stop or an abort.
void PauseBeforeAnswer(THttpServerThread& conn);

}  // namespace palvex
