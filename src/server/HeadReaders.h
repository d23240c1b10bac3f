#pragma once
// Connections still reading their request head, counted per peer address.
// Slow heads are cheap to send and each holds a thread and a descriptor for
// up to the request time-out, so one address may only have so many at once;
// beyond, its new connections are closed without an answer.
//
// kMaxHeadReadersPerAddress = 256: a quarter of the usual limit of 1024
// descriptors a process gets, so one address can never take them all (nor
// the threads that go with them), and still far above what browsers open to
// one server (about six each), even for dozens of people behind one NAT
// address. Keyed by the socket address: the head, which could name a
// forwarded address, is not read yet.

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace palvex {

constexpr uint32_t kMaxHeadReadersPerAddress = 256;

class THeadReaders {
  public:
    explicit THeadReaders(uint32_t maxPerAddress = kMaxHeadReadersPerAddress)
        : Max_(maxPerAddress) {}
    // Counts one more head reader of address; false (nothing counted) when it
    // has its maximum already.
    bool Enter(uint32_t address);
    void Leave(uint32_t address);
    uint32_t Count(uint32_t address) const;

  private:
    mutable std::mutex Lock_;  // a leaf: nothing else is taken while it is held
    std::unordered_map<uint32_t, uint32_t> Counts_;
    const uint32_t Max_;
};

// The program's count.
THeadReaders& HeadReaders();

// One connection's place among the head readers of its address, from the
// start of reading until Release (the head is parsed) or the end of reading.
class THeadReadSlot {
  public:
    explicit THeadReadSlot(uint32_t address)
        : Address_(address), Held_(HeadReaders().Enter(address)) {}
    ~THeadReadSlot() { Release(); }
    THeadReadSlot(const THeadReadSlot&) = delete;
    THeadReadSlot& operator=(const THeadReadSlot&) = delete;

    bool Admitted() const { return Held_; }
    void Release() {
        if (Held_) HeadReaders().Leave(Address_);
        Held_ = false;
    }

  private:
    const uint32_t Address_;
    bool Held_;
};

}  // namespace palvex
