#include "platform/tws_socket/pacer.h"

#include <algorithm>

namespace corvel {

Pacer::Pacer(int limit, std::chrono::milliseconds window)
    : limit_(static_cast<std::size_t>(std::max(limit, 1))), window_(window) {}

bool Pacer::has_room(SteadyTime t) const noexcept {
    // The oldest of the last `limit_` sends decides: once it left the window, one more fits.
    return recent_.size() < limit_ || t - recent_.front() >= window_;
}

void Pacer::sent_at(SteadyTime t) {
    recent_.push_back(t);
    if (recent_.size() > limit_) recent_.pop_front();
}

bool Pacer::offer(std::string_view message, SteadyTime t, std::string& out) {
    if (!waiting_.empty() || !has_room(t)) {
        waiting_.emplace_back(message);
        return false;
    }
    out += message;
    sent_at(t);
    return true;
}

std::size_t Pacer::release(SteadyTime t, std::string& out) {
    std::size_t released = 0;
    while (!waiting_.empty() && has_room(t)) {
        out += waiting_.front();
        waiting_.pop_front();
        sent_at(t);
        ++released;
    }
    return released;
}

SteadyTime Pacer::next_room() const noexcept {
    return recent_.size() < limit_ ? SteadyTime{} : recent_.front() + window_;
}

}  // namespace corvel
