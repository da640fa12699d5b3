// corvel-quotes: live quotes from TWS (or the embedded simulator) through the market-data library.
#include <unistd.h>

#include <CLI/CLI.hpp>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "corvel/version.h"
#include "tools/quotes/quotes_app.h"
#include "tools/tws_sim/tws_simulator.h"

int main(int argc, char** argv) {
    using namespace corvel;
    using namespace corvel::quotes;
    QuotesOptions options;
    std::vector<std::string> contract_options;
    std::string contracts_file;
    std::string ticks = "0-9";
    std::string sim_rate = "4";
    int max_record = 1000;
    double timeout_seconds = 5;
    bool csv = false;
    bool jsonl = false;

    CLI::App app{
        "corvel-quotes: live quotes from Trader Workstation or IB Gateway through the Corvel market-data "
        "library.\n"
        "By default a board in the terminal, one row per contract, redrawn in place; --csv or --jsonl "
        "stream\n"
        "every delivered record instead. --simulate runs against the embedded TWS simulator."};
    app.set_version_flag("--version", corvel::kVersionText);
    app.option_defaults()->always_capture_default();
    // The last of a repeated option wins, so `make quotes ARGS=...` can override the defaults it passes.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    auto* host = app.add_option("--host", options.host, "TWS or IB Gateway host");
    auto* port =
        app.add_option("--port", options.port,
                       "TWS socket port (TWS 7496 live, 7497 paper; IB Gateway 4001 live, 4002 paper)")
            ->check(CLI::Range(1, 65535));
    app.add_option("--client-id", options.client_id,
                   "API client id; each program connected to one TWS needs its own");
    app.add_option(
           "--contract", contract_options,
           "A contract as TYPE:SYMBOL:EXCHANGE:CURRENCY, with :expiry=, :strike=, :right=, :multiplier= "
           "and :primary= for the rest (repeatable). Examples: STK:IBM:SMART:USD:primary=NYSE, "
           "CASH:EUR:IDEALPRO:USD, FUT:ES:CME:USD:expiry=202612, "
           "OPT:IBM:SMART:USD:expiry=20261218:strike=150:right=C:multiplier=100")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_option(
           "--contracts", contracts_file,
           "File with one contract per line in the quotes worksheet's nine columns: ticker, type, expiry, "
           "strike, right, multiplier, exchange, primary exchange, currency (comma- or tab-separated)")
        ->check(CLI::ExistingFile);
    app.add_option("--ticks", ticks, "Tick types to record, e.g. 0-9 or 1,2,4 (0 bid size ... 9 close)");
    app.add_option("--max-record", max_record,
                   "Waiting records at which a delivery condenses to first/low/high/last points")
        ->check(CLI::Range(1, 100000000));
    app.add_option("--duration", options.duration_seconds, "Seconds to run; 0 runs until Ctrl-C")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--timeout", timeout_seconds, "Seconds to wait for TWS when connecting")
        ->check(CLI::Range(0.1, 300.0));
    auto* simulate =
        app.add_flag("--simulate", options.simulate,
                     "Start the embedded TWS simulator on a free loopback port and connect to it");
    app.add_option("--sim-rate", sim_rate,
                   "Simulator updates per second per contract, or 'max' as fast as they are read")
        ->needs(simulate);
    app.add_option("--sim-seed", options.sim_seed, "Simulator seed: the same seed gives the same ticks")
        ->needs(simulate);
    auto* csv_flag = app.add_flag("--csv", csv, "Stream every delivered record as CSV instead of the board");
    app.add_flag("--jsonl", jsonl, "Stream every delivered record as JSON lines instead of the board")
        ->excludes(csv_flag);
    app.add_flag(
        "--stats", options.stats,
        "Print counts at the end on stderr: ticks, records, events, condensings, errors, rates, memory");
    simulate->excludes(host)->excludes(port);

    CLI11_PARSE(app, argc, argv);

    try {
        for (const auto& option : contract_options)
            options.contracts.push_back(parse_contract_option(option));
        if (!contracts_file.empty()) {
            std::ifstream in(contracts_file, std::ios::binary);
            std::ostringstream text;
            text << in.rdbuf();
            if (!in) throw std::invalid_argument("cannot read " + contracts_file);
            for (auto& c : parse_contracts_file(text.str()))
                options.contracts.push_back(std::move(c));
        }
        options.ticks = parse_tick_list(ticks);
    } catch (const std::invalid_argument& e) {
        std::cerr << "corvel-quotes: " << e.what() << "\n";
        return 2;
    }
    if (options.contracts.empty()) {
        if (!options.simulate) {
            std::cerr << "corvel-quotes: no contracts; give --contract or --contracts (see --help)\n";
            return 2;
        }
        options.contracts = simulator_contracts();
    }
    if (!corvel::sim::parse_update_rate(sim_rate, options.sim_rate, options.sim_firehose)) {
        std::cerr << "corvel-quotes: --sim-rate must be a positive number or 'max', not '" << sim_rate
                  << "'\n";
        return 2;
    }
    options.max_record = max_record;
    options.connect_timeout = std::chrono::milliseconds(static_cast<long long>(timeout_seconds * 1000));
    options.output = csv ? OutputMode::Csv : jsonl ? OutputMode::Jsonl : OutputMode::Board;
    options.live_board = options.output == OutputMode::Board && isatty(STDOUT_FILENO);

    // Record streams are written in large pieces; the terminal board flushes itself.
    static char out_buffer[1 << 16];
    std::setvbuf(stdout, out_buffer, _IOFBF, sizeof out_buffer);
    // The run flushes its output itself: a write that fails only then still ends with status 1.
    return run_quotes(options, stdout, stderr);
}
