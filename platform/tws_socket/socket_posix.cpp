// POSIX sockets. The Winsock counterpart differs in the calls (closesocket, WSAGetLastError,
// ioctlsocket, select) but not in what these functions promise.
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/posix/file_descriptor.h"
#include "platform/tws_socket/socket.h"

namespace corvel::net {

namespace {

int fd_of(NativeSocket s) noexcept {
    return static_cast<int>(s);
}

std::string system_error(int error) {
    return std::strerror(error);
}

int milliseconds_until(SteadyTime deadline) noexcept {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return 0;
    return static_cast<int>(std::min<std::int64_t>(left.count() + 1, 60'000));
}

void set_no_delay(int fd) noexcept {
    // Requests are small and each one matters at once.
    int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

struct AddressList {
    addrinfo* head = nullptr;
    ~AddressList() {
        if (head) ::freeaddrinfo(head);
    }
};

int resolve(std::string_view host, int port, bool passive, AddressList& list, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = passive ? AI_PASSIVE : AI_ADDRCONFIG;
    const std::string name(host);
    const std::string service = std::to_string(port);
    const int rc = ::getaddrinfo(name.c_str(), service.c_str(), &hints, &list.head);
    if (rc != 0) {
        error = rc == EAI_SYSTEM ? system_error(errno) : std::string(::gai_strerror(rc));
        return -1;
    }
    return 0;
}

Socket open_socket(const addrinfo& address, std::string& error) {
    Socket s(
        ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address.ai_protocol));
    if (!s) error = system_error(errno);
    return s;
}

}  // namespace

bool SocketPolicy::close(handle_type socket) noexcept {
    return FileDescriptorPolicy::close(fd_of(socket));  // a socket is a file descriptor here
}

IoResult send_some(NativeSocket socket, const char* data, std::size_t size) {
    for (;;) {
        const ssize_t n = ::send(fd_of(socket), data, size, MSG_NOSIGNAL);
        if (n >= 0) return {IoStatus::Done, static_cast<std::size_t>(n), {}};
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return {IoStatus::WouldBlock, 0, {}};
        return {IoStatus::Failed, 0, system_error(errno)};
    }
}

IoResult recv_some(NativeSocket socket, char* data, std::size_t capacity) {
    for (;;) {
        const ssize_t n = ::recv(fd_of(socket), data, capacity, 0);
        if (n > 0) return {IoStatus::Done, static_cast<std::size_t>(n), {}};
        if (n == 0) return {IoStatus::Closed, 0, {}};
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return {IoStatus::WouldBlock, 0, {}};
        return {IoStatus::Failed, 0, system_error(errno)};
    }
}

WaitResult wait_ready(NativeSocket socket, bool for_write, SteadyTime deadline, std::string& error,
                      NativeSocket cancel) {
    for (;;) {
        pollfd p[2] = {{fd_of(socket), static_cast<short>(for_write ? POLLOUT : POLLIN), 0},
                       {fd_of(cancel), POLLIN, 0}};
        // A signal interrupts the poll (EINTR) after its handler made `cancel` readable: the next
        // round sees it.
        const int n = ::poll(p, cancel == kNoSocket ? 1 : 2, milliseconds_until(deadline));
        if (n > 0) {
            if (cancel != kNoSocket && p[1].revents != 0) return WaitResult::Cancelled;
            return WaitResult::Ready;
        }
        if (n == 0) {
            if (std::chrono::steady_clock::now() >= deadline) return WaitResult::TimedOut;
            continue;
        }
        if (errno == EINTR) continue;
        error = system_error(errno);
        return WaitResult::Failed;
    }
}

Socket connect_tcp(std::string_view host, int port, SteadyTime deadline, std::string& error,
                   NativeSocket cancel) {
    AddressList list;
    if (resolve(host.empty() ? std::string_view("127.0.0.1") : host, port, false, list, error) != 0)
        return {};
    error = "no address";
    for (const addrinfo* a = list.head; a; a = a->ai_next) {
        Socket s = open_socket(*a, error);
        if (!s) continue;
        if (::connect(fd_of(s.get()), a->ai_addr, a->ai_addrlen) != 0) {
            if (errno != EINPROGRESS && errno != EINTR) {
                error = system_error(errno);
                continue;
            }
            const WaitResult w = wait_ready(s.get(), true, deadline, error, cancel);
            if (w == WaitResult::TimedOut) {
                error = "no answer in time";
                return {};
            }
            if (w == WaitResult::Cancelled) {
                error = "interrupted";
                return {};
            }
            if (w == WaitResult::Failed) continue;
            int so_error = 0;
            socklen_t len = sizeof so_error;
            if (::getsockopt(fd_of(s.get()), SOL_SOCKET, SO_ERROR, &so_error, &len) != 0) so_error = errno;
            if (so_error != 0) {
                error = system_error(so_error);
                continue;
            }
        }
        set_no_delay(fd_of(s.get()));
        error.clear();
        return s;
    }
    return {};
}

Socket listen_tcp(std::string_view address, int port, std::string& error) {
    AddressList list;
    if (resolve(address, port, true, list, error) != 0) return {};
    error = "no address";
    for (const addrinfo* a = list.head; a; a = a->ai_next) {
        Socket s = open_socket(*a, error);
        if (!s) continue;
        int on = 1;
        ::setsockopt(fd_of(s.get()), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (::bind(fd_of(s.get()), a->ai_addr, a->ai_addrlen) != 0 || ::listen(fd_of(s.get()), 64) != 0) {
            error = system_error(errno);
            continue;
        }
        error.clear();
        return s;
    }
    return {};
}

int local_port(NativeSocket socket) noexcept {
    sockaddr_storage address{};
    socklen_t len = sizeof address;
    if (::getsockname(fd_of(socket), reinterpret_cast<sockaddr*>(&address), &len) != 0) return 0;
    if (address.ss_family == AF_INET) return ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    if (address.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port);
    return 0;
}

Socket accept_connection(NativeSocket listener, std::string& error) {
    for (;;) {
        const int fd = ::accept4(fd_of(listener), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            set_no_delay(fd);
            return Socket(fd);
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != ECONNABORTED) error = system_error(errno);
        return {};
    }
}

bool socket_pair(Socket& first, Socket& second, std::string& error) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds) != 0) {
        error = system_error(errno);
        return false;
    }
    first = Socket(fds[0]);
    second = Socket(fds[1]);
    return true;
}

}  // namespace corvel::net
