#include "tools/tws_sim/sim_contract.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "common/text.h"

namespace corvel::sim {

std::vector<SimContract> default_contracts() {
    return {
        {"AAPL", "STK", "SMART", "USD", 189.25},     {"MSFT", "STK", "SMART", "USD", 421.50},
        {"IBM", "STK", "SMART", "USD", 182.10},      {"SPY", "STK", "ARCA", "USD", 521.30},
        {"EUR", "CASH", "IDEALPRO", "USD", 1.0875},  {"ES", "FUT", "CME", "USD", 5312.25},
        {"BTC", "CRYPTO", "PAXOS", "USD", 64850.00},
    };
}

std::vector<SimContract> parse_contracts(std::string_view text) {
    std::vector<SimContract> out;
    int line_number = 0;
    while (!text.empty()) {
        const std::string_view line = corvel::text::next_line(text);
        ++line_number;
        if (line.empty() || line.front() == '#') continue;
        const std::vector<std::string_view> fields = corvel::text::split(line, ',');
        const std::string where = "contracts line " + std::to_string(line_number) + ": ";
        if (fields.size() != 5) {
            throw std::runtime_error(where + "expected symbol,type,exchange,currency,start price but found " +
                                     std::to_string(fields.size()) + " fields");
        }
        SimContract c{std::string(fields[0]), std::string(fields[1]), std::string(fields[2]),
                      std::string(fields[3]), 0};
        const std::string_view price = fields[4];
        const auto [ptr, ec] = std::from_chars(price.data(), price.data() + price.size(), c.start_price);
        if (ec != std::errc() || ptr != price.data() + price.size() || !(c.start_price > 0) ||
            c.start_price > 1e9) {
            throw std::runtime_error(where + "start price '" + std::string(price) +
                                     "' is not a positive number");
        }
        if (c.symbol.empty() || c.sec_type.empty())
            throw std::runtime_error(where + "symbol and type must not be empty");
        out.push_back(std::move(c));
    }
    return out;
}

std::vector<SimContract> load_contracts(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read contracts file " + file.string());
    std::ostringstream text;
    text << in.rdbuf();
    return parse_contracts(text.str());
}

}  // namespace corvel::sim
