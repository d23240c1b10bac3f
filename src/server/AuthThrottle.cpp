#include "server/AuthThrottle.h"

#include <functional>
#include <thread>

#include "server/ConnectionThreads.h"

namespace palvex {

namespace {

constexpr std::chrono::milliseconds kPauseSlice{50};

// The pause of a refusal after that many earlier failures: nothing while
// they are few, then one step more with every failure, up to the maximum.
std::chrono::milliseconds DelayFor(uint32_t failures) {
    if (failures < kFreeFailures) return {};
    return std::min(kMaxRefusalDelay, kRefusalDelayStep * (failures - kFreeFailures + 1));
}

size_t HashOf(std::string_view credentials) {
    return std::hash<std::string_view>{}(credentials) | 1;
}

bool StopRequested(const THttpServerThread& conn) {
    return conn.Abort.load(std::memory_order_relaxed) ||
           !conn.Server->Active.load(std::memory_order_relaxed);
}

}  // namespace

TAuthThrottle::TEntry* TAuthThrottle::Find(uint32_t address, bool create, TClock::time_point now) {
    auto found = Entries_.find(address);
    if (found == Entries_.end()) {
        if (!create) return nullptr;
        MakeRoom(now);
        found = Entries_.emplace(address, TEntry{}).first;
    }
    TEntry& entry = found->second;
    if (entry.Failures > 0 && now - entry.LastFailure > kFailureWindow) entry.Failures = 0;
    return &entry;
}

void TAuthThrottle::MakeRoom(TClock::time_point now) {
    if (Entries_.size() < kMaxThrottledAddresses) return;
    std::erase_if(Entries_, [&](const auto& item) {
        return item.second.Paused == 0 && now - item.second.LastFailure > kFailureWindow;
    });
    while (Entries_.size() >= kMaxThrottledAddresses) {
        auto quietest = Entries_.begin();
        for (auto it = Entries_.begin(); it != Entries_.end(); ++it)
            if (it->second.LastFailure < quietest->second.LastFailure) quietest = it;
        Entries_.erase(quietest);
    }
}

bool TAuthThrottle::MayCheck(uint32_t address, std::string_view credentials,
                             TClock::time_point now) {
    std::lock_guard lock(Lock_);
    TEntry* entry = Find(address, false, now);
    if (!entry || entry->Failures < kFreeFailures) return true;
    if (entry->GoodCredentials == HashOf(credentials)) return true;
    if (now < entry->NextCheck) return false;
    entry->NextCheck = now + DelayFor(entry->Failures);
    return true;
}

std::chrono::milliseconds TAuthThrottle::Refused(uint32_t address, TClock::time_point now) {
    std::lock_guard lock(Lock_);
    TEntry& entry = *Find(address, true, now);
    const std::chrono::milliseconds delay = DelayFor(entry.Failures);
    ++entry.Failures;
    entry.LastFailure = now;
    if (delay.count() == 0 || entry.Paused >= kMaxPausedPerAddress) return {};
    ++entry.Paused;
    return delay;
}

void TAuthThrottle::Accepted(uint32_t address, std::string_view credentials) {
    std::lock_guard lock(Lock_);
    const auto found = Entries_.find(address);
    if (found != Entries_.end()) found->second.GoodCredentials = HashOf(credentials);
}

void TAuthThrottle::PauseEnded(uint32_t address) {
    std::lock_guard lock(Lock_);
    const auto found = Entries_.find(address);
    if (found != Entries_.end() && found->second.Paused > 0) --found->second.Paused;
}

TAuthThrottle& AuthThrottle() {
    static auto* throttle = new TAuthThrottle;  // never freed: late threads may use it
    return *throttle;
}

bool MayCheckCredentials(const THttpServerThread& conn, std::string_view credentials) {
    return AuthThrottle().MayCheck(conn.PeerIP, credentials, TAuthThrottle::TClock::now());
}

void RecordCredentials(THttpServerThread& conn, std::string_view credentials, bool accepted) {
    if (accepted) {
        AuthThrottle().Accepted(conn.PeerIP, credentials);
        return;
    }
    const auto pause = AuthThrottle().Refused(conn.PeerIP, TAuthThrottle::TClock::now());
    conn.RefusalPauseMs = static_cast<uint32_t>(pause.count());
}

void PauseBeforeAnswer(THttpServerThread& conn) {
    if (conn.RefusalPauseMs == 0) return;
    const auto end = TAuthThrottle::TClock::now() + std::chrono::milliseconds(conn.RefusalPauseMs);
    const TClientWait wait;
    while (!StopRequested(conn) && TAuthThrottle::TClock::now() < end)
        std::this_thread::sleep_for(kPauseSlice);
    conn.RefusalPauseMs = 0;
    AuthThrottle().PauseEnded(conn.PeerIP);
}

}  // namespace palvex
