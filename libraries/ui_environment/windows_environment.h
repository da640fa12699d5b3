#pragma once

#include <memory>

#include "ui/forms/host.h"
#include "ui/services/ui_environment.h"

namespace corvel::pelorin {

// The user-interface library's environment on Windows: the system clock, the user's locale forms, log
// files, the application event log under the library's name, the OS version, the shell and the
// registry. `host` shows the dialogs (the Win32 host, or a scripted one in a test); it is the caller's
// because it needs the owner window and module the caller alone knows.
UiEnvironment windows_environment(std::shared_ptr<forms::Host> host);

}  // namespace corvel::pelorin
