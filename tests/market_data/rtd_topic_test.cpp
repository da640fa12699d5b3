#include "market_data/rtd/rtd_topic.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace corvel::rtd {
namespace {

std::string error_of(const std::vector<std::string>& strings) {
    try {
        parse_topic(strings);
    } catch (const std::invalid_argument& e) {
        return e.what();
    }
    return {};
}

TEST(RtdTopic, FieldsAreShortNamesTimeOrTickTypeNamesInAnyCase) {
    EXPECT_EQ(parse_field("LAST")->tick_type, 4);
    EXPECT_EQ(parse_field("bid")->tick_type, 1);
    EXPECT_EQ(parse_field(" Ask_Size ")->tick_type, 3);
    EXPECT_EQ(parse_field("volume")->tick_type, 8);
    EXPECT_EQ(parse_field("OPEN")->tick_type, 14);
    EXPECT_EQ(parse_field("bid_price")->tick_type, 1);
    EXPECT_EQ(parse_field("Mark_Price")->tick_type, 37);
    EXPECT_TRUE(parse_field("time")->time);
    EXPECT_FALSE(parse_field("LAST")->time);
    EXPECT_FALSE(parse_field("PRICE"));
    EXPECT_FALSE(parse_field("4"));
    EXPECT_FALSE(parse_field(""));
}

TEST(RtdTopic, AContractTopicTakesTheQuotesToolsContractTextAndAnOptionalConnection) {
    const Topic t = parse_topic({"FUT:ES:CME:USD:expiry=202612", "last"});
    EXPECT_FALSE(t.status);
    EXPECT_EQ(t.contract.sec_type, "FUT");
    EXPECT_EQ(t.contract.symbol, "ES");
    EXPECT_EQ(t.contract.expiry, "202612");
    EXPECT_EQ(t.field.tick_type, 4);
    EXPECT_FALSE(t.endpoint);

    const Topic c = parse_topic({"CASH:EUR:IDEALPRO:USD", "BID", "10.0.0.5:4002:9"});
    ASSERT_TRUE(c.endpoint);
    EXPECT_EQ(c.endpoint->host, "10.0.0.5");
    EXPECT_EQ(c.endpoint->port, 4002);
    EXPECT_EQ(c.endpoint->client_id, 9);
    // An empty third string is the same as none, as a formula with a blank cell reference gives it.
    EXPECT_FALSE(parse_topic({"STK:IBM:SMART:USD", "BID", ""}).endpoint);
}

TEST(RtdTopic, StatusTakesOnlyAConnection) {
    EXPECT_TRUE(parse_topic({"status"}).status);
    const Topic t = parse_topic({"STATUS", "gw:4001"});
    ASSERT_TRUE(t.endpoint);
    EXPECT_EQ(t.endpoint->port, 4001);
    EXPECT_FALSE(t.endpoint->client_id);
    EXPECT_EQ(error_of({"STATUS", "gw:4001", "x"}), "too many strings in the topic");
}

TEST(RtdTopic, BadTopicsSayWhatIsWrong) {
    EXPECT_EQ(error_of({}), "no topic: give a contract and a field, or STATUS");
    EXPECT_EQ(error_of({"  "}), "no topic: give a contract and a field, or STATUS");
    EXPECT_NE(error_of({"IBM", "LAST"}).find("expected TYPE:SYMBOL:EXCHANGE:CURRENCY"), std::string::npos);
    EXPECT_EQ(error_of({"STK:IBM:SMART:USD"}),
              "no field: give LAST, BID, ASK, TIME or a tick type after the contract");
    EXPECT_EQ(error_of({"STK:IBM:SMART:USD", "PRICE"}), "unknown field 'PRICE'");
    EXPECT_EQ(error_of({"STK:IBM:SMART:USD", "LAST", "host", "x"}), "too many strings in the topic");
}

TEST(RtdTopic, ConnectionsNeedAHostAndAPortAndTakeAClientId) {
    const auto error = [](const char* text) {
        try {
            parse_endpoint(text);
        } catch (const std::invalid_argument& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    EXPECT_EQ(parse_endpoint(" localhost : 7496 ").host, "localhost");
    EXPECT_EQ(error("localhost"), "connection 'localhost': expected host:port or host:port:clientId");
    EXPECT_EQ(error(":7496"), "connection ':7496': the host is empty");
    EXPECT_EQ(error("h:0"), "connection 'h:0': the port must be a number from 1 to 65535");
    EXPECT_EQ(error("h:65536"), "connection 'h:65536': the port must be a number from 1 to 65535");
    EXPECT_EQ(error("h:74x"), "connection 'h:74x': the port must be a number from 1 to 65535");
    EXPECT_EQ(error("h:7496:-1"), "connection 'h:7496:-1': the client id must be a number from 0");
    EXPECT_EQ(error("h:1:2:3"), "connection 'h:1:2:3': expected host:port or host:port:clientId");
}

TEST(RtdTopic, ContractKeysAreEqualExactlyForTheSameRequest) {
    const auto key = [](const char* text) { return contract_key(parse_contract_option(text)); };
    EXPECT_EQ(key("STK:IBM:SMART:USD"), key("stock:IBM:SMART:USD"));
    EXPECT_NE(key("STK:IBM:SMART:USD"), key("STK:IBM:SMART:EUR"));
    EXPECT_NE(key("FUT:ES:CME:USD:expiry=202612"), key("FUT:ES:CME:USD:expiry=202703"));
    EXPECT_NE(key("OPT:IBM:SMART:USD:strike=150:right=C"), key("OPT:IBM:SMART:USD:strike=155:right=C"));
}

}  // namespace
}  // namespace corvel::rtd
