#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "market_data/quote_contract.h"

namespace corvel::quotes {

enum class OutputMode { Board, Csv, Jsonl };

struct QuotesOptions {
    std::string host = "127.0.0.1";
    int port = 7497;
    int client_id = 1;
    std::vector<QuoteContract> contracts;
    std::vector<int> ticks;  // record filter
    std::optional<int> max_record;
    double duration_seconds = 0;  // 0: until Ctrl-C
    std::chrono::milliseconds connect_timeout{5000};
    bool simulate = false;
    double sim_rate = 4;
    bool sim_firehose = false;
    std::uint64_t sim_seed = 1;
    OutputMode output = OutputMode::Board;
    bool stats = false;
    // Redraw the board in place (a terminal); otherwise it is printed once at the end.
    bool live_board = false;
};

// What a run counted, as --stats prints it.
struct QuotesStats {
    std::uint64_t price_ticks = 0;  // tick messages the socket client decoded
    std::uint64_t size_ticks = 0;
    std::uint64_t ticks_sent = 0;  // by the embedded simulator
    std::uint64_t records = 0;     // delivered by GetTWSData
    std::uint64_t events = 0;      // IBTWSDatas
    std::uint64_t condensings = 0;
    std::uint64_t errors = 0;
    std::uint64_t notices = 0;
    double elapsed_seconds = 0;
    double peak_resident_mib = 0;

    std::uint64_t ticks_received() const noexcept { return price_ticks + size_ticks; }
};

// The contracts of the simulator's own list, for a simulated run that names none.
std::vector<QuoteContract> simulator_contracts();

// Runs the quotes stream: connects (to the embedded simulator with `simulate`), subscribes every
// contract, shows what arrives until the duration ends, Ctrl-C, the connection is lost or `out`
// cannot be written, then cancels, disconnects, flushes `out` and reports. Returns the exit status:
// 0 for a clean run, 1 when it could not connect (Ctrl-C while connecting included), lost the
// connection or could not write its output (the reason is on `err`). `stats`, when given, receives
// the counts.
int run_quotes(const QuotesOptions& options, std::FILE* out, std::FILE* err, QuotesStats* stats = nullptr);

}  // namespace corvel::quotes
