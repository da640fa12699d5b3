#include "platform/tws_socket/tws_socket_client.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "common/automation_error.h"
#include "common/text.h"
#include "platform/tws_socket/codec/decoder.h"
#include "platform/tws_socket/codec/encoder.h"
#include "platform/tws_socket/codec/field_codec.h"

namespace corvel {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
// A wake-up reads at most this many chunks, so timers and other sockets get their turn.
constexpr int kReadsPerWakeup = 4;
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
}

TwsSocketClient::~TwsSocketClient() {
    life_->alive = false;
    close_socket();
}

template <class Call>
bool TwsSocketClient::notify(const Life& life, std::uint64_t session, Call&& call) {
    TwsControlEvents* const events = events_;
    if (!events) return true;
    try {
        call(*events);
    } catch (...) {
        // The owner's failure is its own; the connection goes on.
    }
    return still(life, session);
}

// ---------------------------------------------------------------------------------------------------
// Connecting

void TwsSocketClient::connect(const std::string& host, std::int32_t port, std::int32_t client_id) {
    const Life life = life_;
    if (state_ != State::Idle) {
        const std::string text = tws::client_error::kAlreadyConnected.text;
        notify(life, life->session,
               [&](TwsControlEvents& e) { e.on_error(-1, tws::client_error::kAlreadyConnected.code, text); });
        throw_error(tws::client_error::kAlreadyConnected, {});
    }
    const std::uint64_t session = ++life_->session;
    state_ = State::Connecting;
    session_ = Session(options_);
    life_->failure = {};

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
    tws::encode_start_api(scratch_, session_.server_version, client_id);
    enqueue_scratch();
    send_blocking(life, session, deadline);
    await_ready(life, session, deadline, client_id);

    state_ = State::Ready;
    const SteadyTime ready = now();
    session_.keep_alive.start(ready);
    reactor_->watch(socket_.get(), *this, false);
    arm_timer(ready);
}

void TwsSocketClient::send_blocking(const Life& life, std::uint64_t session, SteadyTime deadline) {
    for (;;) {
        const net::IoResult r = write_output();
        if (r.status == net::IoStatus::Done) return;
        if (r.status != net::IoStatus::WouldBlock)
            fail_connect(life, tws::client_error::kConnectFail, r.error);
        wait_for_socket(life, true, deadline, "TWS took no data for " + seconds(options_.connect_timeout));
        if (!still(life, session)) throw_connect_ended(life);
    }
}

void TwsSocketClient::await_handshake_reply(const Life& life, std::uint64_t session, SteadyTime deadline) {
    using tws::client_error::kConnectFail;
    for (;;) {
        const tws::FrameReader::Next frame = session_.input.next();
        if (frame.status == tws::FrameReader::Status::Broken) {
            fail_connect(life, kConnectFail, "the answer is not a TWS API handshake");
        }
        if (frame.status == tws::FrameReader::Status::Frame) {
            const tws::HandshakeReply reply = tws::decode_handshake_reply(frame.payload());
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
            session_.server_version = reply.server_version;
            session_.connection_time = std::string(reply.connection_time);
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
        if (session_.ready_seen) return;
        wait_for_socket(life, false, deadline,
                        "TWS did not report ready within " + seconds(options_.connect_timeout) +
                            " (is it asking whether to accept the connection?)");
        std::string error;
        switch (read_some(error)) {
            case ReadOutcome::Data:
            case ReadOutcome::Nothing:
                break;
            case ReadOutcome::Closed:
                if (session_.refused_while_connecting) {
                    // TWS said why before it closed (client id in use, typically); that is the reason.
                    end_connection();
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
    if (life->failure.code != 0) {
        throw AutomationError(object_error(static_cast<std::uint32_t>(life->failure.code)), kErrorSource,
                              life->failure.text);
    }
    throw_error(tws::client_error::kConnectFail, "the connection was ended while connecting");
}

// ---------------------------------------------------------------------------------------------------
// Reading

TwsSocketClient::ReadOutcome TwsSocketClient::read_some(std::string& error) {
    tws::FrameReader& input = session_.input;
    const bool starts_message = input.empty();
    const std::span<char> room = input.prepare(kReadChunk);
    const net::IoResult r = net::recv_some(socket_.get(), room.data(), room.size());
    switch (r.status) {
        case net::IoStatus::Done:
            session_.keep_alive.received(now(), starts_message);
            input.commit(r.bytes);
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
        // Messages that came in the same read as "ready" go first: the end of the stream may follow
        // them, and must not be taken for a message cut short.
        if (session_.input.ready() && !process_frames(life, session)) return;
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
    const std::size_t have = session_.input.buffered();
    if (have == 0) {
        fail(tws::client_error::kSocketException, "TWS closed the connection");
        return;
    }
    const std::uint32_t length = session_.input.announced_length();
    const std::string expected = length > 0 ? std::to_string(length + 4) : std::string("more");
    fail(tws::client_error::kBadLength, "TWS closed the connection in the middle of a message (" +
                                            std::to_string(have) + " of " + expected + " bytes)");
}

bool TwsSocketClient::process_frames(const Life& life, std::uint64_t session) {
    ++dispatch_depth_;
    for (;;) {
        // A connect ends at "ready"; what follows is delivered by the reactor once connect returned.
        if (state_ == State::Connecting && session_.ready_seen) break;
        // Taken before delivery: a handler may disconnect, reconnect or release this client.
        const tws::FrameReader::Next frame = session_.input.next();
        if (frame.status == tws::FrameReader::Status::NeedMore) break;
        if (frame.status == tws::FrameReader::Status::Broken) {
            --dispatch_depth_;
            fail(tws::client_error::kBadLength, "a message announced " + std::to_string(frame.length) +
                                                    " bytes; TWS sends 1 to " +
                                                    std::to_string(tws::kMaxFrameLength));
            return false;
        }
        session_.keep_alive.message_taken();
        ++stats_.messages_received;
        if (!dispatch(tws::decode_message(frame.payload(), session_.server_version), life, session)) {
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
        // Cancelled: TWS may still have had some on the way.
        if (!session_.subscriptions.contains(price->req_id)) return true;
        // A price TWS has no value for is not a tick; neither is an infinite one.
        if (price->has_price && std::isfinite(price->price) &&
            !notify(life, session, [&](TwsControlEvents& e) {
                e.on_tick_price(price->req_id, price->tick_type, price->price, price->attributes);
            })) {
            return false;
        }
        const std::int32_t size_type = tws::size_type_for_price(price->tick_type);
        if (size_type < 0 || !price->has_size || !std::isfinite(price->size)) return true;
        return notify(life, session,
                      [&](TwsControlEvents& e) { e.on_tick_size(price->req_id, size_type, price->size); });
    }
    if (const auto* size = std::get_if<tws::TickSize>(&message)) {
        ++stats_.tick_size_messages;
        if (!session_.subscriptions.contains(size->req_id) || !size->has_size || !std::isfinite(size->size))
            return true;
        return notify(life, session, [&](TwsControlEvents& e) {
            e.on_tick_size(size->req_id, size->tick_type, size->size);
        });
    }
    if (const auto* error = std::get_if<tws::ErrorMessage>(&message)) {
        const std::string text = tws::decode_error_text(error->text, session_.server_version);
        if (state_ == State::Connecting && !tws::is_notice(error->code)) {
            session_.refused_while_connecting = true;
            life_->failure = {error->code, text};
        }
        return notify(life, session, [&](TwsControlEvents& e) { e.on_error(error->id, error->code, text); });
    }
    if (const auto* next_id = std::get_if<tws::NextValidId>(&message)) {
        session_.next_valid_id = next_id->order_id;
        session_.ready_seen = true;
        return true;
    }
    if (const auto* accounts = std::get_if<tws::ManagedAccounts>(&message)) {
        session_.accounts = std::string(accounts->accounts);
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
    if (!tws::encode_req_mkt_data(scratch_, session_.server_version, ticker_id, contract, generic_ticks,
                                  snapshot)) {
        throw_error(tws::client_error::kReqMktDataFail, "the strike is not a number");
    }
    session_.subscriptions.set(ticker_id, true);
    enqueue_scratch();
    // The failure's text is copied out before the connection's error event, which may release this client.
    std::string failure;
    if (!flush(&failure)) throw_error(tws::client_error::kReqMktDataFail, failure);
    arm_timer(now());
}

void TwsSocketClient::cancel_market_data(std::int32_t ticker_id) {
    if (state_ != State::Ready) throw_error(tws::client_error::kNotConnected, {});
    session_.subscriptions.set(ticker_id, false);
    tws::encode_cancel_mkt_data(scratch_, ticker_id);
    enqueue_scratch();
    std::string failure;
    if (!flush(&failure)) throw_error(tws::client_error::kCancelMktDataFail, failure);
    arm_timer(now());
}

void TwsSocketClient::enqueue_scratch() {
    if (session_.pacer.offer(scratch_, now(), session_.output.bytes)) ++stats_.messages_sent;
    scratch_.clear();
}

net::IoResult TwsSocketClient::write_output() {
    Output& out = session_.output;
    while (out.pending()) {
        net::IoResult r =
            net::send_some(socket_.get(), out.bytes.data() + out.sent, out.bytes.size() - out.sent);
        if (r.status != net::IoStatus::Done) return r;
        out.sent += r.bytes;
        session_.keep_alive.sent(now());
    }
    out.bytes.clear();
    out.sent = 0;
    return {net::IoStatus::Done, 0, {}};
}

bool TwsSocketClient::flush(std::string* failure) {
    const net::IoResult r = write_output();
    if (r.status == net::IoStatus::WouldBlock) {
        if (!watching_write_) {
            reactor_->watch(socket_.get(), *this, true);
            watching_write_ = true;
        }
        return true;
    }
    if (r.status != net::IoStatus::Done) {
        const std::string text = "Exception caught while writing socket - " + r.error;
        if (failure) *failure = text;
        fail(tws::client_error::kSocketException.code, text);
        return false;
    }
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
    if (!session_.input.empty() && !process_frames(life, session)) return;
    if (session_.pacer.waiting()) {
        stats_.messages_sent += session_.pacer.release(t, session_.output.bytes);
        if (!flush() || !still(life, session)) return;
    }
    const auto stall = seconds(options_.stall_timeout);
    switch (session_.keep_alive.check(t, !session_.input.empty(), session_.output.pending())) {
        case KeepAlive::Due::OutputStalled:
            fail(tws::client_error::kSocketException.code,
                 "Exception caught while writing socket - TWS has taken no data for " + stall);
            return;
        case KeepAlive::Due::MessageStalled:
            fail(tws::client_error::kSocketException,
                 "TWS stopped in the middle of a message: not complete after " + stall);
            return;
        case KeepAlive::Due::Unanswered:
            fail(tws::client_error::kSocketException, "TWS has not answered for " + stall);
            return;
        case KeepAlive::Due::Ping:
            // No protocol heartbeat exists; asking for the server's time tells a quiet market from a
            // dead peer.
            tws::encode_req_current_time(scratch_);
            enqueue_scratch();
            if (!flush() || !still(life, session)) return;
            break;
        case KeepAlive::Due::Nothing:
            break;
    }
    arm_timer(t);
}

void TwsSocketClient::arm_timer(SteadyTime t) {
    if (state_ != State::Ready) return;
    SteadyTime next = session_.keep_alive.next_check(!session_.input.empty(), session_.output.pending());
    if (session_.input.ready()) next = t;  // whole messages wait (they came with "ready")
    if (session_.pacer.waiting()) next = std::min(next, session_.pacer.next_room());
    reactor_->set_timer(*this, std::max(next, t));
}

// ---------------------------------------------------------------------------------------------------
// Closing

void TwsSocketClient::disconnect() {
    if (state_ == State::Idle) return;
    const Output& out = session_.output;
    if (state_ == State::Ready && out.pending()) {
        // One last try, so cancels already asked for reach TWS; whatever does not fit is dropped.
        (void)net::send_some(socket_.get(), out.bytes.data() + out.sent, out.bytes.size() - out.sent);
    }
    end_connection();
}

void TwsSocketClient::fail(std::int32_t code, const std::string& text) {
    end_connection();
    life_->failure = {code, text};
    const Life life = life_;
    const std::string message = text;  // the handler may release this client, and its copy of the text
    notify(life, life->session, [&](TwsControlEvents& e) { e.on_error(-1, code, message); });
}

void TwsSocketClient::fail(tws::ClientError error, const std::string& detail) {
    fail(error.code, with_detail(error, detail));
}

void TwsSocketClient::end_connection() noexcept {
    close_socket();
    state_ = State::Idle;
    ++life_->session;
}

void TwsSocketClient::close_socket() noexcept {
    if (socket_) {
        reactor_->unwatch(socket_.get());
        reactor_->cancel_timer(*this);
        socket_.reset();
    }
    watching_write_ = false;
}

bool TwsSocketClient::ActiveIds::contains(std::int32_t id) const noexcept {
    if (id >= 0 && id < kDenseIds) {
        return static_cast<std::size_t>(id) < low_.size() && low_[static_cast<std::size_t>(id)];
    }
    return other_.count(id) != 0;
}

void TwsSocketClient::ActiveIds::set(std::int32_t id, bool active) {
    if (id >= 0 && id < kDenseIds) {
        const auto index = static_cast<std::size_t>(id);
        if (index >= low_.size()) {
            if (!active) return;
            low_.resize(index + 1, false);
        }
        low_[index] = active;
        return;
    }
    if (active) {
        other_.insert(id);
    } else {
        other_.erase(id);
    }
}

}  // namespace corvel
