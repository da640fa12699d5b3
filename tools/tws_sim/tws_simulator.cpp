#include "tools/tws_sim/tws_simulator.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <deque>
#include <list>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <thread>

#include "common/text.h"
#include "platform/posix/poll_loop.h"
#include "platform/posix/readable_handler.h"
#include "platform/tws_socket/codec/field_codec.h"
#include "platform/tws_socket/codec/framing.h"
#include "platform/tws_socket/socket.h"
#include "tools/tws_sim/server_codec.h"
#include "tools/tws_sim/sim_account.h"

namespace corvel::sim {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kFirehoseBatch = 64 * 1024;
constexpr int kFirehoseBatchesPerWakeup = 4;
constexpr std::size_t kTrickleBytes = 3;
// Input is parsed after every read, so a connection holds at most one read and an unfinished frame.
constexpr std::size_t kReadChunk = 16 * 1024;
constexpr int kReadsPerWakeup = 8;
// An emptied buffer keeps this much of its memory for the next message; more is given back.
constexpr std::size_t kKeptBufferCapacity = 256 * 1024;
// Out of descriptors (or memory), accepting again at once would only fail again: wait, longer each
// time, until a connection goes.
constexpr std::chrono::milliseconds kFirstAcceptBackoff{50};
constexpr std::chrono::milliseconds kMostAcceptBackoff{1000};

// Gives back the memory of an emptied buffer that grew large.
void release_if_large(std::string& buffer) {
    if (buffer.empty() && buffer.capacity() > kKeptBufferCapacity) std::string().swap(buffer);
}

std::string millis_text(std::chrono::milliseconds d) {
    return std::to_string(d.count()) + " ms";
}

std::int64_t epoch_millis() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// "yyyymmdd hh:mm:ss UTC", the shape of TWS's connection time.
std::string connection_time() {
    using namespace std::chrono;
    const auto now = floor<seconds>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day ymd{day};
    const hh_mm_ss hms{now - day};
    char text[40];
    std::snprintf(text, sizeof text, "%04d%02u%02u %02lld:%02lld:%02lld UTC", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                  static_cast<long long>(hms.hours().count()), static_cast<long long>(hms.minutes().count()),
                  static_cast<long long>(hms.seconds().count()));
    return text;
}

// "hh:mm", as TWS stamps an account update.
std::string clock_time() {
    using namespace std::chrono;
    const auto now = floor<minutes>(system_clock::now());
    const hh_mm_ss hms{now - floor<days>(now)};
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(hms.hours().count()),
                  static_cast<int>(hms.minutes().count()));
    return text;
}

}  // namespace

class Connection;

// Accepts connections while the listener is watched; waits on its timer after an accept failed.
class Acceptor final : public IoHandler {
  public:
    explicit Acceptor(TwsSimulator::Impl& sim) : sim_(sim) {}
    void on_ready(bool readable, bool) override;
    void on_timer() override;

  private:
    TwsSimulator::Impl& sim_;
};

struct TwsSimulator::Impl {
    explicit Impl(SimulatorConfig c) : config(std::move(c)) {}

    void run_loop(NativeSocket interrupt);
    void accept_all();
    void pause_accepting(const std::string& error);
    void resume_accepting();
    void log(const std::string& line) const {
        if (config.log) config.log(line);
    }
    void record(int connection, std::int32_t req_id, const SimTick& tick) {
        if (!config.record_sent) return;
        const std::lock_guard<std::mutex> lock(sent_mutex);
        sent.push_back({connection, req_id, tick});
    }
    const SimContract* find_contract(std::int32_t con_id, const ContractRequest& request) const {
        for (const auto& c : config.contracts) {
            if (names_contract(c, con_id, request)) return &c;
        }
        return nullptr;
    }
    // The managed account a request names; the first for none, empty for one not managed here.
    std::string managed_account(std::string_view asked) const {
        const std::vector<std::string> accounts = account_list(config.accounts);
        if (accounts.empty()) return {};
        if (asked.empty()) return accounts.front();
        for (const auto& a : accounts) {
            if (equals_ignore_case(a, asked)) return a;
        }
        return {};
    }

    SimulatorConfig config;
    net::Socket listener;
    net::Socket wake_read, wake_write;
    int port = 0;
    PollLoop* loop = nullptr;      // while running
    Acceptor* acceptor = nullptr;  // while running
    std::chrono::milliseconds accept_backoff{0};
    std::list<std::unique_ptr<Connection>> connections;
    std::set<std::int32_t> client_ids;
    int next_connection = 1;

    std::atomic<bool> stopping{false};
    std::atomic<bool> running{false};
    std::thread thread;
    std::atomic<std::uint64_t> ticks_sent{0};
    std::atomic<std::uint64_t> accepted{0};
    std::atomic<int> open{0};
    std::atomic<int> subscriptions{0};
    std::atomic<int> finished{0};
    std::atomic<std::uint64_t> received{0};
    std::atomic<std::size_t> buffered{0};
    mutable std::mutex sent_mutex;
    std::vector<SentTick> sent;
};

// One client, from the "API\0" prefix to the close.
class Connection final : public IoHandler {
  public:
    Connection(TwsSimulator::Impl& sim, net::Socket socket, int index)
        : sim_(sim), socket_(std::move(socket)), index_(index), opened_at_(Clock::now()) {
        ++sim_.open;
        sim_.loop->watch(socket_.get(), *this, false);
        finish();  // the handshake deadline runs from here
    }
    ~Connection() { close(); }

    bool dead() const noexcept { return phase_ == Phase::Dead; }

    void close() noexcept {
        if (phase_ == Phase::Dead) return;
        if (sim_.loop) {
            sim_.loop->unwatch(socket_.get());
            sim_.loop->cancel_timer(*this);
        }
        socket_.reset();
        if (has_client_id_) sim_.client_ids.erase(client_id_);
        end_subscriptions();
        phase_ = Phase::Dead;
        --sim_.open;
        sim_.buffered -= reported_buffered_;
        reported_buffered_ = 0;
        std::string().swap(in_);
        std::string().swap(out_);
    }

    void on_ready(bool readable, bool writable) override {
        if (readable) read_input();
        if (dead()) return;
        if (writable || out_start_ < out_.size()) flush();
        if (dead()) return;
        if (sim_.config.firehose) pump_firehose();
        finish();
    }

    void on_timer() override {
        if (dead()) return;
        if (phase_ != Phase::Stalled) {
            if (!sim_.config.firehose && phase_ == Phase::Live) send_due_updates();
            flush();
        }
        finish();
    }

  private:
    enum class Phase { Prefix, Offer, AwaitStartApi, Live, Stalled, Dead };

    struct Subscription {
        std::int32_t req_id;
        QuoteStream stream;
        Clock::time_point next_due;
        std::uint64_t updates = 0;
        bool done = false;
    };

    // Ends every callback: closes a connection that was given up on while the callback ran (closing
    // only here keeps loops over the subscriptions and half-sent replies whole), else keeps the
    // buffer count and the timer up to date.
    void finish() {
        if (dead()) return;
        if (drop_reason_.empty()) check_deadlines(Clock::now());
        if (!drop_reason_.empty()) {
            sim_.log("connection " + std::to_string(index_) + ": " + drop_reason_ + "; closed");
            close();
            return;
        }
        const std::size_t held = in_.capacity() + out_.capacity();
        sim_.buffered += held;
        sim_.buffered -= reported_buffered_;
        reported_buffered_ = held;
        arm_timer();
    }

    void drop(std::string reason) {
        if (drop_reason_.empty()) drop_reason_ = std::move(reason);
    }

    void check_deadlines(Clock::time_point now) {
        if (phase_ == Phase::Stalled) return;  // silent on purpose, and not writing either
        const SimulatorConfig& c = sim_.config;
        if (!started_ && !close_after_flush_ && now - opened_at_ >= c.handshake_timeout) {
            drop("no start-API within " + millis_text(c.handshake_timeout));
        } else if (stalled_since_ && now - *stalled_since_ >= c.write_stall_timeout) {
            drop("the client has read nothing for " + millis_text(c.write_stall_timeout) + " (" +
                 std::to_string(out_.size() - out_start_) + " bytes wait)");
        }
    }

    void end_subscriptions() {
        for (const auto& s : subs_) {
            --sim_.subscriptions;
            if (s.done) --sim_.finished;
        }
        subs_.clear();
    }

    // ---- Input

    void read_input() {
        char buffer[kReadChunk];
        for (int i = 0; i < kReadsPerWakeup; ++i) {
            const net::IoResult r = net::recv_some(socket_.get(), buffer, sizeof buffer);
            if (r.status == net::IoStatus::Done) {
                sim_.received += r.bytes;
                if (phase_ == Phase::Stalled) continue;  // heard, never answered
                in_.append(buffer, r.bytes);
                parse_input();
                if (dead()) return;
                drop_consumed_input();
                if (!drop_reason_.empty()) return;
                continue;
            }
            if (r.status == net::IoStatus::WouldBlock) break;
            sim_.log("connection " + std::to_string(index_) + " closed by the client");
            close();
            return;
        }
    }

    // What has been parsed goes at once: only an unfinished frame stays, and that is bounded by the
    // frame length limit.
    void drop_consumed_input() {
        if (phase_ == Phase::Stalled) in_start_ = in_.size();
        in_.erase(0, in_start_);
        in_start_ = 0;
        release_if_large(in_);
    }

    void parse_input() {
        for (;;) {
            if (dead() || phase_ == Phase::Stalled) return;
            const std::string_view pending(in_.data() + in_start_, in_.size() - in_start_);
            if (phase_ == Phase::Prefix) {
                if (pending.size() < 4) return;
                if (pending.substr(0, 4) != std::string_view("API\0", 4)) {
                    sim_.log("connection " + std::to_string(index_) + ": not a TWS API client; closed");
                    close();
                    return;
                }
                in_start_ += 4;
                phase_ = Phase::Offer;
                continue;
            }
            const tws::FrameView frame = tws::peek_frame(pending);
            if (frame.status == tws::FrameStatus::Incomplete) return;
            if (frame.status == tws::FrameStatus::BadLength) {
                sim_.log("connection " + std::to_string(index_) + ": bad frame length; closed");
                close();
                return;
            }
            in_start_ += frame.size;
            if (phase_ == Phase::Offer) {
                answer_offer(frame.payload);
            } else {
                handle(decode_client_message(frame.payload, version_));
            }
        }
    }

    void answer_offer(std::string_view payload) {
        const VersionOffer offer = parse_version_offer(payload);
        if (!offer.ok) {
            sim_.log("connection " + std::to_string(index_) + ": unreadable version offer; closed");
            close();
            return;
        }
        // The highest version both speak. With none in common TWS has nothing it could say in the
        // client's protocol, so the connection ends unanswered rather than with a version the client
        // never offered.
        const int low = std::max(offer.min_version, kLowestServerVersion);
        const int high = std::min(offer.max_version, sim_.config.server_version);
        if (low > high) {
            sim_.log("connection " + std::to_string(index_) + ": offered versions " +
                     std::to_string(offer.min_version) + ".." + std::to_string(offer.max_version) +
                     ", no version in common with " + std::to_string(kLowestServerVersion) + ".." +
                     std::to_string(sim_.config.server_version) + "; closed");
            close();
            return;
        }
        version_ = high;
        encode_handshake_reply(out_, version_, connection_time());
        phase_ = Phase::AwaitStartApi;
    }

    void handle(const ClientMessage& message) {
        if (const auto* start = std::get_if<StartApi>(&message)) {
            if (phase_ == Phase::AwaitStartApi) start_api(start->client_id);
            return;
        }
        if (phase_ != Phase::Live) return;  // TWS ignores requests before start-API
        if (!within_pacing()) return;
        if (const auto* req = std::get_if<ReqMktData>(&message)) {
            subscribe(*req);
        } else if (const auto* cancel = std::get_if<CancelMktData>(&message)) {
            unsubscribe(cancel->req_id);
        } else if (std::holds_alternative<ReqCurrentTime>(message)) {
            send([&](std::string& out) {
                encode_current_time(out, std::chrono::duration_cast<std::chrono::seconds>(
                                             std::chrono::system_clock::now().time_since_epoch())
                                             .count());
            });
        } else if (std::holds_alternative<ReqIds>(message)) {
            send([&](std::string& out) { encode_next_valid_id(out, next_order_id_++); });
        } else {
            answer_account_request(message);
        }
    }

    // What other clients ask for at start-up and for listing contracts, answered as TWS answers it
    // for an account with nothing in it: the end markers, the account values, the contracts known.
    void answer_account_request(const ClientMessage& message) {
        if (const auto* details = std::get_if<ReqContractDetails>(&message)) {
            describe_contracts(*details);
        } else if (const auto* type = std::get_if<ReqMarketDataType>(&message)) {
            // Every simulated contract has live data, and TWS serves live data whatever type is
            // asked for while it has it, so later requests still report type 1. Nothing is answered.
            sim_.log("connection " + std::to_string(index_) + ": market data type " +
                     std::to_string(type->type) + " asked for; live data is served");
        } else if (std::holds_alternative<ReqPositions>(message)) {
            send([](std::string& out) { encode_position_end(out); });
        } else if (std::holds_alternative<ReqOpenOrders>(message)) {
            send([](std::string& out) { encode_open_order_end(out); });
        } else if (std::holds_alternative<ReqCompletedOrders>(message)) {
            send([](std::string& out) { encode_completed_orders_end(out); });
        } else if (const auto* executions = std::get_if<ReqExecutions>(&message)) {
            send([&](std::string& out) { encode_exec_details_end(out, executions->req_id); });
        } else if (std::holds_alternative<ReqManagedAccounts>(message)) {
            send([&](std::string& out) { encode_managed_accounts(out, sim_.config.accounts); });
        } else if (const auto* updates = std::get_if<ReqAccountUpdates>(&message)) {
            if (updates->subscribe) send_account_updates(updates->account);
        } else if (const auto* multi = std::get_if<ReqAccountUpdatesMulti>(&message)) {
            send_account_updates_multi(*multi);
        } else if (const auto* other = std::get_if<OtherMessage>(&message)) {
            if (other->malformed) {
                sim_.log("connection " + std::to_string(index_) + ": unreadable message " +
                         std::to_string(other->msg_id) + " dropped");
            }
        }
        // Cancelling positions or multi-account updates, and binding TWS's own orders, need no
        // answer: nothing is held and no orders are placed.
    }

    void describe_contracts(const ReqContractDetails& request) {
        bool found = false;
        for (const auto& c : sim_.config.contracts) {
            if (!details_match(c, request.con_id, request.contract)) continue;
            found = true;
            const ContractDetailsData details =
                contract_details(c, request.contract, tws::supports(version_, tws::Feature::FractionalSizes));
            send([&](std::string& out) { encode_contract_details(out, version_, request.req_id, details); });
        }
        if (!found) {
            send_error(request.req_id, 200, "No security definition has been found for the request");
            return;
        }
        send([&](std::string& out) { encode_contract_details_end(out, request.req_id); });
    }

    // The account values, then the time of the update and the end of the download; no portfolio.
    void send_account_updates(const std::string& asked) {
        const std::string account = sim_.managed_account(asked);
        if (account.empty()) {
            sim_.log("connection " + std::to_string(index_) + ": account updates asked for " + asked +
                     ", which is not managed here");
        } else {
            for (const auto& v : paper_account_values(account)) {
                send([&](std::string& out) {
                    encode_account_value(out, v.key, v.value, v.currency, account);
                });
            }
            send([](std::string& out) { encode_account_update_time(out, clock_time()); });
        }
        send([&](std::string& out) { encode_account_download_end(out, account.empty() ? asked : account); });
    }

    void send_account_updates_multi(const ReqAccountUpdatesMulti& request) {
        const std::string account = sim_.managed_account(request.account);
        if (account.empty()) {
            sim_.log("connection " + std::to_string(index_) + ": account updates asked for " +
                     request.account + ", which is not managed here");
        } else {
            for (const auto& v : paper_account_values(account)) {
                if (request.ledger_and_nlv && !v.ledger) continue;
                send([&](std::string& out) {
                    encode_account_update_multi(out, request.req_id, account, request.model_code, v.key,
                                                v.value, v.currency);
                });
            }
        }
        send([&](std::string& out) { encode_account_update_multi_end(out, request.req_id); });
    }

    void start_api(std::int32_t client_id) {
        started_ = true;
        if (sim_.client_ids.count(client_id)) {
            sim_.log("connection " + std::to_string(index_) + ": client id " + std::to_string(client_id) +
                     " in use");
            send_error(
                -1, 326,
                "Unable to connect as the client id is already in use. Retry with a unique client id.");
            close_after_flush_ = true;
            return;
        }
        client_id_ = client_id;
        has_client_id_ = true;
        sim_.client_ids.insert(client_id);
        phase_ = Phase::Live;
        sim_.log("connection " + std::to_string(index_) + ": client id " + std::to_string(client_id) +
                 ", server version " + std::to_string(version_));
        send([&](std::string& out) { encode_managed_accounts(out, sim_.config.accounts); });
        send([&](std::string& out) { encode_next_valid_id(out, next_order_id_); });
        send_error(-1, 2104, "Market data farm connection is OK:usfarm");
        send_error(-1, 2106, "HMDS data farm connection is OK:ushmds");
        send_error(-1, 2158, "Sec-def data farm connection is OK:secdefnj");
    }

    // TWS disconnects a client that sends too much; so does the simulator.
    bool within_pacing() {
        const auto now = Clock::now();
        recent_.push_back(now);
        while (!recent_.empty() && now - recent_.front() >= std::chrono::seconds(1))
            recent_.pop_front();
        const auto count = static_cast<int>(recent_.size());
        if (count <= sim_.config.max_messages_per_second) return true;
        send_error(-1, 100,
                   "Max rate of messages per second has been exceeded:max=" +
                       std::to_string(sim_.config.max_messages_per_second) + " rec=" + std::to_string(count));
        close_after_flush_ = true;
        phase_ = Phase::AwaitStartApi;  // nothing more is served
        return false;
    }

    void subscribe(const ReqMktData& req) {
        for (const auto& s : subs_) {
            if (s.req_id == req.req_id) {
                send_error(req.req_id, 322, "Error processing request: Duplicate ticker id");
                return;
            }
        }
        if (req.snapshot && !req.generic_ticks.empty()) {
            send_error(req.req_id, 321,
                       "Error validating request: Snapshot market data subscription is not applicable to "
                       "generic ticks");
            return;
        }
        if (!req.snapshot && static_cast<int>(subs_.size()) >= sim_.config.max_tickers) {
            send_error(req.req_id, 101, "Max number of tickers has been reached");
            return;
        }
        const SimContract* contract = sim_.find_contract(req.con_id, req.contract);
        if (!contract) {
            send_error(req.req_id, 200, "No security definition has been found for the request");
            return;
        }
        QuoteStream stream(*contract, sim_.config.seed,
                           tws::supports(version_, tws::Feature::FractionalSizes));
        send([&](std::string& out) { encode_market_data_type(out, req.req_id, 1); });
        send([&](std::string& out) {
            encode_tick_req_params(out, req.req_id, stream.min_tick(), "9c0001", 3);
        });
        scratch_.clear();
        stream.initial(scratch_);
        send_ticks(req.req_id);
        send([&](std::string& out) {
            encode_tick_string(out, req.req_id, 45,
                               std::to_string(std::chrono::duration_cast<std::chrono::seconds>(
                                                  std::chrono::system_clock::now().time_since_epoch())
                                                  .count()));
        });
        send([&](std::string& out) { encode_tick_generic(out, req.req_id, 49, 0); });
        if (req.snapshot) {
            send([&](std::string& out) { encode_tick_snapshot_end(out, req.req_id); });
            return;
        }
        sim_.log("connection " + std::to_string(index_) + ": streaming " + contract->symbol + " as id " +
                 std::to_string(req.req_id));
        subs_.push_back({req.req_id, std::move(stream), Clock::now() + period(), 0, false});
        ++sim_.subscriptions;
        arm_timer();
    }

    void unsubscribe(std::int32_t req_id) {
        const auto it = std::find_if(subs_.begin(), subs_.end(),
                                     [&](const Subscription& s) { return s.req_id == req_id; });
        if (it == subs_.end()) {
            send_error(req_id, 300, "Can't find EId with tickerId:" + std::to_string(req_id));
            return;
        }
        --sim_.subscriptions;
        if (it->done) --sim_.finished;
        subs_.erase(it);
        if (rr_ >= subs_.size()) rr_ = 0;
    }

    // ---- Output

    Clock::duration period() const {
        const double rate = std::max(sim_.config.updates_per_second, 0.001);
        return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / rate));
    }

    // Every message after the handshake goes through here, where the faults are injected.
    template <class Encode>
    void send(Encode&& encode) {
        if (dead() || phase_ == Phase::Stalled || close_after_flush_ || quiet_ || !drop_reason_.empty())
            return;
        append_message(encode);
        const std::size_t waiting = out_.size() - out_start_;
        if (waiting > sim_.config.max_output_backlog) {
            drop("the client does not keep up: " + std::to_string(waiting) + " bytes wait to be sent");
        }
    }

    template <class Encode>
    void append_message(Encode& encode) {
        const SimFaults& f = sim_.config.faults;
        if (sent_ == f.stall_after) {
            // Silent from here on; still reading, so a client that gives up is seen to go.
            sim_.log("connection " + std::to_string(index_) + ": stalling");
            phase_ = Phase::Stalled;
            return;
        }
        if (sent_ == f.close_after) {
            close_after_flush_ = true;
            return;
        }
        if (sent_ == f.cut_frame_after) {
            std::string frame;
            encode(frame);
            out_.append(frame, 0, frame.size() / 2);
            close_after_flush_ = true;
            return;
        }
        if (sent_ == f.malformed_after) {
            tws::FrameBuilder(out_)
                .integer(1)
                .integer(6)
                .integer(1)
                .integer(1)
                .raw("12.3x4")
                .integer(100)
                .integer(0)
                .finish();
            ++sent_;
            quiet_ = true;  // nothing a client could still read follows a broken message
            return;
        }
        if (sent_ == f.oversize_after) {
            const std::size_t at = out_.size();
            out_.append(4, '\0');
            tws::put_length(out_.data() + at, tws::kMaxFrameLength + 1);
            out_.append(
                "1\0"
                "6\0",
                4);
            ++sent_;
            quiet_ = true;
            return;
        }
        encode(out_);
        ++sent_;
    }

    void send_error(std::int32_t id, std::int32_t code, const std::string& text) {
        send([&](std::string& out) { encode_error(out, version_, id, code, text, epoch_millis()); });
    }

    void send_ticks(std::int32_t req_id) {
        for (const SimTick& t : scratch_) {
            const std::int64_t before = sent_;
            if (t.is_price) {
                send([&](std::string& out) {
                    encode_tick_price(out, version_, req_id, t.tick_type, t.value, t.size, 0);
                });
            } else {
                send(
                    [&](std::string& out) { encode_tick_size(out, version_, req_id, t.tick_type, t.value); });
            }
            if (sent_ != before) {
                ++sim_.ticks_sent;
                sim_.record(index_, req_id, t);
            }
        }
    }

    bool update(Subscription& s) {
        if (s.done) return false;
        scratch_.clear();
        s.stream.next(scratch_);
        send_ticks(s.req_id);
        ++s.updates;
        if (sim_.config.updates_per_line != 0 && s.updates >= sim_.config.updates_per_line) {
            s.done = true;
            ++sim_.finished;
        }
        return true;
    }

    void send_due_updates() {
        const auto now = Clock::now();
        const auto step = period();
        for (auto& s : subs_) {
            if (s.done || s.next_due > now) continue;
            update(s);
            s.next_due += step;
            if (s.next_due < now) s.next_due = now + step;  // fell behind: no burst to catch up
        }
    }

    bool wants_more_output() const {
        if (phase_ != Phase::Live || close_after_flush_ || quiet_) return false;
        return std::any_of(subs_.begin(), subs_.end(), [](const Subscription& s) { return !s.done; });
    }

    void pump_firehose() {
        if (phase_ != Phase::Live || subs_.empty()) return;
        for (int batch = 0; batch < kFirehoseBatchesPerWakeup; ++batch) {
            bool any = false;
            while (out_.size() - out_start_ < kFirehoseBatch && !close_after_flush_ &&
                   phase_ == Phase::Live) {
                bool progressed = false;
                for (std::size_t n = 0; n < subs_.size(); ++n) {
                    Subscription& s = subs_[rr_];
                    rr_ = (rr_ + 1) % subs_.size();
                    if (update(s)) {
                        progressed = true;
                        break;
                    }
                }
                if (!progressed) break;
                any = true;
            }
            flush();
            if (dead() || out_start_ < out_.size() || !any) break;
        }
        // Keep being woken while there is more to send or more to make.
        if (!dead()) want_write(true);
    }

    void flush() {
        bool moved = false;
        while (out_start_ < out_.size()) {
            std::size_t size = out_.size() - out_start_;
            if (sim_.config.faults.trickle) size = std::min(size, kTrickleBytes);
            const net::IoResult r = net::send_some(socket_.get(), out_.data() + out_start_, size);
            if (r.status == net::IoStatus::Done) {
                out_start_ += r.bytes;
                moved = true;
                if (sim_.config.faults.trickle) break;
                continue;
            }
            if (r.status == net::IoStatus::WouldBlock) break;
            sim_.log("connection " + std::to_string(index_) + ": send failed: " + r.error);
            close();
            return;
        }
        // What has gone out is not kept while the rest waits for a client that never quite catches up.
        if (out_start_ > 0 && out_start_ >= out_.size() / 2) {
            out_.erase(0, out_start_);
            out_start_ = 0;
        }
        // How long the client has taken none of what waits for it. A firehose keeps nothing waiting
        // (it makes more only once the socket takes it), so there the socket not taking any is the
        // measure.
        const bool waiting = out_start_ < out_.size() || (sim_.config.firehose && wants_more_output());
        if (!waiting) {
            stalled_since_.reset();
        } else if (moved || !stalled_since_) {
            stalled_since_ = Clock::now();
        }
        if (out_start_ == out_.size()) {
            out_.clear();
            out_start_ = 0;
            release_if_large(out_);
            if (close_after_flush_) {
                sim_.log("connection " + std::to_string(index_) + ": closing");
                close();
                return;
            }
        }
        const bool more = out_start_ < out_.size();
        if (sim_.config.faults.trickle) {
            arm_timer();  // the rest goes out a little later
        } else if (!sim_.config.firehose) {
            want_write(more);
        }
    }

    void want_write(bool want) {
        if (dead() || phase_ == Phase::Stalled || want == watching_write_) return;
        watching_write_ = want;
        sim_.loop->watch(socket_.get(), *this, want);
    }

    void arm_timer() {
        if (dead()) return;
        const SimulatorConfig& c = sim_.config;
        Clock::time_point next = Clock::time_point::max();
        if (!c.firehose && phase_ == Phase::Live) {
            for (const auto& s : subs_) {
                if (!s.done) next = std::min(next, s.next_due);
            }
        }
        if (c.faults.trickle && out_start_ < out_.size()) {
            next = std::min(next, Clock::now() + std::chrono::milliseconds(1));
        }
        if (phase_ != Phase::Stalled) {
            if (!started_ && !close_after_flush_) next = std::min(next, opened_at_ + c.handshake_timeout);
            if (stalled_since_) next = std::min(next, *stalled_since_ + c.write_stall_timeout);
        }
        if (next != Clock::time_point::max()) {
            sim_.loop->set_timer(*this, next);
        } else {
            sim_.loop->cancel_timer(*this);
        }
    }

    TwsSimulator::Impl& sim_;
    net::Socket socket_;
    int index_;
    Phase phase_ = Phase::Prefix;
    std::string in_;
    std::size_t in_start_ = 0;
    std::string out_;
    std::size_t out_start_ = 0;
    bool watching_write_ = false;
    bool close_after_flush_ = false;
    bool started_ = false;  // start-API accepted
    // Set while a callback runs that gave the connection up; it closes when the callback ends.
    std::string drop_reason_;
    const Clock::time_point opened_at_;
    // Since when output has waited with none of it taken; empty while nothing waits.
    std::optional<Clock::time_point> stalled_since_;
    std::size_t reported_buffered_ = 0;
    bool quiet_ = false;
    int version_ = 0;
    std::int32_t client_id_ = 0;
    bool has_client_id_ = false;
    std::int64_t next_order_id_ = 1;
    std::int64_t sent_ = 0;
    std::vector<Subscription> subs_;
    std::size_t rr_ = 0;
    std::deque<Clock::time_point> recent_;
    std::vector<SimTick> scratch_;
};

void Acceptor::on_ready(bool readable, bool) {
    if (readable) sim_.accept_all();
}

void Acceptor::on_timer() {
    sim_.resume_accepting();
}

void TwsSimulator::Impl::accept_all() {
    for (;;) {
        std::string error;
        net::Socket s = net::accept_connection(listener.get(), error);
        if (!s) {
            if (!error.empty()) pause_accepting(error);
            return;
        }
        accept_backoff = std::chrono::milliseconds{0};
        if (open >= config.max_connections) {
            log("connection refused: " + std::to_string(open.load()) + " connections open, the most allowed");
            continue;  // closed as it goes out of scope
        }
        ++accepted;
        const int index = next_connection++;
        log("connection " + std::to_string(index) + " accepted");
        connections.push_back(std::make_unique<Connection>(*this, std::move(s), index));
    }
}

// The listener stays readable while the failure lasts, so accepting again at once would spin.
void TwsSimulator::Impl::pause_accepting(const std::string& error) {
    accept_backoff =
        accept_backoff.count() == 0 ? kFirstAcceptBackoff : std::min(accept_backoff * 2, kMostAcceptBackoff);
    log("accept failed: " + error + "; trying again in " + millis_text(accept_backoff));
    loop->unwatch(listener.get());
    loop->set_timer(*acceptor, Clock::now() + accept_backoff);
}

void TwsSimulator::Impl::resume_accepting() {
    loop->watch(listener.get(), *acceptor, false);
}

void TwsSimulator::Impl::run_loop(NativeSocket interrupt) {
    PollLoop poll_loop;
    loop = &poll_loop;
    Acceptor on_listener(*this);
    acceptor = &on_listener;
    ReadableHandler on_wake([this] {
        char drain[64];
        while (net::recv_some(wake_read.get(), drain, sizeof drain).status == net::IoStatus::Done) {
        }
    });
    ReadableHandler on_interrupt([this] { stopping = true; });
    poll_loop.watch(listener.get(), on_listener, false);
    poll_loop.watch(wake_read.get(), on_wake, false);
    if (interrupt != kNoSocket) poll_loop.watch(interrupt, on_interrupt, false);
    while (!stopping) {
        poll_loop.run_once(std::chrono::milliseconds(200));
        connections.remove_if([](const std::unique_ptr<Connection>& c) { return c->dead(); });
    }
    connections.clear();
    poll_loop.unwatch(listener.get());
    poll_loop.cancel_timer(on_listener);
    acceptor = nullptr;
    accept_backoff = std::chrono::milliseconds{0};
    poll_loop.unwatch(wake_read.get());
    if (interrupt != kNoSocket) poll_loop.unwatch(interrupt);
    loop = nullptr;
}

TwsSimulator::TwsSimulator(SimulatorConfig config) : impl_(std::make_unique<Impl>(std::move(config))) {
    number_contracts(impl_->config.contracts);
    std::string error;
    impl_->listener = net::listen_tcp(impl_->config.listen_address, impl_->config.port, error);
    if (!impl_->listener) {
        throw std::runtime_error("cannot listen on " + impl_->config.listen_address + ":" +
                                 std::to_string(impl_->config.port) + ": " + error);
    }
    impl_->port = net::local_port(impl_->listener.get());
    if (!net::socket_pair(impl_->wake_read, impl_->wake_write, error)) {
        throw std::runtime_error("cannot make the simulator's wake-up sockets: " + error);
    }
}

TwsSimulator::~TwsSimulator() {
    stop();
}

int TwsSimulator::port() const noexcept {
    return impl_->port;
}
const SimulatorConfig& TwsSimulator::config() const noexcept {
    return impl_->config;
}

void TwsSimulator::start() {
    if (impl_->thread.joinable()) throw std::logic_error("the simulator is already running");
    impl_->stopping = false;
    impl_->thread = std::thread([impl = impl_.get()] { impl->run_loop(kNoSocket); });
}

void TwsSimulator::stop() {
    impl_->stopping = true;
    const char byte = 1;
    (void)net::send_some(impl_->wake_write.get(), &byte, 1);
    if (impl_->thread.joinable()) impl_->thread.join();
}

void TwsSimulator::run(NativeSocket interrupt) {
    impl_->stopping = false;
    impl_->run_loop(interrupt);
}

std::uint64_t TwsSimulator::tick_messages_sent() const noexcept {
    return impl_->ticks_sent;
}
std::uint64_t TwsSimulator::connections_accepted() const noexcept {
    return impl_->accepted;
}
int TwsSimulator::open_connections() const noexcept {
    return impl_->open;
}
int TwsSimulator::active_subscriptions() const noexcept {
    return impl_->subscriptions;
}
int TwsSimulator::finished_subscriptions() const noexcept {
    return impl_->finished;
}

bool parse_update_rate(std::string_view text, double& rate, bool& firehose) {
    if (text == "max") {
        firehose = true;
        rate = 0;
        return true;
    }
    double value = 0;
    if (tws::parse_double(text, value) != tws::FieldValue::Set || !(value > 0) || value > 1e6) return false;
    firehose = false;
    rate = value;
    return true;
}

std::uint64_t TwsSimulator::bytes_received() const noexcept {
    return impl_->received;
}
std::size_t TwsSimulator::buffered_bytes() const noexcept {
    return impl_->buffered;
}

std::vector<SentTick> TwsSimulator::sent_ticks() const {
    const std::lock_guard<std::mutex> lock(impl_->sent_mutex);
    return impl_->sent;
}

}  // namespace corvel::sim
