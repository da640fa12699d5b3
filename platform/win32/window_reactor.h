#pragma once

#include <windows.h>

#include <memory>
#include <unordered_map>

#include "platform/win32/handles.h"
#include "seams/io_reactor.h"

namespace corvel::win32 {

// Socket readiness and timers as window messages: a hidden message-only window of the creating thread
// receives WSAAsyncSelect notifications and WM_TIMER, so every callback runs inside that thread's
// message loop (the host application's, or the pump of tick intake), never on a thread of its own.
class WindowReactor final : public IoReactor, public std::enable_shared_from_this<WindowReactor> {
  public:
    static std::shared_ptr<WindowReactor> create();
    ~WindowReactor() override;
    WindowReactor(const WindowReactor&) = delete;
    WindowReactor& operator=(const WindowReactor&) = delete;

    void watch(NativeSocket socket, IoHandler& handler, bool want_write) override;
    void unwatch(NativeSocket socket) noexcept override;
    void set_timer(IoHandler& handler, SteadyTime when) override;
    void cancel_timer(IoHandler& handler) noexcept override;

    HWND window() const noexcept { return window_.get(); }

  private:
    WindowReactor();
    static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    void on_socket(NativeSocket socket, WORD events, WORD error);
    void on_timer(UINT_PTR id);

    struct Watch {
        IoHandler* handler;
        bool want_write;
    };
    // The window class, held for as long as this reactor's window exists (so declared before it).
    class ClassUse {
      public:
        ClassUse();
        ~ClassUse();
        ClassUse(const ClassUse&) = delete;
        ClassUse& operator=(const ClassUse&) = delete;
    };
    ClassUse class_use_;
    unique_hwnd window_;
    std::unordered_map<NativeSocket, Watch> watches_;
    std::unordered_map<UINT_PTR, IoHandler*> timers_;  // one timer per handler, by its own id
    std::unordered_map<IoHandler*, UINT_PTR> timer_ids_;
    UINT_PTR next_timer_id_ = 1;
    int depth_ = 0;  // socket deliveries in progress (a handler's message processing nests them)
};

}  // namespace corvel::win32
