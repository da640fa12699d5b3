// Winsock sockets: the same promises as the POSIX file beside this one, in Winsock's calls.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <mutex>
#include <string>

#include "platform/tws_socket/socket.h"

namespace corvel::net {

namespace {

SOCKET sock_of(NativeSocket s) noexcept {
    return static_cast<SOCKET>(s);
}
NativeSocket native(SOCKET s) noexcept {
    return s == INVALID_SOCKET ? kNoSocket : static_cast<NativeSocket>(s);
}

// Winsock must be started once per process before any other call.
void ensure_winsock() {
    static std::once_flag once;
    std::call_once(once, [] {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
    });
}

std::string system_error(int error) {
    char* text = nullptr;
    const DWORD n = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(error), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string out = n ? std::string(text, n) : "Winsock error " + std::to_string(error);
    if (text) ::LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.'))
        out.pop_back();
    return out;
}

timeval timeout_until(SteadyTime deadline) noexcept {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    const long ms = static_cast<long>(std::clamp<std::int64_t>(left.count() + 1, 0, 60'000));
    return timeval{ms / 1000, (ms % 1000) * 1000};
}

bool set_non_blocking(SOCKET s) noexcept {
    u_long on = 1;
    return ::ioctlsocket(s, FIONBIO, &on) == 0;
}

void set_no_delay(SOCKET s) noexcept {
    // Requests are small and each one matters at once.
    BOOL on = TRUE;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
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
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = passive ? AI_PASSIVE : 0;
    const std::string name(host);
    const std::string service = std::to_string(port);
    const int rc = ::getaddrinfo(name.c_str(), service.c_str(), &hints, &list.head);
    if (rc != 0) {
        error = system_error(rc);
        return -1;
    }
    return 0;
}

// A non-blocking socket for one resolved address, or an empty one with `error` saying why.
Socket open_socket(const addrinfo& a, std::string& error) {
    Socket s(native(::socket(a.ai_family, a.ai_socktype, a.ai_protocol)));
    if (!s || !set_non_blocking(sock_of(s.get()))) {
        error = system_error(::WSAGetLastError());
        return {};
    }
    return s;
}

}  // namespace

bool SocketPolicy::close(handle_type socket) noexcept {
    // The error a failed call left is what the caller reports; closing on the way out keeps it.
    const int saved = ::WSAGetLastError();
    const bool closed = ::closesocket(sock_of(socket)) == 0;
    ::WSASetLastError(saved);
    return closed;
}

IoResult send_some(NativeSocket socket, const char* data, std::size_t size) {
    const int chunk = static_cast<int>(std::min<std::size_t>(size, 1 << 30));
    const int n = ::send(sock_of(socket), data, chunk, 0);
    if (n >= 0) return {IoStatus::Done, static_cast<std::size_t>(n), {}};
    const int error = ::WSAGetLastError();
    if (error == WSAEWOULDBLOCK) return {IoStatus::WouldBlock, 0, {}};
    return {IoStatus::Failed, 0, system_error(error)};
}

IoResult recv_some(NativeSocket socket, char* data, std::size_t capacity) {
    const int chunk = static_cast<int>(std::min<std::size_t>(capacity, 1 << 30));
    const int n = ::recv(sock_of(socket), data, chunk, 0);
    if (n > 0) return {IoStatus::Done, static_cast<std::size_t>(n), {}};
    if (n == 0) return {IoStatus::Closed, 0, {}};
    const int error = ::WSAGetLastError();
    if (error == WSAEWOULDBLOCK) return {IoStatus::WouldBlock, 0, {}};
    if (error == WSAECONNRESET || error == WSAECONNABORTED) return {IoStatus::Closed, 0, {}};
    return {IoStatus::Failed, 0, system_error(error)};
}

WaitResult wait_ready(NativeSocket socket, bool for_write, SteadyTime deadline, std::string& error,
                      NativeSocket cancel) {
    for (;;) {
        fd_set ready, failed, cancelled;
        FD_ZERO(&ready);
        FD_ZERO(&failed);
        FD_ZERO(&cancelled);
        FD_SET(sock_of(socket), &ready);
        FD_SET(sock_of(socket), &failed);  // a failed connect shows here, not as writable
        fd_set* reads = for_write ? nullptr : &ready;
        if (cancel != kNoSocket) {
            // The cancel socket is read-watched: with a read wait both share the one read set.
            if (!reads) reads = &cancelled;
            FD_SET(sock_of(cancel), reads);
        }
        timeval timeout = timeout_until(deadline);
        const int n = ::select(0, reads, for_write ? &ready : nullptr, &failed, &timeout);
        if (n > 0) {
            if (cancel != kNoSocket && FD_ISSET(sock_of(cancel), reads)) return WaitResult::Cancelled;
            return WaitResult::Ready;
        }
        if (n == 0) {
            if (std::chrono::steady_clock::now() >= deadline) return WaitResult::TimedOut;
            continue;
        }
        error = system_error(::WSAGetLastError());
        return WaitResult::Failed;
    }
}

Socket connect_tcp(std::string_view host, int port, SteadyTime deadline, std::string& error,
                   NativeSocket cancel) {
    ensure_winsock();
    AddressList list;
    if (resolve(host.empty() ? std::string_view("127.0.0.1") : host, port, false, list, error) != 0)
        return {};
    error = "no address";
    for (const addrinfo* a = list.head; a; a = a->ai_next) {
        Socket s = open_socket(*a, error);
        if (!s) continue;
        if (::connect(sock_of(s.get()), a->ai_addr, static_cast<int>(a->ai_addrlen)) != 0) {
            const int code = ::WSAGetLastError();
            if (code != WSAEWOULDBLOCK && code != WSAEINPROGRESS) {
                error = system_error(code);
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
            int len = sizeof so_error;
            if (::getsockopt(sock_of(s.get()), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&so_error),
                             &len) != 0) {
                so_error = ::WSAGetLastError();
            }
            if (so_error != 0) {
                error = system_error(so_error);
                continue;
            }
        }
        set_no_delay(sock_of(s.get()));
        error.clear();
        return s;
    }
    return {};
}

Socket listen_tcp(std::string_view address, int port, std::string& error) {
    ensure_winsock();
    AddressList list;
    if (resolve(address, port, true, list, error) != 0) return {};
    error = "no address";
    for (const addrinfo* a = list.head; a; a = a->ai_next) {
        Socket s = open_socket(*a, error);
        if (!s) continue;
        if (::bind(sock_of(s.get()), a->ai_addr, static_cast<int>(a->ai_addrlen)) != 0 ||
            ::listen(sock_of(s.get()), 64) != 0) {
            error = system_error(::WSAGetLastError());
            continue;
        }
        error.clear();
        return s;
    }
    return {};
}

int local_port(NativeSocket socket) noexcept {
    sockaddr_storage address{};
    int len = sizeof address;
    if (::getsockname(sock_of(socket), reinterpret_cast<sockaddr*>(&address), &len) != 0) return 0;
    if (address.ss_family == AF_INET) return ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    if (address.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port);
    return 0;
}

Socket accept_connection(NativeSocket listener, std::string& error) {
    const SOCKET s = ::accept(sock_of(listener), nullptr, nullptr);
    if (s == INVALID_SOCKET) {
        const int code = ::WSAGetLastError();
        if (code != WSAEWOULDBLOCK && code != WSAECONNRESET) error = system_error(code);
        return {};
    }
    set_non_blocking(s);
    set_no_delay(s);
    return Socket(native(s));
}

bool socket_pair(Socket& first, Socket& second, std::string& error) {
    // Winsock has no socket pair: two ends of a loopback connection serve the same purpose.
    Socket listener = listen_tcp("127.0.0.1", 0, error);
    if (!listener) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    Socket a = connect_tcp("127.0.0.1", local_port(listener.get()), deadline, error);
    if (!a) return false;
    if (wait_ready(listener.get(), false, deadline, error) != WaitResult::Ready) return false;
    Socket b = accept_connection(listener.get(), error);
    if (!b) return false;
    first = std::move(a);
    second = std::move(b);
    return true;
}

}  // namespace corvel::net
