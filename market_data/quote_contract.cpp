#include "market_data/quote_contract.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>

#include "common/security_types.h"
#include "common/text.h"
#include "market_data/tick_type.h"

namespace corvel {

namespace {

using text::split;
using text::trim;

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

// The security types the contract dialog offers, by code or by name, in any letter case.
std::string sec_type_code(std::string_view text) {
    for (const SecurityType& type : kSecurityTypes) {
        if (equals_ignore_case(text, type.code) || equals_ignore_case(text, type.name)) {
            return std::string(type.code);
        }
    }
    // Anything else TWS knows (CRYPTO, BOND, CFD ...) goes through as written.
    return upper(text);
}

double parse_strike(std::string_view text) {
    if (text.empty()) return 0;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size() || !std::isfinite(value) || value < 0) {
        throw std::invalid_argument("strike '" + std::string(text) + "' is not a number");
    }
    return value;
}

}  // namespace

std::string QuoteContract::label() const {
    if (sec_type == "CASH" && !currency.empty()) return symbol + "." + currency;
    std::string out = symbol;
    if (!expiry.empty()) out += " " + expiry;
    if (strike != 0) {
        char text[32];
        const auto [ptr, ec] = std::to_chars(text, text + sizeof text, strike);
        (void)ec;
        out += " " + std::string(text, ptr);
    }
    if (!right.empty()) out += " " + right;
    return out;
}

QuoteContract parse_contract_option(std::string_view option) {
    const std::string shown = "contract '" + std::string(option) + "': ";
    const auto parts = split(option, ':');
    if (parts.size() < 4) {
        throw std::invalid_argument(shown +
                                    "expected TYPE:SYMBOL:EXCHANGE:CURRENCY, for example STK:IBM:SMART:USD");
    }
    QuoteContract c;
    c.sec_type = sec_type_code(parts[0]);
    c.symbol = std::string(parts[1]);
    c.exchange = std::string(parts[2]);
    c.currency = std::string(parts[3]);
    if (c.sec_type.empty() || c.symbol.empty())
        throw std::invalid_argument(shown + "type and symbol must not be empty");
    for (std::size_t i = 4; i < parts.size(); ++i) {
        const std::size_t eq = parts[i].find('=');
        if (eq == std::string_view::npos) {
            throw std::invalid_argument(shown + "'" + std::string(parts[i]) +
                                        "' is not one of expiry=, strike=, right=, multiplier=, primary=");
        }
        const std::string_view key = trim(parts[i].substr(0, eq));
        const std::string_view value = trim(parts[i].substr(eq + 1));
        try {
            if (key == "expiry")
                c.expiry = std::string(value);
            else if (key == "strike")
                c.strike = parse_strike(value);
            else if (key == "right")
                c.right = upper(value);
            else if (key == "multiplier")
                c.multiplier = std::string(value);
            else if (key == "primary")
                c.primary_exchange = std::string(value);
            else
                throw std::invalid_argument("'" + std::string(key) +
                                            "' is not one of expiry, strike, right, multiplier, primary");
        } catch (const std::invalid_argument& e) {
            throw std::invalid_argument(shown + e.what());
        }
    }
    return c;
}

std::vector<QuoteContract> parse_contracts_file(std::string_view text) {
    std::vector<QuoteContract> out;
    int line_number = 0;
    while (!text.empty()) {
        const std::string_view line = corvel::text::next_line(text);
        ++line_number;
        if (line.empty() || line.front() == '#') continue;
        const auto fields = split(line, line.find('\t') != std::string_view::npos ? '\t' : ',');
        if (line_number == 1 && equals_ignore_case(fields[0], "Ticker")) continue;
        const std::string where = "contracts file line " + std::to_string(line_number) + ": ";
        if (fields.size() != 9) {
            throw std::invalid_argument(
                where +
                "expected 9 columns (ticker, type, expiry, strike, right, multiplier, "
                "exchange, primary exchange, currency) but found " +
                std::to_string(fields.size()));
        }
        QuoteContract c;
        c.symbol = std::string(fields[0]);
        c.sec_type = sec_type_code(fields[1]);
        c.expiry = std::string(fields[2]);
        try {
            c.strike = parse_strike(fields[3]);
        } catch (const std::invalid_argument& e) {
            throw std::invalid_argument(where + e.what());
        }
        c.right = upper(fields[4]);
        c.multiplier = std::string(fields[5]);
        c.exchange = std::string(fields[6]);
        c.primary_exchange = std::string(fields[7]);
        c.currency = std::string(fields[8]);
        if (c.symbol.empty() || c.sec_type.empty())
            throw std::invalid_argument(where + "ticker and type must not be empty");
        out.push_back(std::move(c));
    }
    return out;
}

std::vector<int> parse_tick_list(std::string_view text) {
    std::vector<int> out;
    const auto number = [&](std::string_view s) {
        int v = -1;
        const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
        if (s.empty() || ec != std::errc() || ptr != s.data() + s.size() || v < 0 || v > kMaxFilterType) {
            throw std::invalid_argument("tick type '" + std::string(s) + "' is not a number from 0 to " +
                                        std::to_string(kMaxFilterType));
        }
        return v;
    };
    for (const std::string_view item : split(text, ',')) {
        const std::size_t dash = item.find('-');
        if (dash == std::string_view::npos) {
            out.push_back(number(item));
            continue;
        }
        const int from = number(trim(item.substr(0, dash)));
        const int to = number(trim(item.substr(dash + 1)));
        if (to < from) throw std::invalid_argument("tick range '" + std::string(item) + "' runs backwards");
        for (int t = from; t <= to; ++t)
            out.push_back(t);
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

}  // namespace corvel
