#pragma once

#include <chrono>

#include "seams/io_reactor.h"

namespace corvel {

// Tells a quiet connection from a dead one, and a slow peer from a stuck one. TWS has no heartbeat, so
// after `interval` without a byte the owner asks it for something (the server's time) and expects an
// answer within `stall_timeout`; within the same time a message must be whole from its first byte
// on, and output that waits must move. It only keeps the times; the owner reads and writes, and asks
// `check` what is due.
class KeepAlive {
  public:
    KeepAlive(std::chrono::milliseconds stall_timeout, std::chrono::milliseconds interval) noexcept
        : stall_(stall_timeout), interval_(interval) {}

    // The connection is up at `t`: quiet and unsent output count from here.
    void start(SteadyTime t) noexcept { last_receive_ = last_send_progress_ = t; }
    // Bytes arrived at `t`; `first_of_message` when no part of a message was unread before them.
    void received(SteadyTime t, bool first_of_message) noexcept {
        last_receive_ = t;
        if (first_of_message) message_started_ = t;
    }
    // A whole message was taken. What follows of the input began in the latest read at the earliest.
    void message_taken() noexcept { message_started_ = last_receive_; }
    // Output moved at `t`.
    void sent(SteadyTime t) noexcept { last_send_progress_ = t; }

    enum class Due {
        Nothing,
        Ping,            // ask the peer for an answer now; it is awaited from `t` on
        OutputStalled,   // output waited `stall_timeout` without moving
        MessageStalled,  // a message is not whole `stall_timeout` after its first byte
        Unanswered,      // the ping went unanswered for `stall_timeout`
    };
    // What is due at `t` while part of a message is unread (`partial_input`) and output waits
    // (`pending_output`). Failures come before the ping, output before input.
    Due check(SteadyTime t, bool partial_input, bool pending_output) noexcept;
    // When `check` next has something to do, in the same situation.
    SteadyTime next_check(bool partial_input, bool pending_output) const noexcept;

    std::chrono::milliseconds stall_timeout() const noexcept { return stall_; }
    bool ping_outstanding() const noexcept { return ping_outstanding_; }

  private:
    std::chrono::milliseconds stall_;
    std::chrono::milliseconds interval_;
    SteadyTime last_receive_{};
    SteadyTime message_started_{};  // meaningful while part of a message is unread
    SteadyTime last_send_progress_{};
    SteadyTime ping_sent_{};
    bool ping_outstanding_ = false;
};

}  // namespace corvel
