#include "market_data/record_store.h"

#include <algorithm>
#include <new>

namespace corvel {

namespace {}  // namespace

namespace {
void release_record(cTWSData* record) noexcept {
    if (record) record->release();
}
}  // namespace

RecordStore::~RecordStore() {
    for (std::uint32_t i = 0; i < size_; ++i)
        release_record(ring_[physical(i)].record);
}

std::uint32_t RecordStore::find(const RecordKey& key) const noexcept {
    if (size_ == 0) return npos;
    const std::uint32_t mask = 2 * capacity_ - 1;
    std::uint32_t probe = 0;
    for (std::uint32_t i = home(key.hash());; i = (i + 1) & mask, ++probe) {
        const std::uint32_t p = slots_[i];
        if (p == kEmptySlot) return npos;
        if (ring_[p].key == key) return (p - head_) & (capacity_ - 1);
        // Robin Hood order: past an entry nearer its home than we are, the key cannot be.
        if (distance(i, p) < probe) return npos;
    }
}

std::uint32_t RecordStore::slot_of(std::uint32_t physical_index) const noexcept {
    if (ring_[physical_index].key.empty()) return kNoSlot;
    const std::uint32_t mask = 2 * capacity_ - 1;
    std::uint32_t i = home(ring_[physical_index].key.hash());
    while (slots_[i] != physical_index)
        i = (i + 1) & mask;
    return i;
}

void RecordStore::index_insert(std::uint32_t physical_index) noexcept {
    if (ring_[physical_index].key.empty()) return;  // an entry added without a key is found by position only
    index_insert_from(home(ring_[physical_index].key.hash()), 0, physical_index);
}

void RecordStore::index_insert_from(std::uint32_t slot, std::uint32_t probe,
                                    std::uint32_t physical_index) noexcept {
    const std::uint32_t mask = 2 * capacity_ - 1;
    std::uint32_t carried = physical_index;
    for (std::uint32_t i = slot;; i = (i + 1) & mask, ++probe) {
        const std::uint32_t p = slots_[i];
        if (p == kEmptySlot) {
            slots_[i] = carried;
            break;
        }
        // Robin Hood: the entry further from its home keeps the slot.
        if (const std::uint32_t d = distance(i, p); d < probe) {
            slots_[i] = carried;
            carried = p;
            probe = d;
        }
        if (probe > kLongProbe && !scrambled_) long_probe_seen_ = true;
    }
}

void RecordStore::index_remove(std::uint32_t slot) noexcept {
    if (slot == kNoSlot) return;
    // Backward shift: pull the following entries of the run one slot nearer their homes, stopping at
    // an empty slot or an entry already at home. Tick keys sit at home, so this is one step for them.
    const std::uint32_t mask = 2 * capacity_ - 1;
    std::uint32_t hole = slot;
    for (std::uint32_t j = (hole + 1) & mask;; j = (j + 1) & mask) {
        const std::uint32_t p = slots_[j];
        if (p == kEmptySlot || distance(j, p) == 0) break;
        slots_[hole] = p;
        hole = j;
    }
    slots_[hole] = kEmptySlot;
}

void RecordStore::rebuild_index() noexcept {
    std::fill_n(slots_.get(), 2 * static_cast<std::size_t>(capacity_), kEmptySlot);
    for (std::uint32_t i = 0; i < size_; ++i)
        index_insert(physical(i));
}

void RecordStore::relocate(std::uint32_t new_capacity) {
    auto ring = std::make_unique<Entry[]>(new_capacity);
    auto slots = std::make_unique_for_overwrite<std::uint32_t[]>(2 * static_cast<std::size_t>(new_capacity));
    for (std::uint32_t i = 0; i < size_; ++i)
        ring[i] = std::move(ring_[physical(i)]);
    ring_ = std::move(ring);
    slots_ = std::move(slots);
    capacity_ = new_capacity;
    head_ = 0;
    rebuild_index();
}

void RecordStore::grow() {
    if (capacity_ >= 0x40000000u) throw std::bad_alloc();
    relocate(capacity_ == 0 ? kMinCapacity : capacity_ * 2);
}

void RecordStore::rescramble() noexcept {
    // Some key pattern piles up under the order-keeping hash: mix every key from now on.
    long_probe_seen_ = false;
    scrambled_ = true;
    rebuild_index();
}

void RecordStore::push_back(RecordKey key, cTWSData* record) {
    if (size_ == capacity_) {
        try {
            grow();
        } catch (...) {
            release_record(record);
            throw;
        }
    }
    const std::uint32_t p = physical(size_);
    ring_[p].key = std::move(key);
    ring_[p].record = record;
    ++size_;
    index_insert(p);
    if (long_probe_seen_) rescramble();
}

cTWSData* RecordStore::take_front() noexcept {
    index_remove(slot_of(head_));
    Entry& e = ring_[head_];
    cTWSData* record = e.record;
    e = Entry{};
    head_ = (head_ + 1) & (capacity_ - 1);
    --size_;
    return record;
}

void RecordStore::erase(std::uint32_t position) {
    const std::uint32_t p = physical(position);
    index_remove(slot_of(p));
    release_record(ring_[p].record);
    if (position < size_ / 2) {
        // Shift the earlier entries one place towards the back.
        for (std::uint32_t j = position; j > 0; --j) {
            const std::uint32_t from = physical(j - 1);
            const std::uint32_t to = physical(j);
            const std::uint32_t slot = slot_of(from);
            ring_[to] = std::move(ring_[from]);
            if (slot != kNoSlot) slots_[slot] = to;
        }
        ring_[head_] = Entry{};
        head_ = (head_ + 1) & (capacity_ - 1);
    } else {
        for (std::uint32_t j = position; j + 1 < size_; ++j) {
            const std::uint32_t from = physical(j + 1);
            const std::uint32_t to = physical(j);
            const std::uint32_t slot = slot_of(from);
            ring_[to] = std::move(ring_[from]);
            if (slot != kNoSlot) slots_[slot] = to;
        }
        ring_[physical(size_ - 1)] = Entry{};
    }
    --size_;
    trim();
}

void RecordStore::erase_front(std::uint32_t count) noexcept {
    if (count >= size_) {
        for (std::uint32_t i = 0; i < size_; ++i) {
            Entry& e = ring_[physical(i)];
            release_record(e.record);
            e = Entry{};
        }
        size_ = 0;
        head_ = 0;
        if (capacity_ > 0) std::fill_n(slots_.get(), 2 * static_cast<std::size_t>(capacity_), kEmptySlot);
    } else {
        while (count-- > 0)
            release_record(take_front());
    }
    trim();
}

void RecordStore::trim() noexcept {
    // A backlog that has drained should not pin its memory; shrinking only below one eighth keeps a
    // steady fill-and-drain of the usual size from ever reallocating.
    if (capacity_ > 4096 && size_ < capacity_ / 8) {
        try {
            relocate(std::max(kMinCapacity, capacity_ / 4));
        } catch (...) {
            // Keeping the larger table is always correct.
        }
    }
}

}  // namespace corvel
