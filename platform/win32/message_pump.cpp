#include "platform/win32/message_pump.h"

#include <windows.h>

namespace corvel::win32 {

void MessagePump::ProcessPending() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The host is closing: leave the quit request for its own loop.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

}  // namespace corvel::win32
