#include "market_data/rtd/rtd_server.h"

#include <gtest/gtest.h>

#include <map>

#include "market_data/global.h"
#include "tests/support/fake_tws.h"

namespace corvel::rtd {
namespace {

constexpr double kSecond = 1.0 / 86400.0;

struct CountingEvents final : UpdateEvents {
    int notifies = 0;
    std::function<void()> on_notify;
    void UpdateNotify() override {
        ++notifies;
        if (on_notify) on_notify();
    }
};

class RtdServerTest : public ::testing::Test {
  protected:
    fakes::FakeEnvironment fake;
    std::unique_ptr<RtdServer> server;
    CountingEvents events;

    void SetUp() override { start(); }
    void start() {
        server = std::make_unique<RtdServer>(fake.environment());
        server->ServerStart(&events);
    }
    fakes::ControlScript& control() { return *fake.script; }
    Variant connect(std::int32_t topic, std::vector<std::string> strings) {
        return server->ConnectData(topic, strings);
    }
    // The topics a refresh returns, by id.
    std::map<std::int32_t, Variant> refresh() {
        std::map<std::int32_t, Variant> out;
        for (auto& [id, value] : server->RefreshData())
            out.emplace(id, value);
        return out;
    }
    void after_seconds(double s) {
        fake.clock->set(fake.clock->now() + s * kSecond);
        server->poll();
    }
    std::size_t count(const char* call) const { return fake.script->calls_named(call).size(); }
};

TEST_F(RtdServerTest, TopicsOfOneContractShareOneLineOnTheStoredConnection) {
    EXPECT_EQ(connect(1, {"STK:IBM:SMART:USD", "LAST"}), Variant(kConnectingText));
    connect(2, {"STK:IBM:SMART:USD", "bid"});
    connect(3, {"CASH:EUR:IDEALPRO:USD", "ASK"});
    // ConnectData never waits for TWS: the connection is made from the timer.
    EXPECT_EQ(count("connect"), 0u);
    server->poll();
    const auto connects = control().calls_named("connect");
    ASSERT_EQ(connects.size(), 1u);
    EXPECT_EQ(connects[0].host, "127.0.0.1");
    EXPECT_EQ(connects[0].port, 7497);
    EXPECT_EQ(connects[0].client_id, 17);
    const auto requests = control().calls_named("request");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].contract.symbol, "IBM");
    EXPECT_EQ(requests[1].contract.symbol, "EUR");
    EXPECT_EQ(requests[1].contract.sec_type, "CASH");
    EXPECT_EQ(server->line_count(), 2u);
    // Once connected, the cells wait for their first tick.
    const auto values = refresh();
    EXPECT_EQ(values.at(1), Variant(kWaitingText));
    EXPECT_EQ(values.at(3), Variant(kWaitingText));
    // A contract added later is asked for at once.
    connect(4, {"STK:MSFT:SMART:USD", "LAST"});
    EXPECT_EQ(count("request"), 3u);
}

TEST_F(RtdServerTest, OneNotifyUntilTheNextRefreshWhichReturnsOnlyChangedTopicsWithLatestValues) {
    connect(1, {"STK:IBM:SMART:USD", "LAST"});
    connect(2, {"STK:IBM:SMART:USD", "BID"});
    connect(3, {"STK:IBM:SMART:USD", "TIME"});
    connect(4, {"STK:MSFT:SMART:USD", "LAST"});
    server->poll();
    refresh();
    events.notifies = 0;

    fake.clock->set(46001.25);
    control().price(1, LAST_PRICE, 150.5);
    control().price(1, LAST_PRICE, 150.75);
    control().price(1, BID_PRICE, 150.25);
    EXPECT_EQ(events.notifies, 1);
    auto values = refresh();
    EXPECT_EQ(values.size(), 3u);  // MSFT did not change
    EXPECT_EQ(values.at(1), Variant(150.75));
    EXPECT_EQ(values.at(2), Variant(150.25));
    EXPECT_EQ(values.at(3), Variant(OleDate{46001.25}));
    EXPECT_TRUE(refresh().empty());

    control().price(2, LAST_PRICE, 410.0);
    EXPECT_EQ(events.notifies, 2);
    // The same value again changes nothing, and is not told.
    refresh();
    fake.clock->set(46001.25);
    control().price(2, LAST_PRICE, 410.0);
    EXPECT_EQ(events.notifies, 2);
}

TEST_F(RtdServerTest, AHostThatRefreshesInsideItsNotificationGetsEverythingOfTheBatch) {
    connect(1, {"STK:IBM:SMART:USD", "LAST"});
    connect(2, {"STK:IBM:SMART:USD", "LAST_SIZE"});
    server->poll();
    refresh();
    events.notifies = 0;
    std::map<std::int32_t, Variant> seen;
    events.on_notify = [&] {
        for (auto& [id, value] : server->RefreshData())
            seen[id] = value;
    };
    control().price(1, LAST_PRICE, 10);
    control().size(1, LAST_SIZE, 300);
    EXPECT_EQ(seen.at(1), Variant(10.0));
    EXPECT_EQ(seen.at(2), Variant(300.0));
    EXPECT_EQ(events.notifies, 2);
}

TEST_F(RtdServerTest, BadTopicsAndUnknownContractsShowTextsInTheirCellsOnly) {
    EXPECT_EQ(connect(1, {"STK:IBM:SMART:USD", "PRICE"}),
              Variant(std::string(kBadTopicPrefix) + "unknown field 'PRICE'"));
    EXPECT_EQ(connect(2, {"IBM"}).to_text().rfind(kBadTopicPrefix, 0), 0u);
    EXPECT_EQ(server->connection_count(), 0u);  // nothing to connect for

    connect(3, {"STK:NOSUCH:SMART:USD", "LAST"});
    connect(4, {"STK:NOSUCH:SMART:USD", "BID"});
    connect(5, {"STK:IBM:SMART:USD", "LAST"});
    server->poll();
    refresh();
    control().error(1, 200, "No security definition has been found for the request");
    const auto values = refresh();
    const Variant text("error 200: No security definition has been found for the request");
    EXPECT_EQ(values.at(3), text);
    EXPECT_EQ(values.at(4), text);
    EXPECT_FALSE(values.count(5));
    // Notices are not errors; a tick shows the line works after all.
    control().error(1, 2104, "Market data farm connection is OK");
    EXPECT_TRUE(refresh().empty());
    control().price(1, LAST_PRICE, 3.5);
    EXPECT_EQ(refresh().at(3), Variant(3.5));
    // Disconnecting a bad topic is harmless.
    server->DisconnectData(1);
    server->DisconnectData(99);
}

TEST_F(RtdServerTest, ALostConnectionComesBackWithGrowingPausesAndItsLinesRequestedAgain) {
    connect(1, {"STK:IBM:SMART:USD", "LAST"});
    connect(2, {"STATUS"});
    server->poll();
    control().price(1, LAST_PRICE, 150);
    EXPECT_EQ(refresh().at(2), Variant("connected to 127.0.0.1:7497, client id 17"));

    control().error(-1, 509, "TWS closed the connection");
    auto values = refresh();
    EXPECT_EQ(values.at(1), Variant(kConnectingText));
    EXPECT_EQ(values.at(2), Variant("disconnected from 127.0.0.1:7497: error 509: TWS closed the connection; "
                                    "trying again in 1 s"));

    control().fail("connect", true);
    after_seconds(0.5);
    EXPECT_EQ(count("connect"), 1u);  // not yet
    after_seconds(0.6);
    EXPECT_EQ(count("connect"), 2u);  // after 1 s, refused
    after_seconds(1.5);
    EXPECT_EQ(count("connect"), 2u);  // the pause is 2 s now
    after_seconds(0.6);
    EXPECT_EQ(count("connect"), 3u);
    EXPECT_EQ(refresh().at(2),
              Variant("disconnected from 127.0.0.1:7497: cannot connect; trying again in 4 s"));

    control().failure.reset();
    after_seconds(4.1);
    EXPECT_EQ(count("connect"), 4u);
    const auto requests = control().calls_named("request");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].id, requests[0].id);
    EXPECT_EQ(requests[1].contract.symbol, "IBM");
    values = refresh();
    // The old quote is not passed off as the new connection's.
    EXPECT_EQ(values.at(1), Variant(kWaitingText));
    control().price(1, LAST_PRICE, 151);
    EXPECT_EQ(refresh().at(1), Variant(151.0));

    // Pauses start small again after a success, and never grow past the longest.
    control().error(-1, 509, "TWS closed the connection");
    after_seconds(1.01);
    EXPECT_EQ(count("connect"), 5u);
    control().fail("connect", true);
    for (int i = 0; i < 10; ++i) {
        control().error(-1, 509, "closed");
        after_seconds(31);
    }
    EXPECT_EQ(count("connect"), 15u);
    EXPECT_EQ(refresh().at(2),
              Variant("disconnected from 127.0.0.1:7497: cannot connect; trying again in 30 s"));
}

TEST_F(RtdServerTest, AFailedConnectSaysWhyInTheStatus) {
    connect(1, {"STATUS"});
    connect(2, {"STK:IBM:SMART:USD", "LAST"});
    EXPECT_EQ(refresh().size(), 0u);
    // The control reports why while it connects, and then fails the call.
    control().on_connect = [&] { control().error(-1, 502, "Couldn't connect to TWS."); };
    control().fail("connect");
    server->poll();
    const auto values = refresh();
    EXPECT_EQ(values.at(1), Variant("disconnected from 127.0.0.1:7497: error 502: Couldn't connect to TWS.; "
                                    "trying again in 1 s"));
    EXPECT_FALSE(values.count(2));  // still "#N/A connecting", as it was
    EXPECT_EQ(count("request"), 0u);
    control().on_connect = nullptr;
    after_seconds(1);
    EXPECT_EQ(refresh().at(1), Variant("connected to 127.0.0.1:7497, client id 17"));
    EXPECT_EQ(count("request"), 1u);
}

TEST_F(RtdServerTest, ErrorsThatDoNotEndTheConnectionLeaveTheCellsAlone) {
    connect(1, {"STK:IBM:SMART:USD", "LAST"});
    server->poll();
    control().price(1, LAST_PRICE, 150);
    refresh();
    control().error(-1, 1100, "Connectivity between IB and Trader Workstation has been lost.");
    control().error(77, 300, "Can't find EId with tickerId:77");
    EXPECT_TRUE(refresh().empty());
    EXPECT_EQ(count("disconnect"), 0u);
}

TEST_F(RtdServerTest, TheLastTopicOfAContractCancelsItsLineAndTheLastOfAConnectionClosesIt) {
    connect(1, {"STK:IBM:SMART:USD", "LAST"});
    connect(2, {"STK:IBM:SMART:USD", "BID"});
    connect(3, {"STK:MSFT:SMART:USD", "LAST"});
    server->poll();
    server->DisconnectData(1);
    EXPECT_EQ(count("cancel"), 0u);
    server->DisconnectData(2);
    ASSERT_EQ(count("cancel"), 1u);
    EXPECT_EQ(control().calls_named("cancel")[0].id, 1);
    EXPECT_EQ(server->line_count(), 1u);
    // Ticks of a cancelled line that were already on their way change nothing.
    refresh();
    control().price(1, LAST_PRICE, 5);
    EXPECT_TRUE(refresh().empty());
    server->DisconnectData(3);
    EXPECT_EQ(count("cancel"), 2u);
    EXPECT_EQ(count("disconnect"), 1u);
    EXPECT_EQ(server->connection_count(), 0u);
    server->poll();  // frees what the connection held
    EXPECT_FALSE(control().control_alive);
}

TEST_F(RtdServerTest, ATopicIdConnectedAgainReplacesItsTopic) {
    connect(1, {"STK:IBM:SMART:USD", "LAST"});
    server->poll();
    connect(1, {"STK:MSFT:SMART:USD", "LAST"});
    EXPECT_EQ(server->topic_count(), 1u);
    EXPECT_EQ(server->line_count(), 1u);
    EXPECT_EQ(count("cancel"), 1u);
}

TEST_F(RtdServerTest, SettingsComeFromTheStoreAndAreStoredAtTerminate) {
    auto store = mGlobal::acquire_settings(fake.registry);
    store->SaveSetting("RTD", "Host", "gateway");
    store->SaveSetting("RTD", "Port", std::int32_t{4002});
    store->SaveSetting("RTD", "ClientId", "5");  // typed in by hand, as text
    start();
    EXPECT_EQ(server->settings().Host, "gateway");
    EXPECT_EQ(server->settings().Port, 4002);
    EXPECT_EQ(server->settings().ClientId, 5);
    connect(1, {"STK:IBM:SMART:USD", "LAST"});
    // A topic's own connection takes the stored client id unless it names one.
    connect(2, {"STK:IBM:SMART:USD", "LAST", "other:7496"});
    server->poll();
    const auto connects = control().calls_named("connect");
    ASSERT_EQ(connects.size(), 2u);
    EXPECT_EQ(connects[0].host, "gateway");
    EXPECT_EQ(connects[0].port, 4002);
    EXPECT_EQ(connects[1].host, "other");
    EXPECT_EQ(connects[1].port, 7496);
    EXPECT_EQ(connects[1].client_id, 5);
    EXPECT_EQ(server->connection_count(), 2u);

    server->ServerTerminate();
    EXPECT_EQ(count("disconnect"), 2u);
    EXPECT_EQ(server->topic_count(), 0u);
    EXPECT_EQ(store->GetSetting("RTD", "ClientId", 0), Variant(std::int32_t{5}));
    EXPECT_EQ(store->GetSetting("RTD", "Host", ""), Variant("gateway"));
}

TEST_F(RtdServerTest, UnusableStoredSettingsLeaveTheDefaultsWhichTerminateStores) {
    auto store = mGlobal::acquire_settings(fake.registry);
    store->SaveSetting("RTD", "Port", std::int32_t{70000});
    store->SaveSetting("RTD", "ClientId", "many");
    start();
    EXPECT_EQ(server->settings().Port, ConnectionSettings::kDefaultPort);
    EXPECT_EQ(server->settings().ClientId, ConnectionSettings::kDefaultClientId);
    server->ServerTerminate();
    EXPECT_EQ(store->GetSetting("RTD", "Host", ""), Variant("127.0.0.1"));
    EXPECT_EQ(store->GetSetting("RTD", "Port", 0), Variant(std::int32_t{7497}));
    EXPECT_EQ(store->GetSetting("RTD", "ClientId", 0), Variant(std::int32_t{17}));
}

TEST_F(RtdServerTest, NothingIsToldAfterTerminate) {
    connect(1, {"STK:IBM:SMART:USD", "LAST"});
    server->poll();
    server->ServerTerminate();
    control().price(1, LAST_PRICE, 1);
    server->poll();
    EXPECT_EQ(events.notifies, 1);  // the one for the connection, before
    EXPECT_TRUE(refresh().empty());
}

}  // namespace
}  // namespace corvel::rtd
