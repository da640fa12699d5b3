#pragma once

#include <windows.h>

#include <memory>

#include "ui/forms/host.h"

namespace corvel::pelorin {

// The host that shows the library's dialogs in windows of `module`, for every cPelorin of the
// calling thread.
std::shared_ptr<forms::Host> make_dialog_host(HMODULE module);

// The dialogs `host` (one `make_dialog_host` made) shows next are owned by `owner`: Excel's window, which
// is disabled while a dialog is modal over it.
void own_dialogs(forms::Host& host, HWND owner);

}  // namespace corvel::pelorin
