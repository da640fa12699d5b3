#pragma once

#include <cstddef>

namespace corvel {

// Memory for tick records. A delivery frees as many records as intake made, often a million at once;
// taking them from 64 KiB slabs of equal cells makes both sides a few instructions, keeps a waiting
// record at its own size, and hands a slab back to the system as soon as its last record goes.
//
// Each thread has its own pool, as every automation object belongs to the thread that made it. A
// record freed after its thread has ended is still returned to its slab.
namespace record_pool {
void* allocate(std::size_t bytes);
void deallocate(void* p) noexcept;
// Slabs currently held by this thread's pool (for tests).
std::size_t slab_count() noexcept;
// Frees every pool and empty slab: for a module that is being unloaded, when no record is left.
void shutdown() noexcept;
}  // namespace record_pool

}  // namespace corvel
