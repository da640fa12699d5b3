#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/tws_socket/client_errors.h"
#include "platform/tws_socket/codec/frame_reader.h"
#include "platform/tws_socket/codec/messages.h"
#include "platform/tws_socket/codec/wire.h"
#include "platform/tws_socket/keep_alive.h"
#include "platform/tws_socket/pacer.h"
#include "platform/tws_socket/socket.h"
#include "seams/io_reactor.h"
#include "seams/tws_control.h"

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
// The client connects, routes messages to events and keeps the subscriptions; its parts do the rest:
// a FrameReader cuts the input into frames, a Pacer holds back output, a KeepAlive keeps the times
// that tell a quiet TWS from a dead one. All of a connection's state is one Session value.
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
    // What TWS told about the last connection (until the next connect begins).
    int server_version() const noexcept { return session_.server_version; }
    const std::string& connection_time() const noexcept { return session_.connection_time; }
    const std::string& managed_accounts() const noexcept { return session_.accounts; }
    std::int64_t next_valid_id() const noexcept { return session_.next_valid_id; }
    const TwsSocketStats& stats() const noexcept { return stats_; }

  private:
    enum class State { Idle, Connecting, Ready };
    enum class ReadOutcome { Data, Nothing, Closed, Failed };
    // What outlives the client while it calls out: a handler may destroy it, and afterwards nothing of
    // the client may be touched, not even by calling one of its members. Checked after every callback.
    struct Liveness {
        bool alive = true;
        std::uint64_t session = 0;  // moves on at every connect and every close
        // Why the last connection ended, for connect to throw.
        struct Failure {
            std::int32_t code = 0;
            std::string text;
        } failure;
    };
    using Life = std::shared_ptr<Liveness>;

    // Subscriptions TWS may send ticks for.
    class ActiveIds {
      public:
        bool contains(std::int32_t id) const noexcept;
        void set(std::int32_t id, bool active);

      private:
        std::vector<bool> low_;  // small ids, the usual case
        std::unordered_set<std::int32_t> other_;
    };

    // Output for the socket; what it has not taken yet is bytes[sent, end).
    struct Output {
        std::string bytes;
        std::size_t sent = 0;
        bool pending() const noexcept { return sent < bytes.size(); }
    };

    // Everything one connection holds. A connect starts from a fresh one, so nothing of the last
    // connection leaks into the next; after the connection ends it stays for the accessors until then.
    struct Session {
        explicit Session(const TwsSocketOptions& options)
            : pacer(options.max_messages_per_window, options.pacing_window),
              keep_alive(options.stall_timeout, options.keepalive_interval) {}

        int server_version = 0;
        std::string connection_time;
        std::string accounts;
        std::int64_t next_valid_id = 0;
        bool ready_seen = false;
        bool refused_while_connecting = false;  // TWS sent an error, not a notice, before "ready"
        tws::FrameReader input;
        Output output;
        Pacer pacer;
        KeepAlive keep_alive;
        ActiveIds subscriptions;
    };

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
    // Hands one event to the owner's handler (whose exceptions are its own) and says whether the
    // client may go on: false once the handler destroyed it or ended or replaced the connection.
    template <class Call>
    bool notify(const Life& life, std::uint64_t session, Call&& call);

    // Queues a frame in `scratch_` for sending, within the pacing limit.
    void enqueue_scratch();
    // Gives the socket what it takes of the output without waiting.
    net::IoResult write_output();
    // Sends what may go now; false when the socket failed (reported, and its text left in `failure`).
    bool flush(std::string* failure = nullptr);
    void arm_timer(SteadyTime now);

    // Closes the socket and reports why, as one error event. The client may be gone afterwards.
    void fail(std::int32_t code, const std::string& text);
    void fail(tws::ClientError error, const std::string& detail);
    // Closes the socket and moves on to the next session; the session's values stay readable.
    void end_connection() noexcept;
    void close_socket() noexcept;
    // Whether the client lives and is still on the same connection.
    static bool still(const Life& life, std::uint64_t session) noexcept {
        return life->alive && life->session == session;
    }

    std::shared_ptr<IoReactor> reactor_;
    TwsSocketOptions options_;
    TwsControlEvents* events_ = nullptr;
    Life life_ = std::make_shared<Liveness>();

    net::Socket socket_;
    State state_ = State::Idle;
    int dispatch_depth_ = 0;
    bool watching_write_ = false;
    Session session_{options_};
    std::string scratch_;  // the frame being encoded
    TwsSocketStats stats_;
};

}  // namespace corvel
