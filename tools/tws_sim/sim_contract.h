#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "seams/tws_control.h"
#include "tools/tws_sim/server_codec.h"

namespace corvel::sim {

// A contract the simulator knows, with the price its random walk starts from.
struct SimContract {
    std::string symbol;
    std::string sec_type;
    std::string exchange;
    std::string currency;
    double start_price = 0;
    std::int32_t con_id = 0;  // TWS's contract id; 0 until the list is numbered
};

// The first contract id the simulator gives out; a list's contracts are numbered from it in order.
inline constexpr std::int32_t kFirstConId = 100001;
// Numbers the contracts that have no id yet by their place in the list.
void number_contracts(std::vector<SimContract>& contracts);

// A handful of well-known contracts of every kind the quotes tool shows.
std::vector<SimContract> default_contracts();

// One contract per line: "symbol,type,exchange,currency,start price"; blank lines and lines starting
// with '#' are skipped. Throws std::runtime_error naming the line of the first problem.
std::vector<SimContract> parse_contracts(std::string_view text);
std::vector<SimContract> load_contracts(const std::filesystem::path& file);

// Whether a request names `contract`: by contract id, or by symbol (and type when given). Market-data
// requests are served for any contract named so.
bool names_contract(const SimContract& contract, std::int32_t con_id, const ContractRequest& request);
// Whether a contract-details request's fields also fit: currency and exchange when given; a stock
// is found through SMART too, as every US stock routes through it.
bool details_match(const SimContract& contract, std::int32_t con_id, const ContractRequest& request);
// The details TWS would give of `contract` for `request`; sizes are fractional where they may be.
ContractDetailsData contract_details(const SimContract& contract, const ContractRequest& request,
                                     bool fractional_sizes);

}  // namespace corvel::sim
