#pragma once

#include <cstdint>
#include <vector>

#include "tools/tws_sim/sim_contract.h"

namespace corvel::sim {

// One tick as the simulator sends it: a tickPrice (with the size that goes with it) or a tickSize.
struct SimTick {
    std::int32_t tick_type = 0;
    bool is_price = false;
    double value = 0;  // the price, or the size of a tickSize
    double size = 0;   // a tickPrice's size
    bool operator==(const SimTick&) const = default;
};

// The market of one contract: a random walk of bid, ask and trades on the contract's price grid, told
// as TWS tells it: a price comes with its size and is followed by the same size as a size tick, sizes
// change on their own, and unchanged sizes are repeated now and then.
//
// Deterministic: the same contract and seed give the same ticks on every platform.
class QuoteStream {
  public:
    QuoteStream(const SimContract& contract, std::uint64_t seed, bool fractional_sizes);

    // What TWS sends right after a subscription: the current quote, last trade, volume, high, low,
    // close and open.
    void initial(std::vector<SimTick>& out) const;
    // One market event: a quote move, a size change, a trade or a repeated size.
    void next(std::vector<SimTick>& out);

    double min_tick() const noexcept { return 1.0 / static_cast<double>(ticks_per_unit_); }

  private:
    std::uint64_t random() noexcept;
    std::int64_t below(std::int64_t n) noexcept {
        return static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(n));
    }
    double price(std::int64_t ticks) const noexcept {
        return static_cast<double>(ticks) / static_cast<double>(ticks_per_unit_);
    }
    double quote_size() noexcept;
    double trade_size() noexcept;
    void add_price(std::vector<SimTick>& out, std::int32_t type, std::int64_t ticks, double size) const;
    void add_size(std::vector<SimTick>& out, std::int32_t type, double size) const;

    std::uint64_t state_;
    std::int64_t ticks_per_unit_;
    // Sizes on a grid too, so they print as the exchange would: lots, shares, contracts or fractions.
    double size_unit_;
    std::int64_t quote_lots_max_;
    std::int64_t trade_lots_max_;

    std::int64_t bid_, ask_, last_, high_, low_, close_, open_;
    double bid_size_, ask_size_, last_size_, volume_;
};

}  // namespace corvel::sim
