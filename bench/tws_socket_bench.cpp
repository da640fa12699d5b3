// Throughput of the TWS wire: decoding framed ticks into the control's events, and the whole path
// from the simulator through the socket, the decoder, the engine and delivery to the quotes tool.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include "platform/tws_socket/codec/decoder.h"
#include "platform/tws_socket/codec/frame_reader.h"
#include "platform/tws_socket/codec/framing.h"
#include "platform/tws_socket/codec/wire.h"
#include "tools/quotes/quotes_app.h"
#include "tools/tws_sim/quote_stream.h"
#include "tools/tws_sim/server_codec.h"

namespace corvel {
namespace {

// Counts what the control would report.
class CountingEvents final : public TwsControlEvents {
  public:
    std::uint64_t prices = 0, sizes = 0;
    double sum = 0;
    void on_tick_price(std::int32_t, std::int32_t, double price, std::int32_t) override {
        ++prices;
        sum += price;
    }
    void on_tick_size(std::int32_t, std::int32_t, double size) override {
        ++sizes;
        sum += size;
    }
    void on_error(std::int32_t, std::int32_t, const std::string&) override {}
};

// A stream of framed tickPrice and tickSize messages as the simulator writes them for seven contracts
// (stocks, currency, future, crypto with fractional sizes).
std::string tick_stream(std::size_t& messages) {
    constexpr int kVersion = tws::kClientMaxVersion;
    std::vector<sim::QuoteStream> streams;
    for (const auto& c : sim::default_contracts())
        streams.emplace_back(c, 1, true);
    std::string out;
    std::vector<sim::SimTick> ticks;
    messages = 0;
    while (messages < 20000) {
        for (std::size_t i = 0; i < streams.size(); ++i) {
            ticks.clear();
            streams[i].next(ticks);
            for (const auto& t : ticks) {
                const auto id = static_cast<std::int32_t>(i + 1);
                if (t.is_price) {
                    sim::encode_tick_price(out, kVersion, id, t.tick_type, t.value, t.size, 0);
                } else {
                    sim::encode_tick_size(out, kVersion, id, t.tick_type, t.value);
                }
                ++messages;
            }
        }
    }
    return out;
}

// Turns a decoded message into the events the control reports.
void deliver(const tws::Message& m, TwsControlEvents& sink) {
    if (const auto* p = std::get_if<tws::TickPrice>(&m)) {
        if (p->has_price) sink.on_tick_price(p->req_id, p->tick_type, p->price, p->attributes);
        const int size_type = tws::size_type_for_price(p->tick_type);
        if (size_type >= 0 && p->has_size) sink.on_tick_size(p->req_id, size_type, p->size);
    } else if (const auto* s = std::get_if<tws::TickSize>(&m)) {
        if (s->has_size) sink.on_tick_size(s->req_id, s->tick_type, s->size);
    }
}

// Framing and decoding of a buffer of ticks, each turned into the events the control reports.
void BM_DecodeTicks(benchmark::State& state) {
    std::size_t messages = 0;
    const std::string stream = tick_stream(messages);
    CountingEvents events;
    TwsControlEvents& sink = events;
    for (auto _ : state) {
        std::string_view rest = stream;
        for (;;) {
            const tws::FrameView frame = tws::peek_frame(rest);
            if (frame.status != tws::FrameStatus::Complete) break;
            rest.remove_prefix(frame.size);
            deliver(tws::decode_message(frame.payload, tws::kClientMaxVersion), sink);
        }
        benchmark::DoNotOptimize(events.sum);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * messages));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
    state.counters["bytes_per_message"] = static_cast<double>(stream.size()) / static_cast<double>(messages);
}
BENCHMARK(BM_DecodeTicks)->Unit(benchmark::kMicrosecond);

// The same ticks through the client's input path: the frame reader fed in the socket's 64 KiB reads.
void BM_ReadFrames(benchmark::State& state) {
    std::size_t messages = 0;
    const std::string stream = tick_stream(messages);
    CountingEvents events;
    TwsControlEvents& sink = events;
    tws::FrameReader reader;
    constexpr std::size_t kRead = 64 * 1024;
    for (auto _ : state) {
        for (std::size_t at = 0; at < stream.size(); at += kRead) {
            reader.feed(std::string_view(stream).substr(at, kRead));
            for (auto next = reader.next(); next.status == tws::FrameReader::Status::Frame;
                 next = reader.next())
                deliver(tws::decode_message(next.payload(), tws::kClientMaxVersion), sink);
        }
        benchmark::DoNotOptimize(events.sum);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * messages));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_ReadFrames)->Unit(benchmark::kMicrosecond);

// corvel-quotes --simulate --sim-rate max --jsonl > /dev/null for ten seconds: the simulator on its
// thread, the socket, the decoder, the engine and every record written as a JSON line.
void BM_QuotesFirehose(benchmark::State& state) {
    quotes::QuotesOptions options;
    options.simulate = true;
    options.sim_firehose = true;
    options.duration_seconds = static_cast<double>(state.range(0));
    options.output = quotes::OutputMode::Jsonl;
    options.stats = true;  // also waits for what was on the way at the end, so sent and received compare
    options.contracts = quotes::simulator_contracts();
    for (int t = 0; t <= 9; ++t)
        options.ticks.push_back(t);
    // The run stores its generic-tick list; keep that out of the user's own settings.
    const std::string registry =
        (std::filesystem::temp_directory_path() / "corvel-bench-registry.reg").string();
    ::setenv("CORVEL_REGISTRY_FILE", registry.c_str(), 0);
    std::FILE* null = std::fopen("/dev/null", "w");
    quotes::QuotesStats stats;
    for (auto _ : state) {
        if (quotes::run_quotes(options, null, null, &stats) != 0)
            state.SkipWithError("the quotes run failed");
    }
    std::fclose(null);
    state.counters["ticks_per_second"] = static_cast<double>(stats.ticks_received()) / stats.elapsed_seconds;
    state.counters["records_per_second"] = static_cast<double>(stats.records) / stats.elapsed_seconds;
    state.counters["ticks_not_received"] = static_cast<double>(
        static_cast<std::int64_t>(stats.ticks_sent) - static_cast<std::int64_t>(stats.ticks_received()));
    state.counters["condensings"] = static_cast<double>(stats.condensings);
    state.counters["peak_resident_mib"] = stats.peak_resident_mib;
}
BENCHMARK(BM_QuotesFirehose)->Arg(10)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace corvel

BENCHMARK_MAIN();
