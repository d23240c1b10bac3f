#include "server/HeadReaders.h"

namespace palvex {

bool THeadReaders::Enter(uint32_t address) {
    std::lock_guard lock(Lock_);
    uint32_t& count = Counts_[address];
    if (count >= Max_) return false;
    ++count;
    return true;
}

void THeadReaders::Leave(uint32_t address) {
    std::lock_guard lock(Lock_);
    const auto found = Counts_.find(address);
    if (found == Counts_.end()) return;
    if (--found->second == 0) Counts_.erase(found);
}

uint32_t THeadReaders::Count(uint32_t address) const {
    std::lock_guard lock(Lock_);
    const auto found = Counts_.find(address);
    return found == Counts_.end() ? 0 : found->second;
}

THeadReaders& HeadReaders() {
    static auto* readers = new THeadReaders;  // never freed: late threads may leave
    return *readers;
}

}  // namespace palvex
