#include "market_data/quote_contract.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace corvel {
namespace {

std::string error_of(const std::function<void()>& call) {
    try {
        call();
    } catch (const std::invalid_argument& e) {
        return e.what();
    }
    return {};
}

TEST(ContractText, StocksNeedFourFieldsAndTakeAPrimaryExchange) {
    const QuoteContract c = parse_contract_option("STK:IBM:SMART:USD:primary=NYSE");
    EXPECT_EQ(c.sec_type, "STK");
    EXPECT_EQ(c.symbol, "IBM");
    EXPECT_EQ(c.exchange, "SMART");
    EXPECT_EQ(c.currency, "USD");
    EXPECT_EQ(c.primary_exchange, "NYSE");
    EXPECT_EQ(c.label(), "IBM");
    EXPECT_EQ(parse_contract_option("cash:EUR:IDEALPRO:USD").label(), "EUR.USD");
}

TEST(ContractText, OptionsAndFuturesCarryTheirOwnFields) {
    const QuoteContract o =
        parse_contract_option("OPT:IBM:SMART:USD:expiry=20261218:strike=150.5:right=c:multiplier=100");
    EXPECT_EQ(o.expiry, "20261218");
    EXPECT_EQ(o.strike, 150.5);
    EXPECT_EQ(o.right, "C");
    EXPECT_EQ(o.multiplier, "100");
    EXPECT_EQ(o.label(), "IBM 20261218 150.5 C");
    EXPECT_EQ(parse_contract_option("Futures:ES:CME:USD:expiry=202612").sec_type, "FUT");
}

TEST(ContractText, MistakesAreExplained) {
    EXPECT_NE(error_of([] { parse_contract_option("IBM"); }).find("TYPE:SYMBOL:EXCHANGE:CURRENCY"),
              std::string::npos);
    EXPECT_NE(error_of([] { parse_contract_option("STK::SMART:USD"); }).find("must not be empty"),
              std::string::npos);
    EXPECT_NE(error_of([] { parse_contract_option("OPT:IBM:SMART:USD:strike=abc"); }).find("strike 'abc'"),
              std::string::npos);
    EXPECT_NE(error_of([] { parse_contract_option("OPT:IBM:SMART:USD:colour=red"); }).find("'colour'"),
              std::string::npos);
    EXPECT_NE(error_of([] { parse_contract_option("OPT:IBM:SMART:USD:20261218"); }).find("'20261218'"),
              std::string::npos);
}

TEST(ContractsFile, TheNineWorksheetColumnsWithCommasOrTabs) {
    const auto contracts = parse_contracts_file(
        "Ticker,Type,Expiry,Strike,P/C,Multiplier,Exchange,Primary Exchange,Currency\n"
        "IBM,Stock,,,,,SMART,NYSE,USD\n"
        "# a comment\n"
        "\n"
        "ES\tFUT\t202612\t\t\t50\tCME\t\tUSD\r\n"
        "IBM,OPT,20261218,150,P,100,SMART,,USD");
    ASSERT_EQ(contracts.size(), 3U);
    EXPECT_EQ(contracts[0].sec_type, "STK");
    EXPECT_EQ(contracts[0].primary_exchange, "NYSE");
    EXPECT_EQ(contracts[1].expiry, "202612");
    EXPECT_EQ(contracts[1].multiplier, "50");
    EXPECT_EQ(contracts[1].currency, "USD");
    EXPECT_EQ(contracts[2].strike, 150);
    EXPECT_EQ(contracts[2].right, "P");
}

TEST(ContractsFile, ABadLineIsNamed) {
    EXPECT_NE(error_of([] {
                  parse_contracts_file("IBM,STK,,,,,SMART,,USD\nMSFT,STK,SMART,USD\n");
              }).find("line 2: expected 9 columns"),
              std::string::npos);
    EXPECT_NE(error_of([] {
                  parse_contracts_file("IBM,OPT,2026,x,C,100,SMART,,USD\n");
              }).find("line 1: strike 'x'"),
              std::string::npos);
}

TEST(TickList, RangesAndListsBecomeSortedUniqueTypes) {
    EXPECT_EQ(parse_tick_list("0-9"), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(parse_tick_list("4, 1,2,4,14"), (std::vector<int>{1, 2, 4, 14}));
    EXPECT_NE(error_of([] { parse_tick_list("51"); }).find("0 to 50"), std::string::npos);
    EXPECT_NE(error_of([] { parse_tick_list("9-1"); }).find("backwards"), std::string::npos);
    EXPECT_NE(error_of([] { parse_tick_list("1,,2"); }).find("''"), std::string::npos);
}

}  // namespace
}  // namespace corvel
