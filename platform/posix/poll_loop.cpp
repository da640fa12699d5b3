#include "platform/posix/poll_loop.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace corvel {

PollLoop::PollLoop(std::chrono::microseconds pending_interval) : pending_interval_(pending_interval) {}

PollLoop::Watch* PollLoop::find_watch(NativeSocket socket) noexcept {
    for (auto& w : watches_) {
        if (w.socket == socket && w.handler) return &w;
    }
    return nullptr;
}

void PollLoop::watch(NativeSocket socket, IoHandler& handler, bool want_write) {
    if (Watch* w = find_watch(socket)) {
        w->handler = &handler;
        w->want_write = want_write;
        return;
    }
    watches_.push_back({socket, &handler, want_write});
}

void PollLoop::unwatch(NativeSocket socket) noexcept {
    for (auto& w : watches_) {
        if (w.socket == socket) w.handler = nullptr;
    }
    if (depth_ == 0) compact();
}

void PollLoop::set_timer(IoHandler& handler, SteadyTime when) {
    for (auto& t : timers_) {
        if (t.handler == &handler) {
            t.when = when;
            return;
        }
    }
    timers_.push_back({&handler, when});
}

void PollLoop::cancel_timer(IoHandler& handler) noexcept {
    timers_.erase(
        std::remove_if(timers_.begin(), timers_.end(), [&](const Timer& t) { return t.handler == &handler; }),
        timers_.end());
}

std::size_t PollLoop::watch_count() const noexcept {
    return static_cast<std::size_t>(
        std::count_if(watches_.begin(), watches_.end(), [](const Watch& w) { return w.handler != nullptr; }));
}

void PollLoop::compact() noexcept {
    watches_.erase(
        std::remove_if(watches_.begin(), watches_.end(), [](const Watch& w) { return !w.handler; }),
        watches_.end());
}

void PollLoop::ProcessPending() {
    if (pending_interval_.count() > 0) {
        const SteadyTime now = std::chrono::steady_clock::now();
        if (last_pending_ && now - *last_pending_ < pending_interval_) return;
        last_pending_ = now;
    }
    poll_and_dispatch(0);
}

void PollLoop::run_once(std::chrono::milliseconds timeout) {
    auto wait = timeout;
    if (!timers_.empty()) {
        SteadyTime first = timers_.front().when;
        for (const auto& t : timers_)
            first = std::min(first, t.when);
        const auto until =
            std::chrono::ceil<std::chrono::milliseconds>(first - std::chrono::steady_clock::now());
        wait = std::clamp(until, std::chrono::milliseconds{0}, wait);
    }
    poll_and_dispatch(static_cast<int>(std::max<std::int64_t>(wait.count(), 0)));
}

bool PollLoop::run_until(const std::function<bool()>& done, SteadyTime deadline) {
    while (!done()) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return done();
        run_once(std::min(left, std::chrono::milliseconds{100}));
    }
    return true;
}

void PollLoop::poll_and_dispatch(int timeout_ms) {
    // Each level of re-entry polls with its own list: an outer level's list stays as it was.
    std::vector<pollfd> fds;
    fds.swap(fds_);
    fds.clear();
    for (const auto& w : watches_) {
        if (!w.handler) continue;
        fds.push_back(
            {static_cast<int>(w.socket), static_cast<short>(POLLIN | (w.want_write ? POLLOUT : 0)), 0});
    }
    int ready = ::poll(fds.data(), static_cast<nfds_t>(fds.size()), timeout_ms);
    if (ready < 0 && errno != EINTR) {
        const int error = errno;
        fds_.swap(fds);
        throw std::system_error(error, std::generic_category(), "poll");
    }
    ++depth_;
    for (const pollfd& p : fds) {
        if (ready <= 0) break;
        if (p.revents == 0) continue;
        --ready;
        Watch* w = find_watch(p.fd);
        if (!w) continue;  // unwatched by an earlier handler of this round
        const bool readable = (p.revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0;
        const bool writable = (p.revents & POLLOUT) != 0;
        w->handler->on_ready(readable, writable);
    }
    run_due_timers();
    --depth_;
    if (depth_ == 0) compact();
    if (fds_.capacity() < fds.capacity()) fds_.swap(fds);
}

void PollLoop::run_due_timers() {
    if (timers_.empty()) return;
    const SteadyTime now = std::chrono::steady_clock::now();
    std::vector<IoHandler*> due;
    for (const auto& t : timers_) {
        if (t.when <= now) due.push_back(t.handler);
    }
    // Each due handler runs once per round, even if it sets its timer again for a time already past.
    for (IoHandler* handler : due) {
        const auto it = std::find_if(timers_.begin(), timers_.end(),
                                     [&](const Timer& t) { return t.handler == handler && t.when <= now; });
        if (it == timers_.end()) continue;  // cancelled or moved by an earlier handler
        timers_.erase(it);
        handler->on_timer();
    }
}

}  // namespace corvel
