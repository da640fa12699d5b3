#pragma once

#include <cstdint>
#include <string_view>

namespace corvel {

// Tick types as the TWS reports them; a tick's type is stored as received, so values above the named
// ones (up to 50 pass the record filter) appear as plain numbers.
enum TickType : std::int32_t {
    BID_SIZE = 0,
    BID_PRICE = 1,
    ASK_PRICE = 2,
    ASK_SIZE = 3,
    LAST_PRICE = 4,
    LAST_SIZE = 5,
    HIGH_TICK = 6,
    LOW_TICK = 7,
    VOLUME_TICK = 8,
    CLOSE_PRICE = 9,
    BID_OPTION_COMPUTATION = 10,
    ASK_OPTION_COMPUTATION = 11,
    LAST_OPTION_COMPUTATION = 12,
    MODEL_OPTION = 13,
    OPEN_TICK = 14,
    LOW_13_WEEK = 15,
    HIGH_13_WEEK = 16,
    LOW_26_WEEK = 17,
    HIGH_26_WEEK = 18,
    LOW_52_WEEK = 19,
    HIGH_52_WEEK = 20,
    AVG_VOLUME = 21,
    OPEN_INTEREST = 22,
    OPTION_HISTORICAL_VOL = 23,
    OPTION_IMPLIED_VOL = 24,
    OPTION_BID_EXCH = 25,
    OPTION_ASK_EXCH = 26,
    OPTION_CALL_OPEN_INTEREST = 27,
    OPTION_PUT_OPEN_INTEREST = 28,
    OPTION_CALL_VOLUME = 29,
    OPTION_PUT_VOLUME = 30,
    INDEX_FUTURE_PREMIUM = 31,
    BID_EXCH = 32,
    ASK_EXCH = 33,
    AUCTION_VOLUME = 34,
    AUCTION_PRICE = 35,
    AUCTION_IMBALANCE = 36,
    MARK_PRICE = 37,
};

inline constexpr std::int32_t kLastNamedTickType = MARK_PRICE;
// The highest tick type a connection object accepts into its record filter; condensing keeps a bar
// for every type up to it.
inline constexpr std::int32_t kMaxFilterType = 50;

// The published error enumeration; nothing raises or returns it.
enum corvelErrors : std::int32_t {
    corvelErrorNoError = 0,
};

// "BID_SIZE" ... "MARK_PRICE"; empty for numbers without a name.
constexpr std::string_view tick_type_name(std::int32_t type) noexcept {
    constexpr std::string_view names[] = {
        "BID_SIZE",
        "BID_PRICE",
        "ASK_PRICE",
        "ASK_SIZE",
        "LAST_PRICE",
        "LAST_SIZE",
        "HIGH_TICK",
        "LOW_TICK",
        "VOLUME_TICK",
        "CLOSE_PRICE",
        "BID_OPTION_COMPUTATION",
        "ASK_OPTION_COMPUTATION",
        "LAST_OPTION_COMPUTATION",
        "MODEL_OPTION",
        "OPEN_TICK",
        "LOW_13_WEEK",
        "HIGH_13_WEEK",
        "LOW_26_WEEK",
        "HIGH_26_WEEK",
        "LOW_52_WEEK",
        "HIGH_52_WEEK",
        "AVG_VOLUME",
        "OPEN_INTEREST",
        "OPTION_HISTORICAL_VOL",
        "OPTION_IMPLIED_VOL",
        "OPTION_BID_EXCH",
        "OPTION_ASK_EXCH",
        "OPTION_CALL_OPEN_INTEREST",
        "OPTION_PUT_OPEN_INTEREST",
        "OPTION_CALL_VOLUME",
        "OPTION_PUT_VOLUME",
        "INDEX_FUTURE_PREMIUM",
        "BID_EXCH",
        "ASK_EXCH",
        "AUCTION_VOLUME",
        "AUCTION_PRICE",
        "AUCTION_IMBALANCE",
        "MARK_PRICE",
    };
    return (type >= 0 && type <= kLastNamedTickType) ? names[type] : std::string_view{};
}

}  // namespace corvel
