#pragma once

#include <chrono>
#include <cstdint>

namespace corvel {

// A socket as the operating system names it: a file descriptor on POSIX, a SOCKET on Windows. Kept
// as an integer wide enough for both, so code that passes sockets around needs no OS header.
using NativeSocket = std::intptr_t;
inline constexpr NativeSocket kNoSocket = -1;

using SteadyTime = std::chrono::steady_clock::time_point;

// What a reactor calls back, always on the thread that owns it.
class IoHandler {
  public:
    // The socket can be read (data, end of stream or an error, which the read then tells) and/or
    // written.
    virtual void on_ready(bool readable, bool writable) = 0;
    // The handler's timer is due.
    virtual void on_timer() = 0;

  protected:
    ~IoHandler() = default;
};

// The owner thread's readiness delivery for non-blocking sockets: a poll() loop on POSIX, window
// messages on Windows. A handler may change or end its registration, and may be destroyed, from
// inside its own callback; the reactor must not touch it afterwards.
class IoReactor {
  public:
    virtual ~IoReactor() = default;

    // Starts or changes the watch on a socket: reading always, writing when asked.
    virtual void watch(NativeSocket socket, IoHandler& handler, bool want_write) = 0;
    virtual void unwatch(NativeSocket socket) noexcept = 0;
    // One timer per handler; setting it again moves it.
    virtual void set_timer(IoHandler& handler, SteadyTime when) = 0;
    virtual void cancel_timer(IoHandler& handler) noexcept = 0;
};

}  // namespace corvel
