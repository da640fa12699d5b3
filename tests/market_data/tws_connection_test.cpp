#include <gtest/gtest.h>

#include "common/automation_error.h"
#include "tws_fixture.h"

namespace corvel {
namespace {

using ConnectionTest = TwsFixture;

std::string stored_ticks(const MemoryRegistry& registry) {
    const auto v = registry.value(reg_hive::kCurrentUser, "Software\\HALVARD\\Corvel\\SettingsCorvel",
                                  "CorvelgenericTicks");
    return v ? v->data : std::string("<none>");
}

TEST_F(ConnectionTest, ANewConnectionObjectStartsIdle) {
    EXPECT_EQ(tws->MaxRecord(), 1000);
    EXPECT_EQ(tws->MaxID(), 0);
    ASSERT_TRUE(tws->copy_cTWSDatas());
    EXPECT_EQ(tws->copy_cTWSDatas()->Count(), 0);
    EXPECT_FALSE(tws->GetCurrentData());
    EXPECT_FALSE(tws->form().StartStop());
    tws->MaxID(42);
    EXPECT_EQ(tws->MaxID(), 42);
}

TEST_F(ConnectionTest, ConnectPassesItsArgumentsAndClearsTheResultCollection) {
    auto kept = tws->copy_cTWSDatas()->ItemAdd("old");
    ASSERT_TRUE(tws->Connect("tws.local", 7496, 9));
    EXPECT_TRUE(tws->form().StartStop());
    const auto calls = control().calls_named("connect");
    ASSERT_EQ(calls.size(), 1U);
    EXPECT_EQ(calls[0].host, "tws.local");
    EXPECT_EQ(calls[0].port, 7496);
    EXPECT_EQ(calls[0].client_id, 9);
    EXPECT_EQ(tws->copy_cTWSDatas()->Count(), 0);
    EXPECT_EQ(kept->NameID.str(), "old");
}

TEST_F(ConnectionTest, DefaultGenericTicksAreSentAndStoredOnDisconnect) {
    connect();
    tws->StartQuery(1, "IBM", "STK", "", 0, "", "", "SMART", "NYSE", "USD");
    const auto requests = control().calls_named("request");
    ASSERT_EQ(requests.size(), 1U);
    EXPECT_EQ(requests[0].generic_ticks, "100,101,104,105,107,165,225,232,233,236");
    EXPECT_FALSE(requests[0].snapshot);
    EXPECT_EQ(requests[0].contract.symbol, "IBM");
    EXPECT_EQ(requests[0].contract.primary_exchange, "NYSE");
    tws->disconnect();
    EXPECT_EQ(stored_ticks(*fake.registry), std::string("100,101,104,105,107,165,225,232,233,236") + '\0');
    EXPECT_EQ(fake.registry->open_key_count(), 0);
}

TEST_F(ConnectionTest, AStoredGenericTickListIsUsedAfterConnect) {
    fake.registry->put_value(reg_hive::kCurrentUser, "Software\\HALVARD\\Corvel\\SettingsCorvel",
                             "CorvelgenericTicks", RegType::Sz, std::string("233,236") + '\0');
    connect();
    tws->StartQuery(3, "ES", "FUT", "202612", 0, "", "50", "CME", "", "USD");
    EXPECT_EQ(control().calls_named("request").at(0).generic_ticks, "233,236");
}

TEST_F(ConnectionTest, ADisconnectWithoutAListKeepsTheStoredOne) {
    fake.registry->put_value(reg_hive::kCurrentUser, "Software\\HALVARD\\Corvel\\SettingsCorvel",
                             "CorvelgenericTicks", RegType::Sz, std::string("233,236") + '\0');
    fake.script->fail("connect");
    EXPECT_FALSE(tws->Connect("127.0.0.1", 1, 1));
    tws->disconnect();
    EXPECT_EQ(stored_ticks(*fake.registry), std::string("233,236") + '\0');
}

TEST_F(ConnectionTest, ASettingsFailureLeavesTheDefaultList) {
    fake.registry->fail(MemoryRegistry::Op::OpenKey, reg_status::kAccessDenied, -1);
    fake.registry->fail(MemoryRegistry::Op::CreateKey, reg_status::kAccessDenied, -1);
    connect();
    tws->StartQuery(1, "IBM", "STK", "", 0, "", "", "SMART", "", "USD");
    EXPECT_EQ(control().calls_named("request").at(0).generic_ticks, cTWS::kDefaultGenericTicks);
    EXPECT_NO_THROW(tws->disconnect());
    EXPECT_EQ(fake.registry->open_key_count(), 0);
}

TEST_F(ConnectionTest, AControlThatRefusesConnectMakesConnectFalse) {
    fake.script->fail("connect");
    EXPECT_FALSE(tws->Connect("127.0.0.1", 1, 1));
    EXPECT_FALSE(tws->form().StartStop());
    EXPECT_FALSE(tws->GetCurrentData());
}

TEST_F(ConnectionTest, TheCallerMayReleaseTheObjectFromAnErrorReportedDuringConnect) {
    fake.script->on_connect = [&] { fake.script->error(-1, 502, "Couldn't connect to TWS."); };
    fake.script->fail("connect");
    sink.on_error = [&](const auto&) { tws = nullptr; };
    cTWS* const raw = tws.get();
    EXPECT_FALSE(raw->Connect("127.0.0.1", 1, 1));
    EXPECT_FALSE(tws);
    EXPECT_FALSE(fake.script->control_alive);  // gone once Connect returned, not before
    EXPECT_EQ(sink.errors.size(), 1U);
}

TEST_F(ConnectionTest, ConnectWithoutAResultCollectionFails) {
    tws->copy_cTWSDatas(nullptr);
    EXPECT_FALSE(tws->Connect("127.0.0.1", 7497, 1));
    EXPECT_TRUE(control().calls_named("connect").empty());
}

TEST_F(ConnectionTest, StartQueryGrowsThePairingTablesAndClearsOnlyItsId) {
    connect();
    accept({BID_PRICE, BID_SIZE});
    tws->StartQuery(5, "A", "STK", "", 0, "", "", "SMART", "", "USD");
    // Arm id 3 and id 5 with a bid price each.
    fake.script->price(3, BID_PRICE, 10);
    fake.script->price(5, BID_PRICE, 10);
    tws->StartQuery(3, "B", "STK", "", 0, "", "", "SMART", "", "USD");
    // Id 3 was cleared: its size only counts as a change. Id 5 is still armed: an unchanged 0 counts.
    fake.script->size(3, BID_SIZE, 0);
    fake.script->size(5, BID_SIZE, 0);
    EXPECT_EQ(lines(*tws->GetCurrentData()),
              (std::vector<std::string>{"a0 3 1 10", "a1 5 1 10", "a2 5 0 0"}));
}

TEST_F(ConnectionTest, StopQueryPassesAnyIdAndChangesNothingElse) {
    connect();
    accept({LAST_PRICE});
    fake.script->price(8, LAST_PRICE, 1);
    tws->StopQuery(77);
    ASSERT_EQ(control().calls_named("cancel").size(), 1U);
    EXPECT_EQ(control().calls_named("cancel")[0].id, 77);
    EXPECT_EQ(tws->live_buffer().Count(), 1);
}

TEST_F(ConnectionTest, ControlFailuresOfQueriesAndDisconnectReachTheCaller) {
    connect();
    fake.script->fail("request");
    EXPECT_THROW(tws->StartQuery(1, "IBM", "STK", "", 0, "", "", "SMART", "", "USD"), AutomationError);
    fake.script->fail("cancel");
    EXPECT_THROW(tws->StopQuery(1), AutomationError);
    fake.script->fail("disconnect");
    EXPECT_THROW(tws->disconnect(), AutomationError);
    EXPECT_FALSE(tws->form().StartStop());  // idle even though the control complained
}

TEST_F(ConnectionTest, ErrorMessagesAreForwardedOnlyWhileConnected) {
    fake.script->error(-1, 2104, "before");
    connect();
    fake.script->error(7, 200, "No security definition has been found for the request");
    tws->disconnect();
    fake.script->error(-1, 2104, "after");
    ASSERT_EQ(sink.errors.size(), 1U);
    EXPECT_EQ(sink.errors[0], (fakes::RecordingSink::ErrorEvent{
                                  7, 200, "No security definition has been found for the request"}));
}

TEST_F(ConnectionTest, AFailingErrorHandlerIsIgnored) {
    connect();
    sink.on_error = [](const auto&) { throw std::runtime_error("handler failed"); };
    EXPECT_NO_THROW(fake.script->error(1, 200, "x"));
    EXPECT_NO_THROW(fake.script->error(1, 200, "y"));
    EXPECT_EQ(sink.errors.size(), 2U);
}

TEST_F(ConnectionTest, SeveralSinksEachReceiveEventsUntilTheyLeave) {
    fakes::RecordingSink second;
    const auto cookie = tws->Advise(&second);
    connect();
    fake.script->error(1, 200, "x");
    tws->Unadvise(cookie);
    fake.script->error(1, 200, "y");
    EXPECT_EQ(sink.errors.size(), 2U);
    EXPECT_EQ(second.errors.size(), 1U);
}

TEST_F(ConnectionTest, DestructionDisconnectsTheControl) {
    tws = nullptr;
    EXPECT_EQ(control().calls_named("disconnect").size(), 1U);
    EXPECT_FALSE(control().control_alive);
}

TEST_F(ConnectionTest, AHandlerMayReleaseTheLastReferenceInsideAnEvent) {
    connect();
    accept({LAST_PRICE});
    sink.on_datas = [&] { tws = nullptr; };
    fake.script->price(1, LAST_PRICE, 5);
    EXPECT_FALSE(tws);
    EXPECT_FALSE(control().control_alive);
}

// Two connection objects share one settings store; when one goes, the other still saves.
TEST_F(ConnectionTest, TheSharedSettingsStoreOutlivesAnyOneConnectionObject) {
    auto other = make_ref<cTWS>(fake.environment());
    EXPECT_EQ(mGlobal::gSettings(), mGlobal::acquire_settings(fake.registry));
    other = nullptr;
    ASSERT_TRUE(mGlobal::gSettings());
    connect();
    tws->disconnect();
    EXPECT_NE(stored_ticks(*fake.registry), "<none>");
    tws = nullptr;
    EXPECT_FALSE(mGlobal::gSettings());
}

TEST_F(ConnectionTest, ReconnectKeepsTheBufferFilterAndPairing) {
    connect();
    accept({BID_PRICE});
    fake.script->price(1, BID_PRICE, 10);
    tws->disconnect();
    fake.script->price(1, BID_PRICE, 11);  // dropped while idle
    connect();
    fake.script->price(1, BID_PRICE, 12);
    EXPECT_EQ(lines(*tws->GetCurrentData()), (std::vector<std::string>{"a0 1 1 10", "a1 1 1 12"}));
}

}  // namespace
}  // namespace corvel
