#include "tools/tws_sim/sim_contract.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "common/text.h"
#include "tools/tws_sim/quote_stream.h"

namespace corvel::sim {

void number_contracts(std::vector<SimContract>& contracts) {
    for (std::size_t i = 0; i < contracts.size(); ++i) {
        if (contracts[i].con_id == 0) contracts[i].con_id = kFirstConId + static_cast<std::int32_t>(i);
    }
}

std::vector<SimContract> default_contracts() {
    std::vector<SimContract> out = {
        {"AAPL", "STK", "SMART", "USD", 189.25},     {"MSFT", "STK", "SMART", "USD", 421.50},
        {"IBM", "STK", "SMART", "USD", 182.10},      {"SPY", "STK", "ARCA", "USD", 521.30},
        {"EUR", "CASH", "IDEALPRO", "USD", 1.0875},  {"ES", "FUT", "CME", "USD", 5312.25},
        {"BTC", "CRYPTO", "PAXOS", "USD", 64850.00},
    };
    number_contracts(out);
    return out;
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
    number_contracts(out);
    return out;
}

std::vector<SimContract> load_contracts(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read contracts file " + file.string());
    std::ostringstream text;
    text << in.rdbuf();
    return parse_contracts(text.str());
}

bool names_contract(const SimContract& contract, std::int32_t con_id, const ContractRequest& request) {
    if (con_id != 0 && contract.con_id != con_id) return false;
    if (con_id == 0 && request.symbol.empty()) return false;
    if (!request.symbol.empty() && !equals_ignore_case(contract.symbol, request.symbol)) return false;
    return request.sec_type.empty() || equals_ignore_case(contract.sec_type, request.sec_type);
}

bool details_match(const SimContract& contract, std::int32_t con_id, const ContractRequest& request) {
    if (!names_contract(contract, con_id, request)) return false;
    if (!request.currency.empty() && !equals_ignore_case(contract.currency, request.currency)) return false;
    const std::string& asked = request.exchange;
    if (asked.empty() || equals_ignore_case(asked, contract.exchange)) return true;
    return contract.sec_type == "STK" && (equals_ignore_case(asked, "SMART") || contract.exchange == "SMART");
}

ContractDetailsData contract_details(const SimContract& c, const ContractRequest& request,
                                     bool fractional_sizes) {
    ContractDetailsData d;
    d.symbol = c.symbol;
    d.sec_type = c.sec_type;
    d.currency = c.currency;
    d.con_id = c.con_id;
    const bool stock = c.sec_type == "STK";
    // A stock asked for through SMART is reported there, with its own exchange as the primary one.
    const bool routed = stock && equals_ignore_case(request.exchange, "SMART");
    d.exchange = routed ? "SMART" : c.exchange;
    if (stock && c.exchange != "SMART") d.primary_exchange = c.exchange;
    d.local_symbol = c.sec_type == "CASH" ? c.symbol + "." + c.currency : c.symbol;
    d.market_name = d.local_symbol;
    d.trading_class = d.local_symbol;
    d.long_name = d.local_symbol;
    d.min_tick = QuoteStream(c, 0, fractional_sizes).min_tick();
    d.order_types = "LMT,MKT,STP,STPLMT,TRAIL";
    d.valid_exchanges = stock && c.exchange != "SMART" ? "SMART," + c.exchange : c.exchange;
    d.time_zone_id = "UTC";  // the simulator's markets never close, and its clock is UTC
    if (stock) {
        d.stock_type = "COMMON";
        d.suggested_size_increment = 100;
    } else if (c.sec_type == "CRYPTO" && fractional_sizes) {
        d.min_size = d.size_increment = d.suggested_size_increment = 0.0001;
    }
    return d;
}

}  // namespace corvel::sim
