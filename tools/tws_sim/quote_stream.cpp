#include "tools/tws_sim/quote_stream.h"

#include <algorithm>
#include <cmath>

namespace corvel::sim {

namespace {

std::uint64_t fnv1a(const std::string& text, std::uint64_t h) {
    for (const char c : text) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ULL;
    }
    return h;
}

}  // namespace

QuoteStream::QuoteStream(const SimContract& contract, std::uint64_t seed, bool fractional_sizes) {
    state_ = fnv1a(contract.symbol + "/" + contract.sec_type, 14695981039346656037ULL ^ seed);
    const std::string& type = contract.sec_type;
    if (type == "CASH") {
        ticks_per_unit_ = 20000;  // half a pip
        size_unit_ = 100000;
        quote_lots_max_ = 200;
        trade_lots_max_ = 50;
    } else if (type == "FUT" || type == "FOP") {
        ticks_per_unit_ = 4;
        size_unit_ = 1;
        quote_lots_max_ = 80;
        trade_lots_max_ = 20;
    } else if (type == "CRYPTO") {
        ticks_per_unit_ = 4;
        size_unit_ = fractional_sizes ? 0.0001 : 1;
        quote_lots_max_ = fractional_sizes ? 40000 : 8;
        trade_lots_max_ = fractional_sizes ? 5000 : 3;
    } else {
        ticks_per_unit_ = 100;
        size_unit_ = 100;  // quotes in round lots of shares
        quote_lots_max_ = 40;
        trade_lots_max_ = 5;
    }
    const auto start =
        std::max<std::int64_t>(std::llround(contract.start_price * static_cast<double>(ticks_per_unit_)), 20);
    close_ = start;
    open_ = start + below(21) - 10;
    bid_ = open_ + below(41) - 20;
    ask_ = bid_ + 1 + below(3);
    last_ = below(2) ? bid_ : ask_;
    high_ = std::max({open_, last_, ask_}) + below(15);
    low_ = std::max<std::int64_t>(std::min({open_, last_, bid_}) - below(15), 1);
    bid_size_ = quote_size();
    ask_size_ = quote_size();
    last_size_ = trade_size();
    volume_ = static_cast<double>(1000 + below(50000)) * size_unit_;
    if (size_unit_ < 1) volume_ = std::round(volume_ * 10000) / 10000;
}

std::uint64_t QuoteStream::random() noexcept {
    // splitmix64: small, fast, and the same everywhere.
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

double QuoteStream::quote_size() noexcept {
    const auto lots = 1 + below(quote_lots_max_);
    // Whole units divided, not multiplied, so a fraction reads back as the decimal it was meant to be.
    return size_unit_ < 1 ? static_cast<double>(lots) / (1 / size_unit_)
                          : static_cast<double>(lots) * size_unit_;
}

double QuoteStream::trade_size() noexcept {
    const auto lots = 1 + below(trade_lots_max_);
    if (size_unit_ < 1) return static_cast<double>(lots) / (1 / size_unit_);
    // Stock trades come in odd sizes too.
    return size_unit_ == 100 ? static_cast<double>(lots * 100 - below(2) * below(100))
                             : static_cast<double>(lots) * size_unit_;
}

void QuoteStream::add_price(std::vector<SimTick>& out, std::int32_t type, std::int64_t ticks,
                            double size) const {
    out.push_back({type, true, price(ticks), size});
}

void QuoteStream::add_size(std::vector<SimTick>& out, std::int32_t type, double size) const {
    out.push_back({type, false, size, 0});
}

void QuoteStream::initial(std::vector<SimTick>& out) const {
    add_price(out, 1, bid_, bid_size_);
    add_size(out, 0, bid_size_);
    add_price(out, 2, ask_, ask_size_);
    add_size(out, 3, ask_size_);
    add_price(out, 4, last_, last_size_);
    add_size(out, 5, last_size_);
    add_size(out, 8, volume_);
    add_price(out, 6, high_, 0);
    add_price(out, 7, low_, 0);
    add_price(out, 9, close_, 0);
    add_price(out, 14, open_, 0);
}

void QuoteStream::next(std::vector<SimTick>& out) {
    const auto roll = below(100);
    if (roll < 40) {
        // The quote moves: one side steps, the other follows when the spread would cross or widen.
        const bool bid_side = below(2) == 0;
        std::int64_t step = below(5) - 2;
        if (step == 0) step = 1;
        if (bid_side) {
            bid_ = std::max<std::int64_t>(bid_ + step, 1);
            bid_size_ = quote_size();
            add_price(out, 1, bid_, bid_size_);
            add_size(out, 0, bid_size_);
            if (ask_ <= bid_ || ask_ - bid_ > 4) {
                ask_ = bid_ + 1 + below(2);
                ask_size_ = quote_size();
                add_price(out, 2, ask_, ask_size_);
                add_size(out, 3, ask_size_);
            }
        } else {
            ask_ = std::max<std::int64_t>(ask_ + step, 2);
            ask_size_ = quote_size();
            add_price(out, 2, ask_, ask_size_);
            add_size(out, 3, ask_size_);
            if (bid_ >= ask_ || ask_ - bid_ > 4) {
                bid_ = std::max<std::int64_t>(ask_ - 1 - below(2), 1);
                bid_size_ = quote_size();
                add_price(out, 1, bid_, bid_size_);
                add_size(out, 0, bid_size_);
            }
        }
    } else if (roll < 55) {
        // Only a size changes.
        if (below(2) == 0) {
            bid_size_ = quote_size();
            add_size(out, 0, bid_size_);
        } else {
            ask_size_ = quote_size();
            add_size(out, 3, ask_size_);
        }
    } else if (roll < 92) {
        // A trade at the bid or the ask.
        last_ = below(2) == 0 ? bid_ : ask_;
        last_size_ = trade_size();
        volume_ += last_size_;
        if (size_unit_ < 1) volume_ = std::round(volume_ * 10000) / 10000;
        add_price(out, 4, last_, last_size_);
        add_size(out, 5, last_size_);
        add_size(out, 8, volume_);
        if (last_ > high_) {
            high_ = last_;
            add_price(out, 6, high_, 0);
        }
        if (last_ < low_) {
            low_ = last_;
            add_price(out, 7, low_, 0);
        }
    } else {
        // TWS repeats sizes that did not change.
        const bool bid_side = below(2) == 0;
        add_size(out, bid_side ? 0 : 3, bid_side ? bid_size_ : ask_size_);
    }
}

}  // namespace corvel::sim
