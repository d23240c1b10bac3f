#include "server/ClientTable.h"

#include <mutex>

#include "common/TextConv.h"

namespace palvex {

namespace {

// The program's table, created on first use and never freed: a connection
// thread may still use it after main returns.
TClientTable& ClientTable() {
    static auto* table = new TClientTable;
    return *table;
}

constexpr uint32_t kPrefixMask = 0x00FFFFFF;  // first three octets of a packed address

size_t BucketOf(uint32_t address) {
    return address & 0xFF;
}
size_t SlotOf(uint32_t address) {
    return address >> 24;
}

// Made after now (the day has turned since) or too long before it.
bool Expired(uint32_t created, uint32_t now) {
    return created > now || now - created > kClientEntryLifetimeSeconds;
}

std::u16string CapText(std::u16string_view text) {
    if (text.size() <= kMaxClientTextLength) return std::u16string(text);
    size_t keep = kMaxClientTextLength;
    if (text[keep - 1] >= 0xD800 && text[keep - 1] <= 0xDBFF) --keep;  // no half pair
    return std::u16string(text.substr(0, keep));
}

}  // namespace

struct TClientTable::TBlock {
    explicit TBlock(uint32_t prefix) : Prefix(prefix) {}
    uint32_t Prefix;
    std::array<std::unique_ptr<TClientEntry>, 256> Slots;
    size_t Live = 0;
    // Created of the entry made last: when it has expired, all have.
    uint32_t LastCreated = 0;
    uint64_t LastUse = 0;
};

TClientTable::TClientTable(size_t maxBlocks, size_t maxEntries)
    : MaxBlocks_(maxBlocks), MaxEntries_(maxEntries) {}

TClientTable::~TClientTable() = default;

TClientEntry* TClientTable::Find(uint32_t address, bool create, uint32_t now) {
    TBlock* block =
        (LastBlock_ && address == LastAddress_) ? LastBlock_ : FindBlock(address, create, now);
    if (!block) return nullptr;
    // The remembered lookup still honours expiry.
    std::unique_ptr<TClientEntry>& slot = block->Slots[SlotOf(address)];
    if (slot && Expired(slot->Created, now)) {
        slot.reset();
        --block->Live;
        --Entries_;
    }
    TClientEntry* entry = slot.get();
    if (!entry && create) entry = CreateEntry(*block, address, now);
    if (!entry) return nullptr;
    block->LastUse = ++UseCounter_;
    LastAddress_ = address;
    LastBlock_ = block;
    return entry;
}

TClientTable::TBlock* TClientTable::FindBlock(uint32_t address, bool create, uint32_t now) {
    std::vector<std::unique_ptr<TBlock>>& bucket = Buckets_[BucketOf(address)];
    const uint32_t prefix = address & kPrefixMask;
    for (const std::unique_ptr<TBlock>& block : bucket)
        if (block->Prefix == prefix) return block.get();
    if (!create || !MakeRoom(now, nullptr, true)) return nullptr;
    bucket.push_back(std::make_unique<TBlock>(prefix));
    ++Blocks_;
    return bucket.back().get();
}

TClientEntry* TClientTable::CreateEntry(TBlock& block, uint32_t address, uint32_t now) {
    if (!MakeRoom(now, &block, false)) return nullptr;
    auto& slot = block.Slots[SlotOf(address)];
    slot = std::make_unique<TClientEntry>();
    slot->Address = address;
    slot->Created = now;
    ++block.Live;
    ++Entries_;
    block.LastCreated = now;
    return slot.get();
}

bool TClientTable::Full(bool forBlock) const {
    return forBlock ? Blocks_ >= MaxBlocks_ : Entries_ >= MaxEntries_;
}

// Frees blocks (never keep) until one more block or entry fits; false when
// that is impossible.
bool TClientTable::MakeRoom(uint32_t now, const TBlock* keep, bool forBlock) {
    if (!Full(forBlock)) return true;
    FreeBlocks(now, keep, false);
    while (Full(forBlock)) {
        const size_t before = Blocks_;
        FreeBlocks(now, keep, true);
        if (Blocks_ == before) return false;
    }
    return true;
}

// Frees every empty or expired block, or only the least recently used one.
void TClientTable::FreeBlocks(uint32_t now, const TBlock* keep, bool leastRecentOnly) {
    const TBlock* victim = nullptr;
    if (leastRecentOnly) {
        for (const auto& bucket : Buckets_)
            for (const auto& block : bucket)
                if (block.get() != keep && (!victim || block->LastUse < victim->LastUse))
                    victim = block.get();
        if (!victim) return;
    }
    for (auto& bucket : Buckets_) {
        std::erase_if(bucket, [&](const std::unique_ptr<TBlock>& block) {
            const bool drop =
                block.get() != keep &&
                (leastRecentOnly ? block.get() == victim
                                 : block->Live == 0 || Expired(block->LastCreated, now));
            if (!drop) return false;
            Entries_ -= block->Live;
            --Blocks_;
            if (LastBlock_ == block.get()) LastBlock_ = nullptr;
            return true;
        });
    }
}

TClientEntry* FindClientEntry(uint32_t address, bool create, uint32_t now) {
    return ClientTable().Find(address, create, now);
}

void RememberClientUser(THttpServerThread& conn) {
    std::lock_guard lock(HookLock);
    if (TClientEntry* entry = FindClientEntry(conn.ClientIP, true, conn.StartSeconds))
        entry->UserName = conn.UserName.substr(0, kMaxClientTextLength);
}

void SetClientNick(THttpServerThread& conn, std::u16string_view nick) {
    std::lock_guard lock(HookLock);
    if (TClientEntry* entry = FindClientEntry(conn.ClientIP, true, conn.StartSeconds))
        entry->Nick = CapText(nick);
}

std::u16string GetClientNick(const THttpServerThread& conn) {
    std::lock_guard lock(HookLock);
    const TClientEntry* entry = FindClientEntry(conn.ClientIP, false, conn.StartSeconds);
    if (!entry) return {};
    return entry->Nick.empty() ? AnsiToWide(entry->UserName) : entry->Nick;
}

}  // namespace palvex
