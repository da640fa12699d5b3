#pragma once

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "market_data/record_key.h"
#include "market_data/tick_type.h"

namespace corvel {

// Summary of one (id, tick type) while condensing: the first, lowest, highest and last value, each
// with its time and the size attached to it.
//
// Sizes stay the 64-bit floating point they arrive as: fractional quantities (0.34 of a coin) must
// come out of condensing as they went in, as they do from a delivery that moves, and no size or
// carried sum, however large, can overflow and make condensing fail (a failing condensing leaves its
// ticks in the buffer to fail again at every later delivery). Whole sizes add exactly up to 2^53.
struct TWSBar {
    RecordKey BarKey;  // empty: the bar holds nothing yet
    std::int32_t id = 0;
    double OpenPrice = 0, OpenTime = 0, OpenSize = 0;
    double LowPrice = 0, LowTime = 0, LowSize = 0;
    double HighPrice = 0, HighTime = 0, HighSize = 0;
    double LastPrice = 0, LastTime = 0, LastSize = 0;
    double SizeCarry = 0;
    std::int16_t SizeTarget = 0;  // 0 first point, 1 high, 2 low, 3 none
};

// The condensing table `m_Bars`: a bar per (id, tick type) that occurs. Ids 0 to n (n: the number of
// records condensed) are indexed directly; any other id, negative or above n, gets its bars through a
// map, so every waiting tick is condensed whatever its id. Bars exist only for the pairs that occur, so
// the table stays proportional to what was waiting.
class BarTable {
  public:
    static constexpr int kTypes = kMaxFilterType + 1;  // the types that pass the record filter

    // Empties the table for a condensing of `record_count` records.
    void reset(std::uint32_t record_count);
    // The bar of (id, type), created empty if absent.
    TWSBar& bar(std::int32_t id, std::int32_t type);
    // The bar of (id, type), or null.
    const TWSBar* find(std::int32_t id, std::int32_t type) const;
    TWSBar* find(std::int32_t id, std::int32_t type) {
        return const_cast<TWSBar*>(static_cast<const BarTable*>(this)->find(id, type));
    }
    // Ids that have bars, ascending.
    std::vector<std::int32_t> ids() const;
    // Whether any bar of this type exists.
    bool has_type(std::int32_t type) const noexcept { return (types_present_ >> type) & 1U; }

  private:
    struct Group {
        std::int32_t id = 0;
        std::array<std::int32_t, kTypes> bar{};  // index into bars_ + 1; 0: none
    };
    std::int32_t group_of(std::int32_t id) const;

    std::vector<std::int32_t> dense_;  // id -> group + 1, ids 0 .. dense_.size() - 1
    std::unordered_map<std::int32_t, std::int32_t> sparse_;
    std::vector<Group> groups_;
    std::vector<TWSBar> bars_;
    std::uint64_t types_present_ = 0;
};

}  // namespace corvel
