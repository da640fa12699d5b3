#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "seams/io_reactor.h"
#include "seams/tws_control.h"
#include "platform/tws_socket/client_errors.h"
#include "platform/tws_socket/codec/messages.h"
#include "platform/tws_socket/socket.h"
#include "platform/tws_socket/codec/wire.h"

namespace corvel {

struct TwsSocketOptions {
    // TCP connect, handshake and the first next-valid-id together; `connect` blocks at most this long,
    // however much TWS sends meanwhile.
    std::chrono::milliseconds connect_timeout{5000};
    // While `connect` blocks: a socket that turns readable when it should give up (Ctrl-C, say).
    // The client only looks at it, never reads it.
    NativeSocket connect_cancel = kNoSocket;
    // How long a message may take from its first byte to its last, output stay unsent, or a
    // keep-alive stay unanswered.
    std::chrono::milliseconds stall_timeout{10000};
    // After this long without a byte from TWS the client asks for its time, to tell a quiet market
    // from a dead peer.
    std::chrono::milliseconds keepalive_interval{30000};
    int min_version = tws::kClientMinVersion;
    int max_version = tws::kClientMaxVersion;
    std::string connect_options;
    // TWS drops a client that sends more than 50 messages a second; stay below that in any window.
    int max_messages_per_window = 45;
    std::chrono::milliseconds pacing_window{1000};
};

struct TwsSocketStats {
    std::uint64_t bytes_received = 0;
    std::uint64_t messages_received = 0;
    std::uint64_t tick_price_messages = 0;
    std::uint64_t tick_size_messages = 0;
    std::uint64_t messages_sent = 0;
};

// The TWS control over the TWS socket API: a native client of TWS or IB Gateway.
//
// It has no thread of its own. `connect` blocks for at most `connect_timeout` while it connects,
// shakes hands and waits for TWS to say it is ready; afterwards the socket is non-blocking and the
// owner thread's reactor drives it, so every event arrives on that thread. Outgoing messages are
// paced below TWS's limit.
//
// Failures of the connection (refused, closed, a broken frame, a stalled peer) close the socket and
// end in one error event with id -1; `connect` then also fails. Calls while not connected fail with
// 504. The owner may destroy the client, or call any of its members, from inside any event.
class TwsSocketClient final : public TwsControl, private IoHandler {
  public:
    static constexpr const char* kErrorSource = "Tallowin3.TwsSocketClient";

    explicit TwsSocketClient(std::shared_ptr<IoReactor> reactor, TwsSocketOptions options = {});
    ~TwsSocketClient() override;
    TwsSocketClient(const TwsSocketClient&) = delete;
    TwsSocketClient& operator=(const TwsSocketClient&) = delete;

    void set_events(TwsControlEvents* events) override { events_ = events; }
    void connect(const std::string& host, std::int32_t port, std::int32_t client_id) override;
    void disconnect() override;
    void request_market_data(std::int32_t ticker_id, const ContractRequest& contract,
                             const std::string& generic_ticks, bool snapshot) override;
    void cancel_market_data(std::int32_t ticker_id) override;

    bool connected() const noexcept { return state_ == State::Ready; }
    int server_version() const noexcept { return server_version_; }
    const std::string& connection_time() const noexcept { return connection_time_; }
    const std::string& managed_accounts() const noexcept { return accounts_; }
    std::int64_t next_valid_id() const noexcept { return next_valid_id_; }
    const TwsSocketStats& stats() const noexcept { return stats_; }

  private:
    enum class State { Idle, Connecting, Ready };
    enum class ReadOutcome { Data, Nothing, Closed, Failed };
    // What outlives the client while it calls out: a handler may destroy it, and afterwards nothing of
    // the client may be touched, not even by calling one of its members. Checked after every callback.
    struct Liveness {
        bool alive = true;
        std::uint64_t session = 0;      // moves on at every connect and every close
        std::int32_t failure_code = 0;  // why the last connection ended, for connect to throw
        std::string failure_text;
    };
    using Life = std::shared_ptr<Liveness>;

    void on_ready(bool readable, bool writable) override;
    void on_timer() override;

    // Connect steps; each throws the call's error after reporting it.
    void await_handshake_reply(const Life& life, std::uint64_t session, SteadyTime deadline);
    void await_ready(const Life& life, std::uint64_t session, SteadyTime deadline, std::int32_t client_id);
    void send_blocking(const Life& life, std::uint64_t session, SteadyTime deadline);
    // Waits until the socket can be read (or written). A passed deadline fails the connect with
    // `on_timeout` as the reason, also while data keeps coming; so does a cancel.
    void wait_for_socket(const Life& life, bool for_write, SteadyTime deadline,
                         const std::string& on_timeout);
    [[noreturn]] void fail_connect(const Life& life, tws::ClientError error, const std::string& detail);
    [[noreturn]] static void throw_connect_ended(const Life& life);

    ReadOutcome read_some(std::string& error);
    // Decodes and delivers every complete frame; false when delivery must stop (the client was
    // destroyed, disconnected or reconnected by a handler, or the stream broke).
    bool process_frames(const Life& life, std::uint64_t session);
    bool dispatch(const tws::Message& message, const Life& life, std::uint64_t session);
    void handle_read_end(ReadOutcome outcome, const std::string& error);

    // Queues a frame in `scratch_` for sending, within the pacing limit.
    void enqueue_scratch();
    void release_paced(SteadyTime now);
    // Sends what may go now; false when the socket failed (reported, and its text left in `failure`).
    bool flush(std::string* failure = nullptr);
    void arm_timer(SteadyTime now);

    // Closes the socket and reports why, as one error event. The client may be gone afterwards.
    void fail(std::int32_t code, const std::string& text);
    void fail(tws::ClientError error, const std::string& detail);
    void close_socket() noexcept;
    // Whether the client lives and is still on the same connection.
    static bool still(const Life& life, std::uint64_t session) noexcept {
        return life->alive && life->session == session;
    }

    bool is_active(std::int32_t id) const noexcept;
    void set_active(std::int32_t id, bool active);

    std::shared_ptr<IoReactor> reactor_;
    TwsSocketOptions options_;
    TwsControlEvents* events_ = nullptr;
    Life life_ = std::make_shared<Liveness>();

    net::Socket socket_;
    State state_ = State::Idle;
    int dispatch_depth_ = 0;
    bool watching_write_ = false;

    int server_version_ = 0;
    std::string connection_time_;
    std::string accounts_;
    std::int64_t next_valid_id_ = 0;
    bool ready_seen_ = false;
    bool server_error_while_connecting_ = false;

    std::vector<char> in_;  // unread input is in_[in_start_, in_end_)
    std::size_t in_start_ = 0;
    std::size_t in_end_ = 0;
    // When the first byte of the unread input arrived; meaningful while there is unread input.
    SteadyTime message_started_{};
    std::string out_;  // unsent output is out_[out_start_, end)
    std::size_t out_start_ = 0;
    std::string scratch_;
    std::deque<std::string> paced_;  // frames waiting for the pacing window
    std::deque<SteadyTime> recent_sends_;

    SteadyTime last_receive_{};
    SteadyTime last_send_progress_{};
    SteadyTime ping_sent_{};
    bool ping_outstanding_ = false;

    std::vector<bool> active_low_;  // subscriptions with small ids, the usual case
    std::unordered_set<std::int32_t> active_other_;

    TwsSocketStats stats_;
};

}  // namespace corvel
