#include "tools/tws_sim/sim_account.h"

#include "common/text.h"

namespace corvel::sim {

std::vector<AccountValue> paper_account_values(std::string_view account) {
    const std::string name(account);
    constexpr const char* kCash = "1000000.00";
    constexpr const char* kNothing = "0.00";
    std::vector<AccountValue> out = {
        {"AccountCode", name, "", false},
        {"AccountOrGroup", name, "BASE", false},
        {"AccountOrGroup", name, "USD", false},
        {"AccountReady", "true", "", false},
        {"AccountType", "INDIVIDUAL", "", false},
        {"AccruedCash", kNothing, "USD", false},
        {"AvailableFunds", kCash, "USD", false},
        {"BuyingPower", "4000000.00", "USD", false},
        {"Cushion", "1", "", false},
        {"DayTradesRemaining", "-1", "", false},
        {"EquityWithLoanValue", kCash, "USD", false},
        {"ExcessLiquidity", kCash, "USD", false},
        {"FullAvailableFunds", kCash, "USD", false},
        {"FullExcessLiquidity", kCash, "USD", false},
        {"FullInitMarginReq", kNothing, "USD", false},
        {"FullMaintMarginReq", kNothing, "USD", false},
        {"GrossPositionValue", kNothing, "USD", false},
        {"InitMarginReq", kNothing, "USD", false},
        {"Leverage-S", kNothing, "", false},
        {"MaintMarginReq", kNothing, "USD", false},
        {"NetLiquidation", kCash, "USD", true},
        {"PreviousDayEquityWithLoanValue", kCash, "USD", false},
        {"RegTEquity", kCash, "USD", false},
        {"RegTMargin", kNothing, "USD", false},
        {"SMA", kCash, "USD", false},
        {"TotalCashValue", kCash, "USD", false},
    };
    // The cash ledger, once in the base currency and once in dollars, which it is.
    for (const char* currency : {"BASE", "USD"}) {
        out.push_back({"CashBalance", kCash, currency, true});
        out.push_back({"Currency", currency, currency, true});
        out.push_back({"ExchangeRate", "1.00", currency, true});
        out.push_back({"NetLiquidationByCurrency", kCash, currency, true});
        out.push_back({"RealizedPnL", kNothing, currency, true});
        out.push_back({"StockMarketValue", kNothing, currency, true});
        out.push_back({"TotalCashBalance", kCash, currency, true});
        out.push_back({"UnrealizedPnL", kNothing, currency, true});
    }
    return out;
}

std::vector<std::string> account_list(std::string_view accounts) {
    std::vector<std::string> out;
    for (const std::string_view a : text::split(accounts, ',')) {
        if (!a.empty()) out.emplace_back(a);
    }
    return out;
}

}  // namespace corvel::sim
