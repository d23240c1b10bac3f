#pragma once
// Per-client memory keyed by client address: the last user name that
// authenticated from it and its chat nickname. Entries expire three hours
// after they were made and at midnight UTC.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "server/ServerThread.h"

namespace palvex {

constexpr uint32_t kClientEntryLifetimeSeconds = 10800;
// Bounds against a flood of made-up forwarded addresses: every new /24 costs
// a block of slot pointers (2 KiB). At a bound, expired blocks are freed
// first, then the least recently used block.
constexpr size_t kMaxClientBlocks = 1024;
constexpr size_t kMaxClientEntries = 16384;
// Longest user name or nickname kept (UTF-16 units / bytes).
constexpr size_t kMaxClientTextLength = 255;

struct TClientEntry {
    uint32_t Address = 0;  // packed
    std::string UserName;
    std::u16string Nick;
    uint32_t Created = 0;  // seconds since midnight UTC
};

class TClientTable {
  public:
    explicit TClientTable(size_t maxBlocks = kMaxClientBlocks,
                          size_t maxEntries = kMaxClientEntries);
    ~TClientTable();
    TClientTable(const TClientTable&) = delete;
    TClientTable& operator=(const TClientTable&) = delete;

    // The live entry of the packed address, made (with empty texts) when
    // create is set; nullptr when there is none or no room. now is seconds
    // since midnight UTC; an entry made after now or more than three hours
    // before it is discarded first. The pointer is valid until the next call.
    TClientEntry* Find(uint32_t address, bool create, uint32_t now);

    size_t BlockCount() const { return Blocks_; }
    size_t EntryCount() const { return Entries_; }

  private:
    struct TBlock;
    TBlock* FindBlock(uint32_t address, bool create, uint32_t now);
    TClientEntry* CreateEntry(TBlock& block, uint32_t address, uint32_t now);
    bool MakeRoom(uint32_t now, const TBlock* keep, bool forBlock);
    void FreeBlocks(uint32_t now, const TBlock* keep, bool leastRecentOnly);
    bool Full(bool forBlock) const;

    std::array<std::vector<std::unique_ptr<TBlock>>, 256> Buckets_;
    // The last successful lookup; repeated requests from one client skip the
    // bucket search.
    uint32_t LastAddress_ = 0;
    TBlock* LastBlock_ = nullptr;
    size_t Blocks_ = 0;
    size_t Entries_ = 0;
    uint64_t UseCounter_ = 0;
    size_t MaxBlocks_;
    size_t MaxEntries_;
};

// Find in the program's table. Used inside HookLock only.
TClientEntry* FindClientEntry(uint32_t address, bool create, uint32_t now);

// Stores the connection's UserName in the entry of its ClientIP.
void RememberClientUser(THttpServerThread& conn);
// Stores the chat nickname in the entry of the connection's ClientIP.
void SetClientNick(THttpServerThread& conn, std::u16string_view nick);
// The stored nickname, else the stored user name, else empty; makes no entry.
std::u16string GetClientNick(const THttpServerThread& conn);

}  // namespace palvex
