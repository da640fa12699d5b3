#include "platform/win32/message_pump.h"

#include <windows.h>

namespace corvel::win32 {

namespace {
std::int64_t counter() {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}
}  // namespace

MessagePump::MessagePump() {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    ticks_per_interval_ = frequency.QuadPart / 1000;
}

void MessagePump::ProcessPending() {
    const std::int64_t now = counter();
    if (now < next_) return;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The host is closing: leave the quit request for its own loop.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    next_ = counter() + ticks_per_interval_;
}

}  // namespace corvel::win32
