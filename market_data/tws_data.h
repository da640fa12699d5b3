#pragma once

#include <cstdint>

#include "common/ref.h"
#include "market_data/record_key.h"
#include "market_data/record_pool.h"

namespace corvel {

// One tick record: five plain fields, no logic. Held by reference: a record lives while any collection
// or caller holds it. Forty bytes from a pool of equal cells, so a million waiting ticks stay small and
// cheap to make and free; final, because every cell has exactly its size.
class cTWSData final : public RefCounted<cTWSData> {
  public:
    std::int32_t id = 0;
    std::int32_t TickType = 0;
    double Price = 0.0;
    double sDate = 0.0;
    RecordKey NameID;

    static void* operator new(std::size_t bytes) { return record_pool::allocate(bytes); }
    static void operator delete(void* p) noexcept { record_pool::deallocate(p); }
};

}  // namespace corvel
