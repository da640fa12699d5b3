#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "market_data/quote_contract.h"

namespace corvel::rtd {

// Where a topic's quotes come from: "host:port" or "host:port:clientId" as a formula gives it; without
// a client id the one of the stored settings is used.
struct Endpoint {
    std::string host;
    std::int32_t port = 0;
    std::optional<std::int32_t> client_id;
};

// Throws std::invalid_argument saying what is wrong.
Endpoint parse_endpoint(std::string_view text);

// What a quote topic shows of its contract: one tick type's latest value, or the local time of the
// contract's latest update.
struct Field {
    bool time = false;
    std::int32_t tick_type = 0;
};

// LAST, BID, ASK, LAST_SIZE, BID_SIZE, ASK_SIZE, HIGH, LOW, VOLUME, CLOSE, OPEN, TIME or any tick-type
// name (BID_PRICE, MARK_PRICE ...), in any letter case; nullopt for anything else.
std::optional<Field> parse_field(std::string_view text);

// The topic "STATUS" (the connection's state as text) or a contract with a field, each optionally with
// its connection.
struct Topic {
    bool status = false;
    QuoteContract contract;
    Field field;
    std::optional<Endpoint> endpoint;
};

inline constexpr const char* kStatusTopic = "STATUS";

// The strings of a formula after the server's name: (contract, field [, connection]) or
// ("STATUS" [, connection]). Throws std::invalid_argument with a reason a user can act on.
Topic parse_topic(const std::vector<std::string>& strings);

// Equal for two contracts exactly when TWS is asked for the same market data: the topics of one
// contract share its line.
std::string contract_key(const QuoteContract& contract);

}  // namespace corvel::rtd
