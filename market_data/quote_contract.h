#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvel {

// One contract of the quotes worksheet: its nine columns, in their order.
struct QuoteContract {
    std::string symbol;
    std::string sec_type;
    std::string expiry;
    double strike = 0;
    std::string right;
    std::string multiplier;
    std::string exchange;
    std::string primary_exchange;
    std::string currency;

    // How the contract is shown: "IBM", "ES 202612", "IBM 20261218 150 C", "EUR.USD".
    std::string label() const;
};

// "TYPE:SYMBOL:EXCHANGE:CURRENCY" followed by any of ":expiry=...", ":strike=...", ":right=...",
// ":multiplier=...", ":primary=..." (for options and futures). Throws std::invalid_argument saying
// what is wrong.
QuoteContract parse_contract_option(std::string_view option);

// A contracts file: one contract per line in the nine columns of the quotes worksheet (ticker, type,
// expiry, strike, right, multiplier, exchange, primary exchange, currency), separated by commas or
// by tabs (as Excel copies them). A first line starting with "Ticker" is a heading; blank lines and
// lines starting with '#' are skipped. The type is a code (STK) or its name (Stock). Throws
// std::invalid_argument naming the line of the first problem.
std::vector<QuoteContract> parse_contracts_file(std::string_view text);

// "0-9", "0,1,2,4", "0-9,14": the tick types to record. Throws std::invalid_argument.
std::vector<int> parse_tick_list(std::string_view text);

}  // namespace corvel
