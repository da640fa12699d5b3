#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/unique_handle.h"
#include "seams/io_reactor.h"

// The few socket operations the TWS client and the simulator need, behind one small interface so
// that each platform's socket API lives in one file (socket_posix.cpp here; Winsock beside it).
// Every socket made here is non-blocking.
namespace corvel::net {

struct SocketPolicy {
    using handle_type = NativeSocket;
    static constexpr handle_type invalid() noexcept { return kNoSocket; }
    // Each platform's file closes its sockets, keeping the thread's socket error as it was.
    static bool close(handle_type socket) noexcept;
};

// Owns one socket and closes it.
using Socket = UniqueHandle<SocketPolicy>;

enum class IoStatus {
    Done,        // `bytes` were moved (at least one)
    WouldBlock,  // nothing can move now
    Closed,      // the peer ended the stream (reads only)
    Failed,      // `error` tells why
};

struct IoResult {
    IoStatus status = IoStatus::Failed;
    std::size_t bytes = 0;
    std::string error;
};

IoResult send_some(NativeSocket socket, const char* data, std::size_t size);
IoResult recv_some(NativeSocket socket, char* data, std::size_t capacity);

enum class WaitResult { Ready, TimedOut, Cancelled, Failed };
// Blocks until the socket can be read (or written), or `deadline` passes, or `cancel` (when there is
// one) turns readable: the way a signal or another thread makes a blocking wait give up. `cancel` is
// only looked at, never read, so it stays readable for whoever watches it next.
WaitResult wait_ready(NativeSocket socket, bool for_write, SteadyTime deadline, std::string& error,
                      NativeSocket cancel = kNoSocket);

// Resolves `host` (a name or a numeric address) and connects over TCP, trying each address until
// one answers, `deadline` passes or `cancel` turns readable (as in `wait_ready`). On failure the
// socket is empty and `error` says why.
Socket connect_tcp(std::string_view host, int port, SteadyTime deadline, std::string& error,
                   NativeSocket cancel = kNoSocket);

// A listening socket on `address` ("127.0.0.1", "0.0.0.0", "::1", a name); port 0 picks a free one.
Socket listen_tcp(std::string_view address, int port, std::string& error);
// The port a socket is bound to, or 0.
int local_port(NativeSocket socket) noexcept;
// A waiting connection, or an empty socket when none is waiting.
Socket accept_connection(NativeSocket listener, std::string& error);
// Two connected sockets, for waking an event loop from another thread or a signal handler.
bool socket_pair(Socket& first, Socket& second, std::string& error);

}  // namespace corvel::net
