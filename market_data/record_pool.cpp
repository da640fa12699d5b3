#include "market_data/record_pool.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <type_traits>
#include <vector>

#include "market_data/tws_data.h"

namespace corvel::record_pool {

namespace {

constexpr std::size_t kSlabBytes = 1 << 16;
constexpr std::size_t kCellBytes = sizeof(cTWSData);
static_assert(kCellBytes % alignof(cTWSData) == 0);
static_assert(std::is_final_v<cTWSData>, "a derived record would not fit its cell");

struct Pool;

struct FreeCell {
    FreeCell* next;
};

struct Slab {
    Pool* owner;  // null once its pool was shut down
    Slab* prev;
    Slab* next;
    FreeCell* free;
    std::uint32_t live;
    std::uint32_t bump;  // cells handed out from the untouched end so far
    bool listed;         // in the owner's list of slabs with room
};

constexpr std::size_t kFirstCell =
    (sizeof(Slab) + alignof(cTWSData) - 1) / alignof(cTWSData) * alignof(cTWSData);
constexpr std::uint32_t kCells = static_cast<std::uint32_t>((kSlabBytes - kFirstCell) / kCellBytes);

char* cell(Slab* s, std::uint32_t i) {
    return reinterpret_cast<char*>(s) + kFirstCell + i * kCellBytes;
}
[[maybe_unused]] Slab* slab_of(void* p) {
    return reinterpret_cast<Slab*>(reinterpret_cast<std::uintptr_t>(p) & ~(std::uintptr_t{kSlabBytes} - 1));
}
bool has_room(const Slab* s) {
    return s->free != nullptr || s->bump < kCells;
}
void free_slab(Slab* s) noexcept {
    ::operator delete (s, std::align_val_t{kSlabBytes});
}

struct Pool {
    Slab* current = nullptr;  // slab allocated from
    Slab* room = nullptr;     // other slabs with free cells
    std::size_t slabs = 0;

    void link(Slab* s) {
        s->prev = nullptr;
        s->next = room;
        if (room) room->prev = s;
        room = s;
        s->listed = true;
    }
    void unlink(Slab* s) {
        if (s->prev) s->prev->next = s->next;
        if (s->next) s->next->prev = s->prev;
        if (room == s) room = s->next;
        s->listed = false;
    }

    void* allocate() {
        if (!current || !has_room(current)) {
            if (room) {
                current = room;
                unlink(current);
            } else {
                current = static_cast<Slab*>(::operator new (kSlabBytes, std::align_val_t{kSlabBytes}));
                *current = Slab{this, nullptr, nullptr, nullptr, 0, 0, false};
                ++slabs;
            }
        }
        Slab* s = current;
        ++s->live;
        if (FreeCell* c = s->free) {
            s->free = c->next;
            return c;
        }
        return cell(s, s->bump++);
    }

    void release(Slab* s) {
        if (s->listed) unlink(s);
        --slabs;
        free_slab(s);
    }

    // Gives back every slab; a slab with records still alive is left to its last record.
    void release_all() noexcept {
        auto orphan = [](Slab* s) {
            if (s->live == 0) {
                free_slab(s);
            } else {
                s->owner = nullptr;
                s->listed = false;
            }
        };
        for (Slab* s = room; s;) {
            Slab* next = s->next;
            orphan(s);
            s = next;
        }
        if (current) orphan(current);
        room = current = nullptr;
        slabs = 0;
    }
};

// A pool per thread, reached through a plain pointer: a thread-local object with a destructor would
// pin a Windows DLL in memory for as long as its thread lives. Pools are never freed while their
// module is loaded (a thread that ends leaves its small pool behind, listed here); `shutdown` frees
// them when the module goes.
thread_local Pool* t_pool = nullptr;
std::mutex g_pools_mutex;
std::vector<Pool*>* g_pools = new std::vector<Pool*>();  // never destroyed: pools outlive static teardown

[[maybe_unused]] Pool& this_threads_pool() {
    if (!t_pool) {
        auto pool = std::make_unique<Pool>();
        {
            std::lock_guard lock(g_pools_mutex);
            g_pools->push_back(pool.get());
        }
        t_pool = pool.release();
    }
    return *t_pool;
}

}  // namespace

void shutdown() noexcept {
    std::lock_guard lock(g_pools_mutex);
    for (Pool* pool : *g_pools) {
        pool->release_all();
        delete pool;
    }
    g_pools->clear();
    t_pool = nullptr;
}

#ifdef CORVEL_PLAIN_RECORD_ALLOCATION
// Sanitizer builds give every record its own allocation, so a use after free is caught.
void* allocate(std::size_t bytes) {
    return ::operator new(bytes);
}
void deallocate(void* p) noexcept {
    ::operator delete(p);
}
#else
void* allocate(std::size_t bytes) {
    // Every cell is one record's size, and `deallocate` returns any pointer to its slab: memory of any
    // other size could not be given back.
    if (bytes != kCellBytes) throw std::bad_alloc();
    return this_threads_pool().allocate();
}

void deallocate(void* p) noexcept {
    if (!p) return;
    Slab* s = slab_of(p);
    auto* c = static_cast<FreeCell*>(p);
    c->next = s->free;
    s->free = c;
    const std::uint32_t live = --s->live;
    Pool* owner = s->owner;
    if (!owner) {
        if (live == 0) free_slab(s);
        return;
    }
    if (s == owner->current) return;
    if (live == 0) {
        owner->release(s);
    } else if (!s->listed) {
        owner->link(s);
    }
}

#endif

std::size_t slab_count() noexcept {
    return t_pool ? t_pool->slabs : 0;
}

}  // namespace corvel::record_pool
