#include "platform/tws_socket/keep_alive.h"

#include <algorithm>

namespace corvel {

KeepAlive::Due KeepAlive::check(SteadyTime t, bool partial_input, bool pending_output) noexcept {
    if (pending_output && t - last_send_progress_ >= stall_) return Due::OutputStalled;
    // Measured from the message's first byte: a peer sending a byte now and then must not hold a
    // message open for ever.
    if (partial_input && t - message_started_ >= stall_) return Due::MessageStalled;
    if (ping_outstanding_) {
        if (last_receive_ >= ping_sent_) {
            ping_outstanding_ = false;  // anything at all counts as the answer
        } else if (t - ping_sent_ >= stall_) {
            return Due::Unanswered;
        }
    }
    if (!ping_outstanding_ && t - last_receive_ >= interval_) {
        ping_sent_ = t;
        ping_outstanding_ = true;
        return Due::Ping;
    }
    return Due::Nothing;
}

SteadyTime KeepAlive::next_check(bool partial_input, bool pending_output) const noexcept {
    SteadyTime next = ping_outstanding_ ? ping_sent_ + stall_ : last_receive_ + interval_;
    if (partial_input) next = std::min(next, message_started_ + stall_);
    if (pending_output) next = std::min(next, last_send_progress_ + stall_);
    return next;
}

}  // namespace corvel
