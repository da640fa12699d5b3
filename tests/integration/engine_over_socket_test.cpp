// The market-data engine on the real socket client, against the simulator over loopback.
#include <algorithm>

#include "common/automation_error.h"
#include "tests/integration/integration_support.h"

namespace corvel {
namespace {

using namespace std::chrono_literals;

// Checks the records of one connection against what the simulator sent on it: every tick that is
// not a paired size exactly and in order; paired sizes in order, each price of bid, ask or last
// followed by its own size.
void expect_records_match(const std::vector<Tick>& records, const std::vector<Tick>& reported) {
    std::vector<Tick> record_values, reported_values;
    for (const auto& t : records) {
        if (!is_paired_size(t.type)) record_values.push_back(t);
    }
    for (const auto& t : reported) {
        if (!is_paired_size(t.type) && t.type <= 9) reported_values.push_back(t);
    }
    EXPECT_EQ(record_values, reported_values);
    ASSERT_FALSE(record_values.empty());

    std::size_t at = 0;
    for (const auto& t : records) {
        if (!is_paired_size(t.type)) continue;
        while (at < reported.size() && !(reported[at] == t))
            ++at;
        ASSERT_LT(at, reported.size()) << "size record " << t << " was never reported, or not in this order";
        ++at;
    }
    for (std::size_t i = 0; i < records.size(); ++i) {
        const Tick& t = records[i];
        if (t.type != BID_PRICE && t.type != ASK_PRICE && t.type != LAST_PRICE) continue;
        const std::int32_t size_type = t.type == BID_PRICE   ? BID_SIZE
                                       : t.type == ASK_PRICE ? ASK_SIZE
                                                             : LAST_SIZE;
        const auto next = std::find_if(records.begin() + static_cast<std::ptrdiff_t>(i) + 1, records.end(),
                                       [&](const Tick& r) { return r.id == t.id; });
        ASSERT_NE(next, records.end());
        EXPECT_EQ(next->type, size_type) << "after " << t;
    }
}

TEST_F(EngineOverSocket, TicksOfThreeContractsBecomeRecordsWithTheirIdsTypesAndValues) {
    config.updates_per_second = 500;
    config.updates_per_line = 40;
    start_and_connect();
    query(*tws, 1, "AAPL");
    query(*tws, 2, "MSFT");
    query(*tws, 3, "IBM");
    ASSERT_TRUE(pump_until_all_arrived(3));
    expect_records_match(records, reported_ticks(simulator->sent_ticks(), 1));
    for (const std::int32_t id : {1, 2, 3}) {
        EXPECT_TRUE(std::any_of(records.begin(), records.end(), [&](const Tick& t) { return t.id == id; }))
            << id;
    }
    // The farm notices arrived as error messages with id -1.
    EXPECT_TRUE(std::any_of(sink.errors.begin(), sink.errors.end(),
                            [](const auto& e) { return e.code == 2104 && e.id == -1; }));
    tws->disconnect();
}

TEST_F(EngineOverSocket, CancelStopsAStream) {
    config.updates_per_second = 200;
    start_and_connect();
    query(*tws, 1, "AAPL");
    query(*tws, 2, "SPY", "STK", "ARCA");
    ASSERT_TRUE(pump_until([&] { return records.size() > 40; }));
    tws->StopQuery(1);
    const auto count_of = [&](std::int32_t id) {
        return std::count_if(records.begin(), records.end(), [&](const Tick& t) { return t.id == id; });
    };
    const auto stopped_at = count_of(1);
    ASSERT_TRUE(pump_until([&] { return simulator->active_subscriptions() == 1; }));
    const auto other_at = count_of(2);
    pump_for(200ms);
    EXPECT_EQ(count_of(1), stopped_at);
    EXPECT_GT(count_of(2), other_at);  // the other line goes on
    tws->disconnect();
}

TEST_F(EngineOverSocket, RequestsTwsRefusesComeBackAsErrorMessages) {
    config.max_tickers = 2;
    start_simulator();
    tws = make_tws(sink);
    ASSERT_TRUE(tws->Connect("127.0.0.1", simulator->port(), 1));
    query(*tws, 7, "NOSUCH");
    query(*tws, 1, "AAPL");
    query(*tws, 1, "AAPL");
    query(*tws, 2, "MSFT");
    query(*tws, 3, "IBM");
    tws->StopQuery(99);
    const auto has = [&](std::int32_t id, std::int32_t code) {
        return std::any_of(sink.errors.begin(), sink.errors.end(),
                           [&](const auto& e) { return e.id == id && e.code == code; });
    };
    ASSERT_TRUE(pump_until([&] { return has(7, 200) && has(1, 322) && has(3, 101) && has(99, 300); }));
    const auto unknown =
        std::find_if(sink.errors.begin(), sink.errors.end(), [](const auto& e) { return e.code == 200; });
    EXPECT_EQ(unknown->message, "No security definition has been found for the request");
    tws->disconnect();
}

TEST_F(EngineOverSocket, ASecondConnectionWithTheSameClientIdIsRefusedWith326) {
    start_simulator();
    fakes::RecordingSink first_sink, second_sink;
    Ref<cTWS> first = make_tws(first_sink);
    Ref<cTWS> second = make_tws(second_sink);
    ASSERT_TRUE(first->Connect("127.0.0.1", simulator->port(), 5));
    EXPECT_FALSE(second->Connect("127.0.0.1", simulator->port(), 5));
    ASSERT_EQ(second_sink.errors.size(), 1U);
    EXPECT_EQ(second_sink.errors[0].code, 326);
    EXPECT_FALSE(second->form().StartStop());
    EXPECT_TRUE(second->Connect("127.0.0.1", simulator->port(), 6));
    first->disconnect();
    second->disconnect();
}

TEST_F(EngineOverSocket, ConnectToAClosedPortReturnsFalseAfterError502) {
    std::string error;
    net::Socket probe = net::listen_tcp("127.0.0.1", 0, error);
    const int port = net::local_port(probe.get());
    probe.reset();
    tws = make_tws(sink);
    EXPECT_FALSE(tws->Connect("127.0.0.1", port, 1));
    ASSERT_EQ(sink.errors.size(), 1U);
    EXPECT_EQ(sink.errors[0].code, 502);
    EXPECT_EQ(sink.errors[0].id, -1);
    // StartQuery on a connection object that never connected fails with "not connected".
    try {
        query(*tws, 1, "AAPL");
        FAIL() << "StartQuery did not fail";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), object_error(504));
        EXPECT_EQ(e.description(), "Not connected");
    }
}

TEST_F(EngineOverSocket, EveryInjectedFaultEndsInOneErrorAndKeepsTheBufferedRecords) {
    struct Fault {
        const char* name;
        std::function<void(sim::SimFaults&)> inject;
        std::int32_t code;
    };
    const Fault faults[] = {
        {"peer closes", [](sim::SimFaults& f) { f.close_after = 60; }, 509},
        {"peer closes mid-frame", [](sim::SimFaults& f) { f.cut_frame_after = 60; }, 507},
        {"frame too long", [](sim::SimFaults& f) { f.oversize_after = 60; }, 507},
        {"malformed field", [](sim::SimFaults& f) { f.malformed_after = 60; }, 508},
        {"peer stalls", [](sim::SimFaults& f) { f.stall_after = 60; }, 509},
    };
    socket_options.keepalive_interval = 200ms;
    socket_options.stall_timeout = 300ms;
    config.updates_per_second = 200;
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.name);
        config.faults = {};
        fault.inject(config.faults);
        start_simulator();
        fakes::RecordingSink buffering_sink;  // takes nothing out: everything stays in the buffer
        Ref<cTWS> buffering = make_tws(buffering_sink);
        ASSERT_TRUE(buffering->Connect("127.0.0.1", simulator->port(), 1));
        query(*buffering, 1, "AAPL");
        query(*buffering, 2, "EUR", "CASH", "IDEALPRO");
        query(*buffering, 3, "ES", "FUT", "CME");
        ASSERT_TRUE(pump_until([&] {
            return !buffering_sink.errors.empty() && buffering_sink.errors.back().code == fault.code;
        }));
        const auto& lost = buffering_sink.errors.back();
        EXPECT_EQ(lost.id, -1);
        EXPECT_FALSE(clients.back()->connected());
        EXPECT_EQ(loop->watch_count(), 0U);
        // Everything that arrived before the fault is in the buffer, exactly as sent.
        const Ref<cTWSDatas> data = buffering->GetCurrentData();
        ASSERT_TRUE(data);
        std::vector<Tick> buffered;
        for (const auto& r : *data)
            buffered.push_back({r.id, r.TickType, r.Price});
        expect_records_match(buffered, reported_ticks(simulator->sent_ticks(), 1));
        // The connection object can connect again.
        buffering->disconnect();
        EXPECT_TRUE(buffering->Connect("127.0.0.1", simulator->port(), 1));
        buffering->disconnect();
        simulator->stop();
        simulator.reset();
    }
}

TEST_F(EngineOverSocket, ASlowPeerSendingAFewBytesAtATimeStillDeliversEverything) {
    config.faults.trickle = true;
    config.updates_per_second = 20;
    config.updates_per_line = 3;
    start_and_connect();
    query(*tws, 1, "IBM");
    ASSERT_TRUE(pump_until_all_arrived(1, 20s));
    expect_records_match(records, reported_ticks(simulator->sent_ticks(), 1));
    EXPECT_TRUE(
        std::none_of(sink.errors.begin(), sink.errors.end(), [](const auto& e) { return e.code < 1000; }));
    tws->disconnect();
}

TEST_F(EngineOverSocket, DisconnectStoresTheGenericTicksAndAReconnectStreamsAgain) {
    config.updates_per_second = 200;
    config.updates_per_line = 10;
    start_and_connect();
    query(*tws, 1, "AAPL");
    ASSERT_TRUE(pump_until_all_arrived(1));
    expect_records_match(records, reported_ticks(simulator->sent_ticks(), 1));
    tws->disconnect();
    const auto stored = registry->value(reg_hive::kCurrentUser, "Software\\HALVARD\\Corvel\\SettingsCorvel",
                                        "CorvelgenericTicks");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->data, std::string(cTWS::kDefaultGenericTicks) + '\0');

    records.clear();
    ASSERT_TRUE(tws->Connect("127.0.0.1", simulator->port(), 1));
    query(*tws, 1, "MSFT");
    ASSERT_TRUE(pump_until([&] {
        return simulator->finished_subscriptions() == 1 && simulator->connections_accepted() == 2 &&
               received(*clients[0]) == simulator->tick_messages_sent();
    }));
    expect_records_match(records, reported_ticks(simulator->sent_ticks(), 2));
    tws->disconnect();
}

}  // namespace
}  // namespace corvel
