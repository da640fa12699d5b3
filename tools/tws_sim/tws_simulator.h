#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/tws_socket/codec/wire.h"
#include "seams/io_reactor.h"
#include "tools/tws_sim/quote_stream.h"
#include "tools/tws_sim/sim_contract.h"

namespace corvel::sim {

// Ways to misbehave, for tests of the client. Each counts the messages sent on a connection after
// the handshake reply; -1 is off.
struct SimFaults {
    std::int64_t close_after = -1;      // close the connection once this many messages are out
    std::int64_t malformed_after = -1;  // the next message carries a price that is not a number; then quiet
    std::int64_t stall_after = -1;      // go silent: answer nothing, keep the connection
    std::int64_t cut_frame_after = -1;  // send half of the next message, then close
    std::int64_t oversize_after = -1;   // announce a frame longer than TWS ever sends; then quiet
    bool trickle = false;               // send a few bytes at a time, a millisecond apart
};

// The lowest server version spoken: the first with length-prefixed frames.
inline constexpr int kLowestServerVersion = 100;

// How many API clients TWS serves at once.
inline constexpr int kDefaultMaxConnections = 32;
// TWS drops a client that does not keep up with what it is sent; so does the simulator, once this
// much waits unsent or the client has read nothing of it for this long.
inline constexpr std::size_t kDefaultMaxOutputBacklog = 8 * 1024 * 1024;
inline constexpr std::chrono::milliseconds kDefaultWriteStallTimeout{10'000};
// A connection that has not started the API by then is closed, so a silent client holds no place.
inline constexpr std::chrono::milliseconds kDefaultHandshakeTimeout{10'000};

struct SimulatorConfig {
    std::string listen_address = "127.0.0.1";
    int port = 0;  // 0 picks a free port
    // The highest server version spoken; a client is answered with the lower of this and its maximum,
    // and refused when its offer lies wholly outside kLowestServerVersion..this.
    int server_version = tws::kClientMaxVersion;
    std::uint64_t seed = 1;
    double updates_per_second = 4;       // per market-data line, as TWS aggregates a liquid stock
    bool firehose = false;               // as fast as the client reads, for benchmarks
    std::uint64_t updates_per_line = 0;  // a line goes quiet after this many updates; 0 never
    std::vector<SimContract> contracts = default_contracts();
    int max_tickers = 100;
    int max_messages_per_second = 50;
    std::string accounts = "DU1234567";
    // Connections served at once; one more is accepted and closed straight away.
    int max_connections = kDefaultMaxConnections;
    std::size_t max_output_backlog = kDefaultMaxOutputBacklog;
    std::chrono::milliseconds write_stall_timeout = kDefaultWriteStallTimeout;
    std::chrono::milliseconds handshake_timeout = kDefaultHandshakeTimeout;
    SimFaults faults;
    bool record_sent = false;  // keep every tick sent, for tests that compare exactly
    // Receives a line per connection event; called on the simulator's thread.
    std::function<void(const std::string&)> log;
};

// A tick the simulator sent, on its `connection`-th accepted connection (counting from 1).
struct SentTick {
    int connection = 0;
    std::int32_t req_id = 0;
    SimTick tick;
};

// A TWS simulator: the server side of the TWS socket protocol's market-data subset. It answers the
// handshake, start-API, market-data requests and cancels as TWS does, with a random walk per contract,
// and misbehaves on request.
//
// It listens from construction on. It runs either on a thread of its own (`start`, as tests and the
// quotes tool embed it) or on the calling thread (`run`, as the corvel-twssim program does). The
// counters and the sent-tick record may be read from any thread.
class TwsSimulator {
  public:
    // Throws std::runtime_error when it cannot listen.
    explicit TwsSimulator(SimulatorConfig config);
    ~TwsSimulator();
    TwsSimulator(const TwsSimulator&) = delete;
    TwsSimulator& operator=(const TwsSimulator&) = delete;

    int port() const noexcept;
    const SimulatorConfig& config() const noexcept;

    void start();
    // Ends the simulator's own thread, or a `run` on another thread; closes every connection.
    void stop();
    // Serves on the calling thread until `stop` is called or `interrupt` becomes readable.
    void run(NativeSocket interrupt = kNoSocket);

    std::uint64_t tick_messages_sent() const noexcept;
    std::uint64_t connections_accepted() const noexcept;
    int open_connections() const noexcept;
    int active_subscriptions() const noexcept;
    // Lines whose updates are all sent (with `updates_per_line`).
    int finished_subscriptions() const noexcept;
    std::vector<SentTick> sent_ticks() const;
    // Bytes read from clients, and the memory the connections' input and output buffers hold now.
    std::uint64_t bytes_received() const noexcept;
    std::size_t buffered_bytes() const noexcept;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

// Reads an update rate as the command lines take it: updates per second per line, or "max" for as
// fast as the client reads. False for anything else.
bool parse_update_rate(std::string_view text, double& rate, bool& firehose);

}  // namespace corvel::sim
