#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace corvel::sim {

// A contract the simulator knows, with the price its random walk starts from.
struct SimContract {
    std::string symbol;
    std::string sec_type;
    std::string exchange;
    std::string currency;
    double start_price = 0;
};

// A handful of well-known contracts of every kind the quotes tool shows.
std::vector<SimContract> default_contracts();

// One contract per line: "symbol,type,exchange,currency,start price"; blank lines and lines starting
// with '#' are skipped. Throws std::runtime_error naming the line of the first problem.
std::vector<SimContract> parse_contracts(std::string_view text);
std::vector<SimContract> load_contracts(const std::filesystem::path& file);

}  // namespace corvel::sim
