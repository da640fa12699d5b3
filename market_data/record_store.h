#pragma once

#include <cstdint>
#include <memory>

#include "common/ref.h"
#include "market_data/record_key.h"
#include "market_data/tws_data.h"

namespace corvel {

// The inner collection of `cTWSDatas`: records in insertion order with a key index.
//
// Tick delivery takes records from the front while intake appends at the back, and callers read by
// position in order, so the records live in a ring (power-of-two capacity): positional reads, appends
// and removals at either end are O(1), with no gap ever left behind. The index is an open-addressing
// table of ring slots (Robin Hood linear probing, load at most one half, backward-shift deletion).
// Tick keys are consecutive numbers, hashed to consecutive buckets: each sits in its home slot, so the
// index is walked in order and a removal stops after one step. Should any key pattern pile up in one
// run, the table switches to mixed hashing for good.
//
// Removal from the middle shifts the shorter side by one: linear in the distance to the nearer end.
class RecordStore : public RefCounted<RecordStore> {
  public:
    static constexpr std::uint32_t npos = 0xFFFFFFFFu;

    RecordStore() = default;
    RecordStore(const RecordStore&) = delete;
    RecordStore& operator=(const RecordStore&) = delete;
    ~RecordStore();

    std::uint32_t size() const noexcept { return size_; }
    // Record at a 0-based position (null if null was added); the store keeps its reference.
    cTWSData* at(std::uint32_t position) const noexcept { return ring_[physical(position)].record; }
    // 0-based position of a (folded) key, or npos.
    std::uint32_t find(const RecordKey& key) const noexcept;
    // Appends under a folded key that is not present (an empty key: found by position only); takes
    // over one reference of `record`, which may be null, and releases it if the append fails.
    void push_back(RecordKey key, cTWSData* record);
    // The position of a folded key, or, when it is absent, appends it with the record `make()` returns
    // (a reference the store takes over): one probe of the index for both. True when it appended.
    template <class Make>
    std::pair<std::uint32_t, bool> find_or_append(RecordKey&& key, Make&& make);
    // Removes the entry at a 0-based position and releases its record.
    void erase(std::uint32_t position);
    // Removes the first entry and hands its record reference to the caller.
    cTWSData* take_front() noexcept;
    // Removes the first `count` entries and releases their records.
    void erase_front(std::uint32_t count) noexcept;
    // Gives memory back once a backlog has drained.
    void trim() noexcept;

  private:
    struct Entry {
        RecordKey key;
        cTWSData* record = nullptr;
    };
    static constexpr std::uint32_t kEmptySlot = 0xFFFFFFFFu;
    static constexpr std::uint32_t kNoSlot = 0xFFFFFFFEu;
    static constexpr std::uint32_t kMinCapacity = 16;
    static constexpr std::uint32_t kLongProbe = 48;

    std::uint32_t physical(std::uint32_t position) const noexcept {
        return (head_ + position) & (capacity_ - 1);
    }
    std::uint32_t home(std::uint64_t hash) const noexcept {
        const std::uint64_t mask = 2ULL * capacity_ - 1;
        return static_cast<std::uint32_t>((scrambled_ ? scramble(hash) : hash) & mask);
    }
    std::uint32_t distance(std::uint32_t slot, std::uint32_t physical_index) const noexcept {
        return (slot - home(ring_[physical_index].key.hash())) & (2 * capacity_ - 1);
    }
    static std::uint64_t scramble(std::uint64_t x) noexcept {
        x ^= x >> 31;
        x *= 0x9e3779b97f4a7c15ULL;
        x ^= x >> 29;
        return x;
    }
    std::uint32_t slot_of(std::uint32_t physical_index) const noexcept;
    void index_insert(std::uint32_t physical_index) noexcept;
    // Robin Hood insertion of a ring entry, continuing a probe that reached `slot` at distance `probe`.
    void index_insert_from(std::uint32_t slot, std::uint32_t probe, std::uint32_t physical_index) noexcept;
    void grow();
    void index_remove(std::uint32_t slot) noexcept;
    void relocate(std::uint32_t new_capacity);
    void rebuild_index() noexcept;
    void rescramble() noexcept;

    std::unique_ptr<Entry[]> ring_;
    std::unique_ptr<std::uint32_t[]> slots_;
    std::uint32_t capacity_ = 0;  // ring entries; the index has twice as many slots
    std::uint32_t head_ = 0;
    std::uint32_t size_ = 0;
    bool scrambled_ = false;
    bool long_probe_seen_ = false;
};

template <class Make>
std::pair<std::uint32_t, bool> RecordStore::find_or_append(RecordKey&& key, Make&& make) {
    if (size_ == capacity_) grow();
    const std::uint32_t mask = 2 * capacity_ - 1;
    std::uint32_t probe = 0;
    std::uint32_t i = home(key.hash());
    for (;; i = (i + 1) & mask, ++probe) {
        const std::uint32_t p = slots_[i];
        if (p == kEmptySlot) break;
        if (ring_[p].key == key) return {(p - head_) & (capacity_ - 1), false};
        if (distance(i, p) < probe) break;
    }
    cTWSData* record = make();
    const std::uint32_t p = physical(size_);
    ring_[p].key = std::move(key);
    ring_[p].record = record;
    ++size_;
    index_insert_from(i, probe, p);
    if (long_probe_seen_) rescramble();
    return {size_ - 1, true};
}

}  // namespace corvel
