#pragma once

#include <windows.h>

#include <oaidl.h>

namespace corvel::pelorin {

// The window the library's dialogs belong to: Excel's main window (its application's `Hwnd`), or,
// when there is no application or it cannot tell, the active window of the calling thread (null if the
// thread has none, and the dialogs then belong to the desktop).
HWND owner_window(IDispatch* excel) noexcept;

}  // namespace corvel::pelorin
