#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvel::sim {

// One account value as TWS's account window lists it.
struct AccountValue {
    std::string key;
    std::string value;
    std::string currency;  // empty for values that are not amounts; BASE for the base currency
    bool ledger = false;   // a cash-ledger or net-liquidation value, as a light request asks for
};

// What a new paper account shows before anything is traded: one million US dollars in cash, no
// positions, no margin in use.
std::vector<AccountValue> paper_account_values(std::string_view account);

// The managed accounts of a comma-separated list, blanks left out.
std::vector<std::string> account_list(std::string_view accounts);

}  // namespace corvel::sim
