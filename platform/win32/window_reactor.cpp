// Winsock's header must come before the rest of Windows'.
#include <winsock2.h>

#include "platform/win32/window_reactor.h"

#include <algorithm>
#include <stdexcept>

namespace corvel::win32 {

namespace {

constexpr UINT kSocketMessage = WM_APP + 1;
constexpr wchar_t kClassName[] = L"CorvelTwsSocketWindow";

// The module this code is linked into. In a DLL the window class must be the DLL's own: a class
// registered under the host's instance outlives the DLL, and the DLL loaded again cannot register it.
HINSTANCE own_instance() noexcept {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&own_instance), &module);
    return module;
}

// Windows of every thread share the class; the count says how many reactors hold it.
SRWLOCK g_class_lock = SRWLOCK_INIT;
int g_class_users = 0;

class ClassLock {
  public:
    ClassLock() noexcept { ::AcquireSRWLockExclusive(&g_class_lock); }
    ~ClassLock() { ::ReleaseSRWLockExclusive(&g_class_lock); }
    ClassLock(const ClassLock&) = delete;
    ClassLock& operator=(const ClassLock&) = delete;
};

UINT milliseconds_until(SteadyTime when) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(when - std::chrono::steady_clock::now());
    // A due timer still goes through the message queue, so a callback never runs inside set_timer.
    return static_cast<UINT>(std::clamp<std::int64_t>(left.count(), USER_TIMER_MINIMUM, 0x7FFFFFFF));
}

}  // namespace

std::shared_ptr<WindowReactor> WindowReactor::create() {
    return std::shared_ptr<WindowReactor>(new WindowReactor());
}

// The class is registered with the first window and unregistered with the last: none is left when
// the DLL can be unloaded (no object, so no reactor, is alive then), and no DllMain has to call the
// window manager under the loader lock.
WindowReactor::ClassUse::ClassUse() {
    const ClassLock lock;
    if (g_class_users == 0) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcW;  // replaced per window once the reactor is attached
        wc.hInstance = own_instance();
        wc.lpszClassName = kClassName;
        // A class of ours is left when unregistering it failed (the last window went inside its own
        // message): its procedure is the system's, so it serves as well as a new one.
        WNDCLASSEXW existing{};
        existing.cbSize = sizeof existing;
        if (!::RegisterClassExW(&wc)) {
            const bool ours_left = ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS &&
                                   ::GetClassInfoExW(wc.hInstance, kClassName, &existing);
            if (!ours_left) throw std::runtime_error("cannot register the socket window class");
        }
    }
    ++g_class_users;
}

WindowReactor::ClassUse::~ClassUse() {
    const ClassLock lock;
    if (--g_class_users == 0) ::UnregisterClassW(kClassName, own_instance());
}

WindowReactor::WindowReactor() {
    window_.reset(
        ::CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, own_instance(), nullptr));
    if (!window_) throw std::runtime_error("cannot create the socket window");
    ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrW(window_.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowReactor::window_proc));
}

WindowReactor::~WindowReactor() {
    for (const auto& [socket, watch] : watches_) {
        ::WSAAsyncSelect(static_cast<SOCKET>(socket), window_.get(), 0, 0);
    }
    // The window may be destroyed from inside its own message: it must not find this object again.
    ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
}

void WindowReactor::watch(NativeSocket socket, IoHandler& handler, bool want_write) {
    const auto it = watches_.find(socket);
    const bool newly_writing = want_write && (it == watches_.end() || !it->second.want_write);
    watches_[socket] = Watch{&handler, want_write};
    const long events = FD_READ | FD_CLOSE | (want_write ? FD_WRITE : 0);
    if (::WSAAsyncSelect(static_cast<SOCKET>(socket), window_.get(), kSocketMessage, events) != 0) {
        throw std::runtime_error("cannot watch the socket");
    }
    // Writability is announced only after a send had to wait; a socket that can take data now would
    // otherwise never be reported, so ask once.
    if (newly_writing) {
        ::PostMessageW(window_.get(), kSocketMessage, static_cast<WPARAM>(socket),
                       WSAMAKESELECTREPLY(FD_WRITE, 0));
    }
}

void WindowReactor::unwatch(NativeSocket socket) noexcept {
    if (watches_.erase(socket)) ::WSAAsyncSelect(static_cast<SOCKET>(socket), window_.get(), 0, 0);
}

void WindowReactor::set_timer(IoHandler& handler, SteadyTime when) {
    auto it = timer_ids_.find(&handler);
    if (it == timer_ids_.end()) {
        it = timer_ids_.emplace(&handler, next_timer_id_++).first;
        timers_[it->second] = &handler;
    }
    if (!::SetTimer(window_.get(), it->second, milliseconds_until(when), nullptr)) {
        throw std::runtime_error("cannot set a timer");
    }
}

void WindowReactor::cancel_timer(IoHandler& handler) noexcept {
    const auto it = timer_ids_.find(&handler);
    if (it == timer_ids_.end()) return;
    ::KillTimer(window_.get(), it->second);
    timers_.erase(it->second);
    timer_ids_.erase(it);
}

LRESULT CALLBACK WindowReactor::window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<WindowReactor*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && (message == kSocketMessage || message == WM_TIMER)) {
        // A handler may release the last owner of this reactor; it stays until the message is done.
        const std::shared_ptr<WindowReactor> keep = self->shared_from_this();
        if (message == kSocketMessage) {
            self->on_socket(static_cast<NativeSocket>(wparam), WSAGETSELECTEVENT(lparam),
                            WSAGETSELECTERROR(lparam));
        } else {
            self->on_timer(wparam);
        }
        return 0;
    }
    return ::DefWindowProcW(window, message, wparam, lparam);
}

void WindowReactor::on_socket(NativeSocket socket, WORD events, WORD error) {
    const auto it = watches_.find(socket);
    if (it == watches_.end()) return;  // stale: the socket was closed or handed on since
    const bool readable = (events & (FD_READ | FD_CLOSE)) != 0 || error != 0;
    const bool writable = (events & FD_WRITE) != 0 && it->second.want_write;
    if (!readable && !writable) return;
    ++depth_;
    it->second.handler->on_ready(readable, writable);
    --depth_;
    // Readiness should hold for as long as data waits, as poll() reports it. A handler may leave data
    // for its next turn (so one busy socket cannot starve the message loop), and a new notification
    // is not always posted for data that was already there: post one. Only the outermost delivery
    // does: a handler busy delivering may let nested messages pass without reading.
    if (readable && depth_ == 0 && watches_.count(socket)) {
        u_long waiting = 0;
        if (::ioctlsocket(static_cast<SOCKET>(socket), FIONREAD, &waiting) == 0 && waiting > 0) {
            ::PostMessageW(window_.get(), kSocketMessage, static_cast<WPARAM>(socket),
                           WSAMAKESELECTREPLY(FD_READ, 0));
        }
    }
}

void WindowReactor::on_timer(UINT_PTR id) {
    ::KillTimer(window_.get(), id);
    const auto it = timers_.find(id);
    if (it == timers_.end()) return;
    IoHandler* handler = it->second;
    timer_ids_.erase(handler);
    timers_.erase(it);
    handler->on_timer();
}

}  // namespace corvel::win32
