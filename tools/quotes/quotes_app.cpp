#include "tools/quotes/quotes_app.h"

#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>

#include "common/automation_error.h"
#include "common/text.h"
#include "market_data/download.h"
#include "platform/posix/file_registry.h"
#include "platform/posix/interrupt_signal.h"
#include "platform/posix/poll_loop.h"
#include "platform/posix/readable_handler.h"
#include "platform/posix/system_clock.h"
#include "platform/tws_socket/client_errors.h"
#include "platform/tws_socket/tws_socket_client.h"
#include "tools/quotes/quote_board.h"
#include "tools/quotes/record_writer.h"
#include "tools/tws_sim/tws_simulator.h"

namespace corvel::quotes {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kRedrawInterval = std::chrono::milliseconds(250);
constexpr std::size_t kOutputChunk = 256 * 1024;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string elapsed_text(double seconds) {
    const auto total = static_cast<long long>(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
    return text;
}

long peak_resident_kib() {
    rusage usage{};
    return getrusage(RUSAGE_SELF, &usage) == 0 ? usage.ru_maxrss : 0;
}

// One run of the tool: the caller of the market-data engine, as the Excel add-in is.
class QuotesRun final : public TwsEventSink {
  public:
    QuotesRun(const QuotesOptions& options, std::FILE* out, std::FILE* err)
        : options_(options),
          out_(out),
          err_(err),
          board_(options.contracts),
          writer_(options.output == OutputMode::Csv ? RecordFormat::Csv : RecordFormat::Jsonl,
                  labels(options)) {}

    int run();
    const QuotesStats& stats() const noexcept { return stats_; }

  private:
    static std::vector<std::string> labels(const QuotesOptions& options) {
        std::vector<std::string> out;
        for (const auto& c : options.contracts)
            out.push_back(c.label());
        return out;
    }

    void IBTWSDatas() override;
    void IBTWSdataLoss(double MsgDate) override;
    void IBTWSErrMsg(std::int32_t id, std::int32_t errorCode, const std::string& errorMsg) override;

    bool start_simulator(std::string& host, int& port);
    void subscribe();
    void stream();
    void finish_streams();
    void draw_board(bool final_draw);
    void flush_output();
    // Writing stops at the first failure, which ends the run with status 1.
    void write_out(const std::string& text);
    void flush_out();
    void count(double elapsed);
    void print_stats() const;
    std::string header_line(double elapsed) const;

    const QuotesOptions& options_;
    std::FILE* out_;
    std::FILE* err_;
    QuoteBoard board_;
    RecordWriter writer_;
    std::string buffer_;

    std::unique_ptr<sim::TwsSimulator> simulator_;
    std::shared_ptr<PollLoop> loop_;
    TwsSocketClient* client_ = nullptr;  // owned by the connection object
    Ref<cDownload> download_;
    std::string endpoint_;

    std::unique_ptr<InterruptSignal> interrupt_;
    std::optional<Clock::time_point> started_;  // empty until connected
    bool interrupted_ = false;
    std::optional<int> write_error_;  // errno of the first failed write to `out_`
    bool lost_ = false;
    std::string lost_reason_;
    std::string last_error_;
    std::string status_;
    bool drawn_ = false;
    std::size_t drawn_lines_ = 0;

    QuotesStats stats_;
};

void QuotesRun::IBTWSDatas() {
    ++stats_.events;
    const Ref<cTWSDatas> data = download_->GetTWSData();
    if (!data) return;
    auto walk = data->NewEnum();
    Ref<cTWSData> r;
    char key[16];
    while (walk.Next(r)) {
        ++stats_.records;
        if (options_.output == OutputMode::Board) {
            board_.apply(r->id, r->TickType, r->Price, r->sDate);
        } else {
            writer_.append(buffer_, r->NameID.view(key), r->id, r->TickType, r->Price, r->sDate);
        }
    }
    download_->FreeTWSDataBuffer();
    if (buffer_.size() >= kOutputChunk) flush_output();
}

void QuotesRun::IBTWSdataLoss(double MsgDate) {
    ++stats_.condensings;
    status_ = "condensed a backlog at " + format_time_of_day(MsgDate) + " (" +
              std::to_string(stats_.condensings) + " so far): ticks came faster than they were shown";
}

void QuotesRun::IBTWSErrMsg(std::int32_t id, std::int32_t errorCode, const std::string& message) {
    // The server's text goes to the terminal: it must not be able to drive it.
    const std::string errorMsg = printable(message);
    const bool notice = tws::is_notice(errorCode);
    ++(notice ? stats_.notices : stats_.errors);
    std::string line = "TWS " + std::string(notice ? "notice " : "error ") + std::to_string(errorCode);
    if (id >= 1 && static_cast<std::size_t>(id) <= options_.contracts.size()) {
        line += " (" + options_.contracts[static_cast<std::size_t>(id - 1)].label() + ")";
    } else if (id != -1) {
        line += " (id " + std::to_string(id) + ")";
    }
    line += ": " + errorMsg;
    last_error_ = std::to_string(errorCode) + " " + errorMsg;
    status_ = line;
    // A connect that Ctrl-C ended says so itself, once.
    const bool interrupted_connect = !started_ && interrupt_ && interrupt_->raised() != 0;
    if ((options_.output != OutputMode::Board || !options_.live_board) && !interrupted_connect)
        std::fprintf(err_, "corvel-quotes: %s\n", line.c_str());
    if (tws::ends_connection(errorCode) && download_ && client_ && !client_->connected() && started_) {
        lost_ = true;
        lost_reason_ = last_error_;
    }
}

bool QuotesRun::start_simulator(std::string& host, int& port) {
    sim::SimulatorConfig config;
    config.port = 0;
    config.seed = options_.sim_seed;
    config.firehose = options_.sim_firehose;
    config.updates_per_second = options_.sim_rate;
    // Contracts the simulator does not know yet get a plausible market of their own.
    for (const auto& c : options_.contracts) {
        const bool known = std::any_of(
            config.contracts.begin(), config.contracts.end(),
            [&](const sim::SimContract& s) { return s.symbol == c.symbol && s.sec_type == c.sec_type; });
        if (!known) config.contracts.push_back({c.symbol, c.sec_type, c.exchange, c.currency, 100.0});
    }
    try {
        simulator_ = std::make_unique<sim::TwsSimulator>(config);
        simulator_->start();
    } catch (const std::exception& e) {
        std::fprintf(err_, "corvel-quotes: cannot start the simulator: %s\n", e.what());
        return false;
    }
    host = "127.0.0.1";
    port = simulator_->port();
    return true;
}

int QuotesRun::run() {
    std::string host = options_.host;
    int port = options_.port;
    if (options_.simulate && !start_simulator(host, port)) return 1;
    endpoint_ = host + ":" + std::to_string(port) + (options_.simulate ? " (embedded simulator)" : "");

    // The engine asks the pump after every notification; at full speed a poll() each time would cost
    // more than the tick, so the loop looks at most every half millisecond from inside a delivery.
    loop_ = std::make_shared<PollLoop>(std::chrono::microseconds(500));
    // Ctrl-C ends the connect too, which blocks until TWS is ready or the timeout passes.
    interrupt_ = std::make_unique<InterruptSignal>();
    TwsEnvironment environment;
    TwsSocketOptions socket_options;
    socket_options.connect_timeout = options_.connect_timeout;
    socket_options.connect_cancel = interrupt_->socket();
    environment.create_control = [this, socket_options] {
        auto control = std::make_unique<TwsSocketClient>(loop_, socket_options);
        client_ = control.get();
        return control;
    };
    environment.pump = loop_;
    environment.clock = std::make_shared<SystemClock>();
    auto registry = std::make_shared<FileRegistry>(FileRegistry::default_path());
    // A settings file that cannot be read is left as it is; the run goes on without it.
    if (!registry->problem().empty()) {
        std::fprintf(err_, "corvel-quotes: %s; the settings stay at their defaults and are not saved\n",
                     registry->problem().c_str());
    }
    environment.registry = registry;

    download_ = make_ref<cDownload>(environment);
    const Ref<cTWS> tws = download_->m_cTWS();
    const std::uint32_t cookie = tws->Advise(this);
    for (const int t : options_.ticks)
        tws->AddRecordFilter(t);
    if (options_.max_record) tws->MaxRecord(*options_.max_record);

    ReadableHandler on_interrupt([this] { interrupted_ = true; });
    loop_->watch(interrupt_->socket(), on_interrupt, false);

    int status = 0;
    if (!tws->Connect(host, port, options_.client_id)) {
        if (interrupt_->raised() != 0) {
            std::fprintf(err_, "corvel-quotes: interrupted while connecting to TWS at %s:%d\n", host.c_str(),
                         port);
        } else {
            std::fprintf(err_, "corvel-quotes: could not connect to TWS at %s:%d: %s\n", host.c_str(), port,
                         last_error_.empty() ? "the connection failed" : last_error_.c_str());
        }
        status = 1;
    } else {
        started_ = Clock::now();
        if (options_.output == OutputMode::Csv) buffer_ += writer_.heading();
        subscribe();
        stream();
        finish_streams();
        try {
            tws->disconnect();  // also stores the generic-tick list
        } catch (const AutomationError&) {
            // The connection is gone already; nothing is lost by that.
        }
        count(seconds_since(*started_));
        flush_output();
        if (options_.output == OutputMode::Board) draw_board(true);
        flush_out();
        if (options_.stats) print_stats();
        if (lost_) {
            std::fprintf(err_, "corvel-quotes: lost the connection to TWS: %s\n", lost_reason_.c_str());
            status = 1;
        }
        if (write_error_) {
            std::fprintf(err_, "corvel-quotes: cannot write the output: %s\n",
                         *write_error_ != 0 ? std::strerror(*write_error_) : "write error");
            status = 1;
        }
    }
    loop_->unwatch(interrupt_->socket());
    tws->Unadvise(cookie);
    download_ = nullptr;
    if (simulator_) simulator_->stop();
    return status;
}

void QuotesRun::subscribe() {
    const Ref<cTWS> tws = download_->m_cTWS();
    for (std::size_t i = 0; i < options_.contracts.size(); ++i) {
        const QuoteContract& c = options_.contracts[i];
        try {
            tws->StartQuery(static_cast<std::int32_t>(i + 1), c.symbol, c.sec_type, c.expiry, c.strike,
                            c.right, c.multiplier, c.exchange, c.primary_exchange, c.currency);
        } catch (const AutomationError& e) {
            ++stats_.errors;
            std::fprintf(err_, "corvel-quotes: could not subscribe %s: %s\n", c.label().c_str(),
                         e.description().c_str());
        }
    }
}

void QuotesRun::stream() {
    const bool timed = options_.duration_seconds > 0;
    const Clock::time_point end = *started_ + std::chrono::duration_cast<Clock::duration>(
                                                  std::chrono::duration<double>(options_.duration_seconds));
    Clock::time_point next_draw = Clock::now();
    while (!interrupted_ && !lost_ && !write_error_) {
        const Clock::time_point now = Clock::now();
        if (timed && now >= end) break;
        if (options_.output == OutputMode::Board && options_.live_board && now >= next_draw) {
            draw_board(false);
            next_draw = now + kRedrawInterval;
        }
        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(kRedrawInterval);
        if (timed) wait = std::min(wait, std::chrono::ceil<std::chrono::milliseconds>(end - now));
        loop_->run_once(wait);
    }
}

void QuotesRun::finish_streams() {
    if (lost_) return;
    const Ref<cTWS> tws = download_->m_cTWS();
    for (std::size_t i = 0; i < options_.contracts.size(); ++i) {
        try {
            tws->StopQuery(static_cast<std::int32_t>(i + 1));
        } catch (const AutomationError&) {
            break;  // not connected any more: nothing else to cancel
        }
    }
    if (!simulator_ || !options_.stats) return;
    // Let what the simulator sent before it saw the cancels arrive, so the counts compare.
    const auto received = [this] {
        const TwsSocketStats& s = client_->stats();
        return s.tick_price_messages + s.tick_size_messages;
    };
    loop_->run_until(
        [&] {
            return lost_ || interrupted_ ||
                   (simulator_->active_subscriptions() == 0 &&
                    received() >= simulator_->tick_messages_sent());
        },
        Clock::now() + std::chrono::seconds(3));
}

std::string QuotesRun::header_line(double elapsed) const {
    std::uint64_t ticks = 0;
    if (client_) ticks = client_->stats().tick_price_messages + client_->stats().tick_size_messages;
    char rate[64];
    std::snprintf(rate, sizeof rate, "%.0f ticks/s",
                  elapsed > 0 ? static_cast<double>(ticks) / elapsed : 0.0);
    std::string line = "corvel-quotes | " + endpoint_;
    if (client_ && client_->server_version() > 0)
        line += " | server version " + std::to_string(client_->server_version());
    line +=
        " | " + elapsed_text(elapsed) + " | " + rate + " | " + std::to_string(stats_.records) + " records";
    return line;
}

void QuotesRun::draw_board(bool final_draw) {
    std::vector<std::string> lines;
    lines.push_back(header_line(started_ ? seconds_since(*started_) : 0));
    for (auto& line : board_.render())
        lines.push_back(std::move(line));
    lines.push_back(status_.empty() ? std::string("status: waiting for ticks") : "status: " + status_);
    if (!final_draw) lines.push_back("Ctrl-C ends");
    std::string text;
    if (options_.live_board) {
        // Back to the top of the board and over it, clearing what a longer line left behind.
        if (drawn_) text += "\x1b[" + std::to_string(drawn_lines_) + "F";
        for (const auto& line : lines)
            text += line + "\x1b[K\n";
        text += "\x1b[J";
    } else {
        for (const auto& line : lines)
            text += line + "\n";
    }
    write_out(text);
    flush_out();
    drawn_ = true;
    drawn_lines_ = lines.size();
}

void QuotesRun::flush_output() {
    if (buffer_.empty()) return;
    write_out(buffer_);
    buffer_.clear();
}

void QuotesRun::write_out(const std::string& text) {
    if (write_error_) return;
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), out_) != text.size()) write_error_ = errno;
}

void QuotesRun::flush_out() {
    if (write_error_) return;
    // Buffered output may fail only here (a full disk shows when the buffer is written).
    errno = 0;
    if (std::fflush(out_) != 0 || std::ferror(out_)) write_error_ = errno;
}

void QuotesRun::count(double elapsed) {
    if (client_) {
        stats_.price_ticks = client_->stats().tick_price_messages;
        stats_.size_ticks = client_->stats().tick_size_messages;
    }
    if (simulator_) stats_.ticks_sent = simulator_->tick_messages_sent();
    stats_.elapsed_seconds = elapsed;
    stats_.peak_resident_mib = static_cast<double>(peak_resident_kib()) / 1024.0;
}

void QuotesRun::print_stats() const {
    const QuotesStats& s = stats_;
    const auto n = [](std::uint64_t v) { return static_cast<unsigned long long>(v); };
    const auto per_second = [&s](std::uint64_t v) {
        return s.elapsed_seconds > 0 ? static_cast<double>(v) / s.elapsed_seconds : 0.0;
    };
    std::fprintf(err_, "ticks received     %llu (%llu prices, %llu sizes)\n", n(s.ticks_received()),
                 n(s.price_ticks), n(s.size_ticks));
    if (simulator_) {
        std::fprintf(err_, "ticks sent         %llu by the simulator (%lld not received)\n", n(s.ticks_sent),
                     static_cast<long long>(s.ticks_sent) - static_cast<long long>(s.ticks_received()));
    }
    std::fprintf(err_, "records delivered  %llu\n", n(s.records));
    std::fprintf(err_, "events             %llu\n", n(s.events));
    std::fprintf(err_, "condensings        %llu\n", n(s.condensings));
    std::fprintf(err_, "errors             %llu (and %llu notices)\n", n(s.errors), n(s.notices));
    std::fprintf(err_, "elapsed            %.3f s\n", s.elapsed_seconds);
    std::fprintf(err_, "ticks/s            %.0f received, %.0f records delivered\n",
                 per_second(s.ticks_received()), per_second(s.records));
    std::fprintf(err_, "peak memory        %.1f MiB resident\n", s.peak_resident_mib);
}

}  // namespace

std::vector<QuoteContract> simulator_contracts() {
    std::vector<QuoteContract> out;
    for (const auto& s : sim::default_contracts()) {
        QuoteContract c;
        c.symbol = s.symbol;
        c.sec_type = s.sec_type;
        c.exchange = s.exchange;
        c.currency = s.currency;
        if (s.sec_type == "FUT") c.expiry = "202612";
        out.push_back(std::move(c));
    }
    return out;
}

int run_quotes(const QuotesOptions& options, std::FILE* out, std::FILE* err, QuotesStats* stats) {
    QuotesRun run(options, out, err);
    const int status = run.run();
    if (stats) *stats = run.stats();
    return status;
}

}  // namespace corvel::quotes
