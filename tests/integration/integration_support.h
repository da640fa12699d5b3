#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "market_data/tws.h"
#include "platform/memory/memory_registry.h"
#include "platform/posix/poll_loop.h"
#include "platform/posix/system_clock.h"
#include "platform/tws_socket/tws_socket_client.h"
#include "tests/support/recording_sink.h"
#include "tools/tws_sim/tws_simulator.h"

namespace corvel {

// A tick as the engine records it, or as the control reports it.
struct Tick {
    std::int32_t id = 0;
    std::int32_t type = 0;
    double value = 0;
    bool operator==(const Tick&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Tick& t) {
    return out << "{" << t.id << " " << t.type << " " << t.value << "}";
}

inline bool is_paired_size(std::int32_t type) {
    return type == BID_SIZE || type == ASK_SIZE || type == LAST_SIZE;
}

// What the control reports for the ticks the simulator sent on one connection: every price and size,
// a price of bid, ask or last followed by its size.
inline std::vector<Tick> reported_ticks(const std::vector<sim::SentTick>& sent, int connection) {
    std::vector<Tick> out;
    for (const auto& s : sent) {
        if (s.connection != connection) continue;
        out.push_back({s.req_id, s.tick.tick_type, s.tick.value});
        const int size_type = tws::size_type_for_price(s.tick.tick_type);
        if (s.tick.is_price && size_type >= 0) out.push_back({s.req_id, size_type, s.tick.size});
    }
    return out;
}

// Connection objects on the real socket client, talking to the simulator over loopback.
class EngineOverSocket : public ::testing::Test {
  protected:
    sim::SimulatorConfig config;
    std::unique_ptr<sim::TwsSimulator> simulator;
    std::shared_ptr<PollLoop> loop = std::make_shared<PollLoop>();
    std::shared_ptr<MemoryRegistry> registry = std::make_shared<MemoryRegistry>();
    TwsSocketOptions socket_options;
    std::vector<TwsSocketClient*> clients;  // the control of each connection object made, in order
    fakes::RecordingSink sink;
    Ref<cTWS> tws;
    std::vector<Tick> records;

    EngineOverSocket() {
        config.record_sent = true;
        socket_options.connect_timeout = std::chrono::seconds(5);
    }
    void TearDown() override {
        if (simulator) simulator->stop();
    }

    void start_simulator() {
        simulator = std::make_unique<sim::TwsSimulator>(config);
        simulator->start();
    }

    TwsEnvironment environment() {
        TwsEnvironment env;
        env.create_control = [this] {
            auto control = std::make_unique<TwsSocketClient>(loop, socket_options);
            clients.push_back(control.get());
            return control;
        };
        env.pump = loop;
        env.clock = std::make_shared<SystemClock>();
        env.registry = registry;
        return env;
    }

    // Starts the simulator and connects `tws`, which collects every delivered record in `records`.
    void start_and_connect() {
        start_simulator();
        tws = make_tws(sink);
        collect(tws, sink, records);
        ASSERT_TRUE(tws->Connect("127.0.0.1", simulator->port(), 1));
    }

    // A connection object accepting the ten quote fields, its events going to `sink`.
    Ref<cTWS> make_tws(fakes::RecordingSink& sink) {
        Ref<cTWS> tws = make_ref<cTWS>(environment());
        tws->Advise(&sink);
        for (int t = 0; t <= 9; ++t)
            tws->AddRecordFilter(t);
        return tws;
    }

    // Every delivered record goes to `records`, the result collection emptied after each delivery.
    static void collect(const Ref<cTWS>& tws, fakes::RecordingSink& sink, std::vector<Tick>& records) {
        cTWS* raw = tws.get();
        sink.on_datas = [raw, &records] {
            const Ref<cTWSDatas> data = raw->GetCurrentData();
            if (!data) return;
            for (const auto& r : *data)
                records.push_back({r.id, r.TickType, r.Price});
            data->Clear();
        };
    }

    static void query(cTWS& tws, std::int32_t id, const std::string& symbol, const std::string& type = "STK",
                      const std::string& exchange = "SMART") {
        tws.StartQuery(id, symbol, type, "", 0, "", "", exchange, "", "USD");
    }

    bool pump_until(const std::function<bool()>& done,
                    std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        return loop->run_until(done, std::chrono::steady_clock::now() + limit);
    }
    void pump_for(std::chrono::milliseconds time) {
        loop->run_until([] { return false; }, std::chrono::steady_clock::now() + time);
    }

    std::uint64_t received(const TwsSocketClient& client) const {
        return client.stats().tick_price_messages + client.stats().tick_size_messages;
    }
    // Until `lines` streams have sent all their updates and every tick sent has arrived.
    bool pump_until_all_arrived(int lines, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        return pump_until(
            [&] {
                return simulator->finished_subscriptions() == lines &&
                       received(*clients[0]) == simulator->tick_messages_sent();
            },
            limit);
    }
};

}  // namespace corvel
