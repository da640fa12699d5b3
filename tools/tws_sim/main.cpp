// corvel-twssim: a TWS simulator on a TCP port, for the quotes tool, the tests and anyone without a TWS.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <fstream>
#include <iostream>

#include "corvel/version.h"
#include "platform/posix/interrupt_signal.h"
#include "tools/tws_sim/tws_simulator.h"

namespace {

// What another process compares its received ticks with.
bool write_sent_ticks(const std::string& path, const std::vector<corvel::sim::SentTick>& ticks) {
    std::ofstream out(path);
    out.precision(17);
    for (const auto& t : ticks) {
        out << t.connection << ' ' << t.req_id << ' ' << t.tick.tick_type << ' ' << t.tick.value << '\n';
    }
    return static_cast<bool>(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
    using corvel::sim::SimulatorConfig;
    SimulatorConfig config;
    config.port = 7497;
    std::string rate = "4";
    std::string contracts_file;
    bool verbose = false;

    CLI::App app{
        "corvel-twssim: a TWS simulator speaking the TWS socket API's market-data subset.\n"
        "It answers the handshake, start-API, market-data requests and cancels as TWS does, streaming a\n"
        "random walk per contract (bid, ask and last with sizes, high, low, volume, close), and can\n"
        "misbehave on request for tests. Contract-details requests are answered for its contracts, and\n"
        "the start-up requests of other clients (positions, orders, executions, account updates) as\n"
        "TWS answers them for a new paper account with nothing in it.\n"
        "It prints \"listening on ADDRESS:PORT\" once it is ready."};
    app.set_version_flag("--version", corvel::kVersionText);
    app.option_defaults()->always_capture_default();
    app.add_option("--listen", config.listen_address,
                   "Address to listen on; loopback unless you mean otherwise");
    app.add_option("--port", config.port, "TCP port; 0 picks a free one")->check(CLI::Range(0, 65535));
    app.add_option("--server-version", config.server_version,
                   "Highest server version spoken; a client gets the lower of this and its own maximum, "
                   "and is refused (closed unanswered) when its offer has no version in common")
        ->check(CLI::Range(corvel::sim::kLowestServerVersion, corvel::tws::kHighestTextVersion));
    app.add_option("--seed", config.seed, "Seed of the random walks: the same seed gives the same ticks");
    app.add_option("--rate", rate,
                   "Updates per second per market-data line, or 'max' for as fast as the client reads");
    app.add_option("--updates", config.updates_per_line,
                   "Updates per line before it goes quiet; 0 never stops");
    app.add_option("--contracts", contracts_file,
                   "Contracts file: one 'symbol,type,exchange,currency,start price' per line ('#' comments); "
                   "without it a built-in list (AAPL, MSFT, IBM, SPY, EUR.USD, ES, BTC)")
        ->check(CLI::ExistingFile);
    app.add_option("--max-tickers", config.max_tickers, "Market-data lines per connection before error 101")
        ->check(CLI::PositiveNumber);
    app.add_option("--max-messages", config.max_messages_per_second,
                   "Client messages per second before error 100 and a disconnect")
        ->check(CLI::PositiveNumber);
    app.add_option("--accounts", config.accounts, "Managed accounts, comma-separated");
    using corvel::sim::kDefaultHandshakeTimeout, corvel::sim::kDefaultWriteStallTimeout,
        corvel::sim::kDefaultMaxOutputBacklog;
    app.add_option("--max-connections", config.max_connections,
                   "Clients served at once, as TWS serves 32; a further one is accepted and closed at once. "
                   "A client that has not started the API within " +
                       std::to_string(kDefaultHandshakeTimeout.count() / 1000) +
                       " s is closed, and so is one that reads nothing of what waits for it for " +
                       std::to_string(kDefaultWriteStallTimeout.count() / 1000) + " s or lets " +
                       std::to_string(kDefaultMaxOutputBacklog / (1024 * 1024)) + " MiB pile up")
        ->check(CLI::PositiveNumber);
    auto* faults = app.add_option_group("Fault injection",
                                        "Counted in messages sent on a connection after the handshake");
    faults->add_option("--close-after", config.faults.close_after, "Close the connection after N messages");
    faults->add_option("--malformed-after", config.faults.malformed_after,
                       "Send a tick whose price is not a number after N messages");
    faults->add_option("--stall-after", config.faults.stall_after,
                       "Go silent after N messages, keeping the connection open");
    faults->add_option("--cut-frame-after", config.faults.cut_frame_after,
                       "Send half of message N+1, then close");
    faults->add_option("--oversize-after", config.faults.oversize_after,
                       "Announce a frame longer than TWS ever sends after N messages");
    faults->add_flag("--trickle", config.faults.trickle, "Send a few bytes at a time, a millisecond apart");
    app.add_flag("-v,--verbose", verbose, "Report connections, subscriptions and faults on stderr");
    std::string record_file;
    app.add_option(
        "--record", record_file,
        "When stopped (Ctrl-C or SIGTERM), write every tick sent to FILE, one per line: connection, "
        "ticker id, tick type, value");

    CLI11_PARSE(app, argc, argv);
    config.record_sent = !record_file.empty();

    if (!corvel::sim::parse_update_rate(rate, config.updates_per_second, config.firehose)) {
        std::cerr << "corvel-twssim: --rate must be a positive number or 'max', not '" << rate << "'\n";
        return 2;
    }
    try {
        if (!contracts_file.empty()) config.contracts = corvel::sim::load_contracts(contracts_file);
        if (verbose)
            config.log = [](const std::string& line) { std::cerr << "corvel-twssim: " << line << '\n'; };
        corvel::InterruptSignal interrupt;
        corvel::sim::TwsSimulator simulator(config);
        std::printf("corvel-twssim listening on %s:%d (server version %d)\n", config.listen_address.c_str(),
                    simulator.port(), config.server_version);
        std::fflush(stdout);
        simulator.run(interrupt.socket());
        if (!record_file.empty() && !write_sent_ticks(record_file, simulator.sent_ticks())) {
            std::cerr << "corvel-twssim: cannot write " << record_file << '\n';
            return 1;
        }
        if (verbose) std::cerr << "corvel-twssim: stopped\n";
    } catch (const std::exception& e) {
        std::cerr << "corvel-twssim: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
