#pragma once

#include <poll.h>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

#include "seams/event_pump.h"
#include "seams/io_reactor.h"

namespace corvel {

// The owner thread's event loop on POSIX: poll() over the watched sockets (or any descriptors) and
// one timer per handler. The caller runs it (`run_once`, `run_until`); the engine reaches it through
// `ProcessPending` while it notifies its caller.
//
// Handlers may watch, unwatch, set timers and destroy themselves or others from inside any callback,
// also re-entrantly through `ProcessPending`: the loop looks each one up again before calling it.
class PollLoop final : public EventPump, public IoReactor {
  public:
    // `pending_interval` lets `ProcessPending` skip the system call when it was asked again within that
    // time: the engine asks after every notification, and at full speed a poll() per tick would cost
    // more than the tick. Zero makes every call look.
    explicit PollLoop(std::chrono::microseconds pending_interval = std::chrono::microseconds{0});

    void watch(NativeSocket socket, IoHandler& handler, bool want_write) override;
    void unwatch(NativeSocket socket) noexcept override;
    void set_timer(IoHandler& handler, SteadyTime when) override;
    void cancel_timer(IoHandler& handler) noexcept override;

    void ProcessPending() override;

    // Waits at most `timeout` for a ready descriptor or a due timer, then handles everything ready.
    void run_once(std::chrono::milliseconds timeout);
    // Runs until `done()` holds or `deadline` passes; returns `done()`.
    bool run_until(const std::function<bool()>& done, SteadyTime deadline);

    std::size_t watch_count() const noexcept;

  private:
    struct Watch {
        NativeSocket socket;
        IoHandler* handler;  // null once unwatched during a dispatch
        bool want_write;
    };
    struct Timer {
        IoHandler* handler;
        SteadyTime when;
    };

    void poll_and_dispatch(int timeout_ms);
    void run_due_timers();
    Watch* find_watch(NativeSocket socket) noexcept;
    void compact() noexcept;

    std::vector<Watch> watches_;
    std::vector<Timer> timers_;
    std::vector<pollfd> fds_;
    int depth_ = 0;
    std::chrono::microseconds pending_interval_;
    // Empty until the first look: the steady clock's epoch is the machine's boot on Linux, so an
    // interval measured from it would skip the first look on a machine that started recently.
    std::optional<SteadyTime> last_pending_;
};

}  // namespace corvel
