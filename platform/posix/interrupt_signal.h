#pragma once

#include <csignal>

#include "platform/tws_socket/socket.h"
#include "seams/io_reactor.h"

namespace corvel {

// Turns Ctrl-C (SIGINT) and SIGTERM into a readable socket, so an event loop ends cleanly instead of
// the process dying mid-write. One at a time per process; the previous handlers come back when it
// goes away.
class InterruptSignal {
  public:
    InterruptSignal();
    ~InterruptSignal();
    InterruptSignal(const InterruptSignal&) = delete;
    InterruptSignal& operator=(const InterruptSignal&) = delete;

    // Readable once a signal arrived.
    NativeSocket socket() const noexcept { return read_.get(); }
    // The signal that arrived, or 0.
    int raised() const noexcept;

  private:
    net::Socket read_;
    net::Socket write_;
    struct sigaction old_int_ {};
    struct sigaction old_term_ {};
};

}  // namespace corvel
