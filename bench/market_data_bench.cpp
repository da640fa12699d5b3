// Throughput of the market-data engine: tick intake, delivery by moving, delivery by condensing, and
// the memory a waiting tick costs.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <memory>

#include "market_data/tws.h"
#include "platform/memory/memory_registry.h"
#include "platform/posix/system_clock.h"

namespace corvel {
namespace {

// A control that lets the benchmark raise its events directly, as the socket client would.
class BenchControl final : public TwsControl {
  public:
    TwsControlEvents* events = nullptr;
    void set_events(TwsControlEvents* e) override { events = e; }
    void connect(const std::string&, std::int32_t, std::int32_t) override {}
    void disconnect() override {}
    void request_market_data(std::int32_t, const ContractRequest&, const std::string&, bool) override {}
    void cancel_market_data(std::int32_t) override {}
};

class IdlePump final : public EventPump {
  public:
    void ProcessPending() override {}
};

class EmptySink final : public TwsEventSink {
  public:
    void IBTWSDatas() override {}
    void IBTWSdataLoss(double) override {}
    void IBTWSErrMsg(std::int32_t, std::int32_t, const std::string&) override {}
};

// A connected connection object accepting tick types 0 to 9, with the hooks to feed it.
struct Engine {
    BenchControl* control = nullptr;
    EmptySink sink;
    Ref<cTWS> tws;

    Engine() {
        TwsEnvironment env;
        env.create_control = [this] {
            auto c = std::make_unique<BenchControl>();
            control = c.get();
            return c;
        };
        env.pump = std::make_shared<IdlePump>();
        env.clock = std::make_shared<SystemClock>();
        env.registry = std::make_shared<MemoryRegistry>();
        tws = make_ref<cTWS>(env);
        tws->Advise(&sink);
        for (int t = 0; t <= 9; ++t)
            tws->AddRecordFilter(t);
        tws->Connect("127.0.0.1", 7497, 0);
    }

    // A realistic stream over 100 ids: each price followed by its size (so the pairing keeps both),
    // then high, low, volume and close; values move so nothing is dropped as a repeat.
    void feed(std::uint32_t count, std::uint32_t& seq) {
        static constexpr std::int32_t kTypes[10] = {1, 0, 2, 3, 4, 5, 6, 7, 8, 9};
        for (std::uint32_t i = 0; i < count; ++i, ++seq) {
            const std::int32_t type = kTypes[seq % 10];
            const auto id = static_cast<std::int32_t>((seq / 10) % 100);
            const double value = 100.0 + static_cast<double>(seq % 97) * 0.01;
            if (type == 0 || type == 3 || type == 5 || type == 8) {
                control->events->on_tick_size(id, type, 100.0 + seq % 13);
            } else {
                control->events->on_tick_price(id, type, value, 0);
            }
        }
    }
};

long resident_bytes() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * 4096;
}

// What one waiting tick costs: resident memory and heap bytes with a million waiting.
void BM_BufferMemory(benchmark::State& state) {
    const auto n = static_cast<std::uint32_t>(state.range(0));
    double resident = 0, heap = 0;
    for (auto _ : state) {
        Engine engine;
        std::uint32_t seq = 0;
        malloc_trim(0);
        const long rss_before = resident_bytes();
        const auto heap_before = mallinfo2().uordblks;
        engine.feed(n, seq);
        resident = static_cast<double>(resident_bytes() - rss_before) / n;
        heap = static_cast<double>(mallinfo2().uordblks - heap_before) / n;
        benchmark::DoNotOptimize(engine.tws->live_buffer().Count());
    }
    state.counters["resident_bytes_per_record"] = resident;
    state.counters["heap_bytes_per_record"] = heap;
}
BENCHMARK(BM_BufferMemory)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);

// Ticks through intake in batches, each batch delivered by moving and the result cleared.
void BM_Intake(benchmark::State& state) {
    const auto batch = static_cast<std::uint32_t>(state.range(0));
    Engine engine;
    std::uint32_t seq = 0;
    for (auto _ : state) {
        engine.feed(batch, seq);
        benchmark::DoNotOptimize(engine.tws->GetCurrentData());
        engine.tws->copy_cTWSDatas()->Clear();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * batch);
}
BENCHMARK(BM_Intake)->Arg(999);

// Ticks through intake with no delivery: a million waiting at the end of each round.
void BM_IntakeBacklog(benchmark::State& state) {
    const auto n = static_cast<std::uint32_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto engine = std::make_unique<Engine>();
        std::uint32_t seq = 0;
        state.ResumeTiming();
        engine->feed(n, seq);
        state.PauseTiming();
        engine.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * n);
}
BENCHMARK(BM_IntakeBacklog)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Delivery of `n` waiting records per round; MaxRecord decides between moving and condensing.
void deliver(benchmark::State& state) {
    const auto n = static_cast<std::uint32_t>(state.range(0));
    Engine engine;
    std::uint32_t seq = 0;
    for (auto _ : state) {
        state.PauseTiming();
        engine.tws->copy_cTWSDatas()->Clear();
        engine.feed(n, seq);
        state.ResumeTiming();
        benchmark::DoNotOptimize(engine.tws->GetCurrentData());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * n);
}

// Delivery by moving: the waiting records go to the result collection unchanged.
void BM_DeliverMove(benchmark::State& state) {
    deliver(state);
}
BENCHMARK(BM_DeliverMove)->Arg(999);

// Delivery by condensing a million waiting ticks over 100 ids and tick types 0 to 9.
void BM_DeliverCondense(benchmark::State& state) {
    deliver(state);
}
BENCHMARK(BM_DeliverCondense)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvel

BENCHMARK_MAIN();
