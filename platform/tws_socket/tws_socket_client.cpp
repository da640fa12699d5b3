#include "platform/tws_socket/tws_socket_client.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "common/automation_error.h"
#include "common/text.h"
#include "platform/tws_socket/codec/decoder.h"
#include "platform/tws_socket/codec/encoder.h"
#include "platform/tws_socket/codec/field_codec.h"
#include "platform/tws_socket/codec/framing.h"

namespace corvel {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
// A wake-up reads at most this many chunks, so timers and other sockets get their turn.
constexpr int kReadsPerWakeup = 4;
// After a huge frame the input buffer goes back to its usual size.
constexpr std::size_t kKeptInputCapacity = 1024 * 1024;
constexpr std::int32_t kDenseIds = 65536;

SteadyTime now() {
    return std::chrono::steady_clock::now();
}

std::string seconds(std::chrono::milliseconds ms) {
    const auto count = ms.count();
    if (count % 1000 == 0) return std::to_string(count / 1000) + " s";
    return std::to_string(count) + " ms";
}

std::string with_detail(tws::ClientError error, const std::string& detail) {
    return detail.empty() ? std::string(error.text) : std::string(error.text) + " - " + detail;
}

// A peer's text for an error message: bounded, and safe to print.
std::string shown(std::string_view raw) {
    constexpr std::size_t kShown = 40;
    std::string out = printable(raw.substr(0, kShown));
    if (raw.size() > kShown) out += "...";
    return out;
}

[[noreturn]] void throw_error(tws::ClientError error, const std::string& detail) {
    throw AutomationError(object_error(static_cast<std::uint32_t>(error.code)), TwsSocketClient::kErrorSource,
                          with_detail(error, detail));
}

}  // namespace

TwsSocketClient::TwsSocketClient(std::shared_ptr<IoReactor> reactor, TwsSocketOptions options)
    : reactor_(std::move(reactor)), options_(std::move(options)) {
    if (!reactor_) throw std::invalid_argument("TwsSocketClient needs a reactor");
    options_.max_version = std::min(options_.max_version, tws::kHighestTextVersion);
    options_.min_version = std::clamp(options_.min_version, 1, options_.max_version);
    options_.max_messages_per_window = std::max(options_.max_messages_per_window, 1);
}

TwsSocketClient::~TwsSocketClient() {
    life_->alive = false;
    close_socket();
}

// ---------------------------------------------------------------------------------------------------
// Connecting

void TwsSocketClient::connect(const std::string& host, std::int32_t port, std::int32_t client_id) {
    const Life life = life_;
    if (state_ != State::Idle) {
        const std::string text = tws::client_error::kAlreadyConnected.text;
        if (TwsControlEvents* e = events_) {
            try {
                e->on_error(-1, tws::client_error::kAlreadyConnected.code, text);
            } catch (...) {
            }
        }
        throw_error(tws::client_error::kAlreadyConnected, {});
    }
    const std::uint64_t session = ++life_->session;
    state_ = State::Connecting;
    in_start_ = in_end_ = 0;
    out_.clear();
    out_start_ = 0;
    paced_.clear();
    recent_sends_.clear();
    server_version_ = 0;
    connection_time_.clear();
    accounts_.clear();
    ready_seen_ = false;
    server_error_while_connecting_ = false;
    life_->failure_code = 0;
    life_->failure_text.clear();
    ping_outstanding_ = false;
    active_low_.clear();
    active_other_.clear();

    const SteadyTime deadline = now() + options_.connect_timeout;
    const std::string where = (host.empty() ? std::string("127.0.0.1") : host) + ":" + std::to_string(port);
    if (port <= 0 || port > 65535)
        fail_connect(life, tws::client_error::kConnectFail, where + ": not a TCP port");
    std::string error;
    socket_ = net::connect_tcp(host, port, deadline, error, options_.connect_cancel);
    if (!socket_) fail_connect(life, tws::client_error::kConnectFail, where + ": " + error);

    scratch_ = tws::encode_handshake(options_.min_version, options_.max_version, options_.connect_options);
    enqueue_scratch();
    send_blocking(life, session, deadline);
    await_handshake_reply(life, session, deadline);
    tws::encode_start_api(scratch_, server_version_, client_id);
    enqueue_scratch();
    send_blocking(life, session, deadline);
    await_ready(life, session, deadline, client_id);

    state_ = State::Ready;
    last_receive_ = last_send_progress_ = now();
    reactor_->watch(socket_.get(), *this, false);
    arm_timer(last_receive_);
}

void TwsSocketClient::send_blocking(const Life& life, std::uint64_t session, SteadyTime deadline) {
    while (out_start_ < out_.size()) {
        const net::IoResult r =
            net::send_some(socket_.get(), out_.data() + out_start_, out_.size() - out_start_);
        if (r.status == net::IoStatus::Done) {
            out_start_ += r.bytes;
            continue;
        }
        if (r.status != net::IoStatus::WouldBlock)
            fail_connect(life, tws::client_error::kConnectFail, r.error);
        wait_for_socket(life, true, deadline, "TWS took no data for " + seconds(options_.connect_timeout));
        if (!still(life, session)) throw_connect_ended(life);
    }
    out_.clear();
    out_start_ = 0;
}

void TwsSocketClient::await_handshake_reply(const Life& life, std::uint64_t session, SteadyTime deadline) {
    using tws::client_error::kConnectFail;
    for (;;) {
        const tws::FrameView frame =
            tws::peek_frame(std::string_view(in_.data() + in_start_, in_end_ - in_start_));
        if (frame.status == tws::FrameStatus::BadLength) {
            fail_connect(life, kConnectFail, "the answer is not a TWS API handshake");
        }
        if (frame.status == tws::FrameStatus::Complete) {
            in_start_ += frame.size;
            const tws::HandshakeReply reply = tws::decode_handshake_reply(frame.payload);
            if (!reply.ok)
                fail_connect(life, kConnectFail, std::string("bad handshake answer: ") + reply.problem);
            if (reply.redirect) {
                fail_connect(life, kConnectFail,
                             "TWS asked to reconnect to " + shown(reply.connection_time) +
                                 ", which this client does not do");
            }
            const std::string versions = "server version " + std::to_string(reply.server_version) +
                                         ", this client speaks " + std::to_string(options_.min_version) +
                                         " to " + std::to_string(options_.max_version);
            if (reply.server_version < options_.min_version)
                fail_connect(life, tws::client_error::kUpdateTws, versions);
            if (reply.server_version > options_.max_version) {
                fail_connect(life, tws::client_error::kUnsupportedVersion, versions);
            }
            server_version_ = reply.server_version;
            connection_time_ = std::string(reply.connection_time);
            return;
        }
        wait_for_socket(life, false, deadline,
                        "no handshake answer within " + seconds(options_.connect_timeout));
        std::string error;
        switch (read_some(error)) {
            case ReadOutcome::Data:
            case ReadOutcome::Nothing:
                break;
            case ReadOutcome::Closed:
                fail_connect(life, kConnectFail, "TWS closed the connection during the handshake");
            case ReadOutcome::Failed:
                fail_connect(life, kConnectFail, error);
        }
        if (!still(life, session)) throw_connect_ended(life);
    }
}

void TwsSocketClient::await_ready(const Life& life, std::uint64_t session, SteadyTime deadline,
                                  std::int32_t client_id) {
    using tws::client_error::kConnectFail;
    for (;;) {
        if (!process_frames(life, session)) throw_connect_ended(life);
        if (ready_seen_) return;
        wait_for_socket(life, false, deadline,
                        "TWS did not report ready within " + seconds(options_.connect_timeout) +
                            " (is it asking whether to accept the connection?)");
        std::string error;
        switch (read_some(error)) {
            case ReadOutcome::Data:
            case ReadOutcome::Nothing:
                break;
            case ReadOutcome::Closed:
                if (server_error_while_connecting_) {
                    // TWS said why before it closed (client id in use, typically); that is the reason.
                    close_socket();
                    state_ = State::Idle;
                    ++life_->session;
                    throw_connect_ended(life);
                }
                fail_connect(life, kConnectFail,
                             "TWS closed the connection before it was ready (is client id " +
                                 std::to_string(client_id) + " in use by another program?)");
            case ReadOutcome::Failed:
                fail_connect(life, kConnectFail, error);
        }
    }
}

void TwsSocketClient::wait_for_socket(const Life& life, bool for_write, SteadyTime deadline,
                                      const std::string& on_timeout) {
    // A peer that keeps sending (notices, a message that never ends) must not hold the connect open.
    if (now() >= deadline) fail_connect(life, tws::client_error::kConnectFail, on_timeout);
    std::string error;
    switch (net::wait_ready(socket_.get(), for_write, deadline, error, options_.connect_cancel)) {
        case net::WaitResult::Ready:
            return;
        case net::WaitResult::TimedOut:
            fail_connect(life, tws::client_error::kConnectFail, on_timeout);
        case net::WaitResult::Cancelled:
            fail_connect(life, tws::client_error::kConnectFail, "interrupted");
        case net::WaitResult::Failed:
            fail_connect(life, tws::client_error::kConnectFail, error);
    }
}

void TwsSocketClient::fail_connect(const Life& life, tws::ClientError error, const std::string& detail) {
    fail(error, detail);
    throw_connect_ended(life);
}

void TwsSocketClient::throw_connect_ended(const Life& life) {
    if (!life->alive) {
        throw AutomationError(object_error(502u), kErrorSource,
                              "The TWS control was released while connecting");
    }
    if (life->failure_code != 0) {
        throw AutomationError(object_error(static_cast<std::uint32_t>(life->failure_code)), kErrorSource,
                              life->failure_text);
    }
    throw_error(tws::client_error::kConnectFail, "the connection was ended while connecting");
}

// ---------------------------------------------------------------------------------------------------
// Reading

TwsSocketClient::ReadOutcome TwsSocketClient::read_some(std::string& error) {
    if (in_start_ == in_end_) {
        in_start_ = in_end_ = 0;
        if (in_.size() > kKeptInputCapacity) std::vector<char>(kReadChunk).swap(in_);
    }
    if (in_.size() - in_end_ < kReadChunk) {
        if (in_start_ > 0) {
            std::memmove(in_.data(), in_.data() + in_start_, in_end_ - in_start_);
            in_end_ -= in_start_;
            in_start_ = 0;
        }
        if (in_.size() - in_end_ < kReadChunk) in_.resize(in_end_ + kReadChunk);
    }
    const net::IoResult r = net::recv_some(socket_.get(), in_.data() + in_end_, in_.size() - in_end_);
    switch (r.status) {
        case net::IoStatus::Done:
            last_receive_ = now();
            if (in_start_ == in_end_) message_started_ = last_receive_;
            in_end_ += r.bytes;
            stats_.bytes_received += r.bytes;
            return ReadOutcome::Data;
        case net::IoStatus::WouldBlock:
            return ReadOutcome::Nothing;
        case net::IoStatus::Closed:
            return ReadOutcome::Closed;
        case net::IoStatus::Failed:
            break;
    }
    error = r.error;
    return ReadOutcome::Failed;
}

void TwsSocketClient::on_ready(bool readable, bool writable) {
    // A handler that lets the thread process its pending events while this client is delivering
    // lands here again; the delivery under way goes on with the input in order.
    if (dispatch_depth_ > 0 || state_ != State::Ready) return;
    const Life life = life_;
    const std::uint64_t session = life->session;
    if (writable && (!flush() || !still(life, session))) return;
    if (readable) {
        for (int i = 0; i < kReadsPerWakeup; ++i) {
            std::string error;
            const ReadOutcome outcome = read_some(error);
            if (outcome == ReadOutcome::Nothing) break;
            if (outcome != ReadOutcome::Data) {
                handle_read_end(outcome, error);
                return;
            }
            if (!process_frames(life, session)) return;
        }
    }
    arm_timer(now());
}

void TwsSocketClient::handle_read_end(ReadOutcome outcome, const std::string& error) {
    if (outcome == ReadOutcome::Failed) {
        fail(tws::client_error::kSocketException, error);
        return;
    }
    const std::size_t have = in_end_ - in_start_;
    if (have == 0) {
        fail(tws::client_error::kSocketException, "TWS closed the connection");
        return;
    }
    const tws::FrameView frame = tws::peek_frame(std::string_view(in_.data() + in_start_, have));
    const std::string expected = frame.length > 0 ? std::to_string(frame.length + 4) : std::string("more");
    fail(tws::client_error::kBadLength, "TWS closed the connection in the middle of a message (" +
                                            std::to_string(have) + " of " + expected + " bytes)");
}

bool TwsSocketClient::process_frames(const Life& life, std::uint64_t session) {
    ++dispatch_depth_;
    for (;;) {
        const tws::FrameView frame =
            tws::peek_frame(std::string_view(in_.data() + in_start_, in_end_ - in_start_));
        if (frame.status == tws::FrameStatus::Incomplete) break;
        // A connect ends at "ready"; what follows is delivered by the reactor once connect returned.
        if (state_ == State::Connecting && ready_seen_) break;
        if (frame.status == tws::FrameStatus::BadLength) {
            --dispatch_depth_;
            fail(tws::client_error::kBadLength, "a message announced " + std::to_string(frame.length) +
                                                    " bytes; TWS sends 1 to " +
                                                    std::to_string(tws::kMaxFrameLength));
            return false;
        }
        // Consumed before delivery: a handler may disconnect, reconnect or release this client.
        in_start_ += frame.size;
        // The next message began in the latest read at the earliest: frames are taken after each read.
        message_started_ = last_receive_;
        ++stats_.messages_received;
        if (!dispatch(tws::decode_message(frame.payload, server_version_), life, session)) {
            if (life->alive) --dispatch_depth_;
            return false;
        }
    }
    --dispatch_depth_;
    return true;
}

bool TwsSocketClient::dispatch(const tws::Message& message, const Life& life, std::uint64_t session) {
    if (const auto* price = std::get_if<tws::TickPrice>(&message)) {
        ++stats_.tick_price_messages;
        if (!is_active(price->req_id)) return true;  // cancelled: TWS may still have had some on the way
        // A price TWS has no value for is not a tick; neither is an infinite one.
        if (price->has_price && std::isfinite(price->price)) {
            if (TwsControlEvents* e = events_) {
                try {
                    e->on_tick_price(price->req_id, price->tick_type, price->price, price->attributes);
                } catch (...) {
                }
                if (!still(life, session)) return false;
            }
        }
        const std::int32_t size_type = tws::size_type_for_price(price->tick_type);
        if (size_type >= 0 && price->has_size && std::isfinite(price->size)) {
            if (TwsControlEvents* e = events_) {
                try {
                    e->on_tick_size(price->req_id, size_type, price->size);
                } catch (...) {
                }
                if (!still(life, session)) return false;
            }
        }
        return true;
    }
    if (const auto* size = std::get_if<tws::TickSize>(&message)) {
        ++stats_.tick_size_messages;
        if (!is_active(size->req_id) || !size->has_size || !std::isfinite(size->size)) return true;
        if (TwsControlEvents* e = events_) {
            try {
                e->on_tick_size(size->req_id, size->tick_type, size->size);
            } catch (...) {
            }
            return still(life, session);
        }
        return true;
    }
    if (const auto* error = std::get_if<tws::ErrorMessage>(&message)) {
        const std::string text = tws::decode_error_text(error->text, server_version_);
        if (state_ == State::Connecting && !tws::is_notice(error->code)) {
            server_error_while_connecting_ = true;
            life_->failure_code = error->code;
            life_->failure_text = text;
        }
        if (TwsControlEvents* e = events_) {
            try {
                e->on_error(error->id, error->code, text);
            } catch (...) {
            }
            return still(life, session);
        }
        return true;
    }
    if (const auto* next_id = std::get_if<tws::NextValidId>(&message)) {
        next_valid_id_ = next_id->order_id;
        ready_seen_ = true;
        return true;
    }
    if (const auto* accounts = std::get_if<tws::ManagedAccounts>(&message)) {
        accounts_ = std::string(accounts->accounts);
        return true;
    }
    if (const auto* bad = std::get_if<tws::Malformed>(&message)) {
        fail(tws::client_error::kBadMessage, "message " + std::to_string(bad->msg_id) + ", field " +
                                                 std::to_string(bad->field_index) + " '" + shown(bad->raw) +
                                                 "': " + bad->reason);
        return false;
    }
    return true;  // everything else is of no use to the control's owner
}

// ---------------------------------------------------------------------------------------------------
// Writing

void TwsSocketClient::request_market_data(std::int32_t ticker_id, const ContractRequest& contract,
                                          const std::string& generic_ticks, bool snapshot) {
    if (state_ != State::Ready) throw_error(tws::client_error::kNotConnected, {});
    const std::pair<const char*, const std::string*> texts[] = {
        {"symbol", &contract.symbol},
        {"security type", &contract.sec_type},
        {"expiry", &contract.expiry},
        {"right", &contract.right},
        {"multiplier", &contract.multiplier},
        {"exchange", &contract.exchange},
        {"primary exchange", &contract.primary_exchange},
        {"currency", &contract.currency},
        {"generic tick list", &generic_ticks},
    };
    for (const auto& [name, value] : texts) {
        if (!tws::is_printable_ascii(*value)) {
            throw_error(tws::client_error::kInvalidSymbol, std::string(name) + " '" + shown(*value) + "'");
        }
    }
    if (!tws::encode_req_mkt_data(scratch_, server_version_, ticker_id, contract, generic_ticks, snapshot)) {
        throw_error(tws::client_error::kReqMktDataFail, "the strike is not a number");
    }
    set_active(ticker_id, true);
    enqueue_scratch();
    // The failure's text is copied out before the connection's error event, which may release this client.
    std::string failure;
    if (!flush(&failure)) throw_error(tws::client_error::kReqMktDataFail, failure);
    arm_timer(now());
}

void TwsSocketClient::cancel_market_data(std::int32_t ticker_id) {
    if (state_ != State::Ready) throw_error(tws::client_error::kNotConnected, {});
    set_active(ticker_id, false);
    tws::encode_cancel_mkt_data(scratch_, ticker_id);
    enqueue_scratch();
    std::string failure;
    if (!flush(&failure)) throw_error(tws::client_error::kCancelMktDataFail, failure);
    arm_timer(now());
}

void TwsSocketClient::enqueue_scratch() {
    const SteadyTime t = now();
    const bool window_open =
        recent_sends_.size() < static_cast<std::size_t>(options_.max_messages_per_window) ||
        t - recent_sends_.front() >= options_.pacing_window;
    if (paced_.empty() && window_open) {
        out_ += scratch_;
        recent_sends_.push_back(t);
        if (recent_sends_.size() > static_cast<std::size_t>(options_.max_messages_per_window)) {
            recent_sends_.pop_front();
        }
        ++stats_.messages_sent;
    } else {
        paced_.push_back(scratch_);
    }
    scratch_.clear();
}

void TwsSocketClient::release_paced(SteadyTime t) {
    const auto limit = static_cast<std::size_t>(options_.max_messages_per_window);
    while (!paced_.empty() &&
           (recent_sends_.size() < limit || t - recent_sends_.front() >= options_.pacing_window)) {
        out_ += paced_.front();
        paced_.pop_front();
        recent_sends_.push_back(t);
        if (recent_sends_.size() > limit) recent_sends_.pop_front();
        ++stats_.messages_sent;
    }
}

bool TwsSocketClient::flush(std::string* failure) {
    while (out_start_ < out_.size()) {
        const net::IoResult r =
            net::send_some(socket_.get(), out_.data() + out_start_, out_.size() - out_start_);
        if (r.status == net::IoStatus::Done) {
            out_start_ += r.bytes;
            last_send_progress_ = now();
            continue;
        }
        if (r.status == net::IoStatus::WouldBlock) {
            if (!watching_write_) {
                reactor_->watch(socket_.get(), *this, true);
                watching_write_ = true;
            }
            return true;
        }
        const std::string text = "Exception caught while writing socket - " + r.error;
        if (failure) *failure = text;
        fail(tws::client_error::kSocketException.code, text);
        return false;
    }
    out_.clear();
    out_start_ = 0;
    if (watching_write_) {
        reactor_->watch(socket_.get(), *this, false);
        watching_write_ = false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Time: pacing, stalls and keep-alive

void TwsSocketClient::on_timer() {
    if (state_ != State::Ready) return;
    const SteadyTime t = now();
    if (dispatch_depth_ > 0) {
        // Due while a delivery is under way (the owner processes pending events from inside one):
        // delivering from here would hand over messages the running delivery has not reached, while
        // the owner cannot take them. Later, then.
        arm_timer(t);
        return;
    }
    const Life life = life_;
    const std::uint64_t session = life->session;
    // Messages that came in the same read as "ready" during connect.
    if (in_end_ > in_start_ && !process_frames(life, session)) return;
    if (!paced_.empty()) {
        release_paced(t);
        if (!flush() || !still(life, session)) return;
    }
    const auto stall = options_.stall_timeout;
    if (out_start_ < out_.size() && t - last_send_progress_ >= stall) {
        fail(tws::client_error::kSocketException.code,
             "Exception caught while writing socket - TWS has taken no data for " + seconds(stall));
        return;
    }
    // Measured from the message's first byte: a peer sending a byte now and then must not hold a
    // message open for ever.
    if (in_end_ > in_start_ && t - message_started_ >= stall) {
        fail(tws::client_error::kSocketException,
             "TWS stopped in the middle of a message: not complete after " + seconds(stall));
        return;
    }
    if (ping_outstanding_) {
        if (last_receive_ >= ping_sent_) {
            ping_outstanding_ = false;
        } else if (t - ping_sent_ >= stall) {
            fail(tws::client_error::kSocketException, "TWS has not answered for " + seconds(stall));
            return;
        }
    }
    if (!ping_outstanding_ && t - last_receive_ >= options_.keepalive_interval) {
        // No protocol heartbeat exists; asking for the server's time tells a quiet market from a dead peer.
        tws::encode_req_current_time(scratch_);
        enqueue_scratch();
        ping_sent_ = t;
        ping_outstanding_ = true;
        if (!flush() || !still(life, session)) return;
    }
    arm_timer(t);
}

void TwsSocketClient::arm_timer(SteadyTime t) {
    if (state_ != State::Ready) return;
    SteadyTime next =
        ping_outstanding_ ? ping_sent_ + options_.stall_timeout : last_receive_ + options_.keepalive_interval;
    if (in_end_ > in_start_) {
        const bool complete =
            tws::peek_frame(std::string_view(in_.data() + in_start_, in_end_ - in_start_)).status !=
            tws::FrameStatus::Incomplete;
        next = std::min(next, complete ? t : message_started_ + options_.stall_timeout);
    }
    if (out_start_ < out_.size()) next = std::min(next, last_send_progress_ + options_.stall_timeout);
    if (!paced_.empty()) next = std::min(next, recent_sends_.front() + options_.pacing_window);
    reactor_->set_timer(*this, std::max(next, t));
}

// ---------------------------------------------------------------------------------------------------
// Closing

void TwsSocketClient::disconnect() {
    if (state_ == State::Idle) return;
    if (state_ == State::Ready && out_start_ < out_.size()) {
        // One last try, so cancels already asked for reach TWS; whatever does not fit is dropped.
        (void)net::send_some(socket_.get(), out_.data() + out_start_, out_.size() - out_start_);
    }
    close_socket();
    state_ = State::Idle;
    ++life_->session;
    out_.clear();
    out_start_ = 0;
    paced_.clear();
    active_low_.clear();
    active_other_.clear();
    if (dispatch_depth_ == 0) in_start_ = in_end_ = 0;
}

void TwsSocketClient::fail(std::int32_t code, const std::string& text) {
    close_socket();
    state_ = State::Idle;
    ++life_->session;
    life_->failure_code = code;
    life_->failure_text = text;
    if (TwsControlEvents* e = events_) {
        const std::string message = text;  // the handler may release this client, and its copy of the text
        try {
            e->on_error(-1, code, message);
        } catch (...) {
        }
    }
}

void TwsSocketClient::fail(tws::ClientError error, const std::string& detail) {
    fail(error.code, with_detail(error, detail));
}

void TwsSocketClient::close_socket() noexcept {
    if (socket_) {
        reactor_->unwatch(socket_.get());
        reactor_->cancel_timer(*this);
        socket_.reset();
    }
    watching_write_ = false;
}

bool TwsSocketClient::is_active(std::int32_t id) const noexcept {
    if (id >= 0 && id < kDenseIds) {
        return static_cast<std::size_t>(id) < active_low_.size() && active_low_[static_cast<std::size_t>(id)];
    }
    return active_other_.count(id) != 0;
}

void TwsSocketClient::set_active(std::int32_t id, bool active) {
    if (id >= 0 && id < kDenseIds) {
        const auto index = static_cast<std::size_t>(id);
        if (index >= active_low_.size()) {
            if (!active) return;
            active_low_.resize(index + 1, false);
        }
        active_low_[index] = active;
        return;
    }
    if (active) {
        active_other_.insert(id);
    } else {
        active_other_.erase(id);
    }
}

}  // namespace corvel
