#pragma once

#include <memory>

#include "seams/clock.h"
#include "seams/event_log.h"
#include "seams/locale_format.h"
#include "seams/os_version.h"
#include "seams/registry.h"
#include "seams/shell_services.h"
#include "seams/text_files.h"
#include "ui/forms/host.h"

namespace corvel {

// Everything outside the user-interface library's logic that its objects use. The binding that
// creates the library's objects (the COM server, a tool, a test) fills it once.
struct UiEnvironment {
    // Shows the dialogs and message boxes; its screen places their windows.
    std::shared_ptr<forms::Host> host;
    // Local time and its forms for the user's locale (trace lines and error reports).
    std::shared_ptr<Clock> clock;
    std::shared_ptr<LocaleFormat> locale;
    // The error and trace logs.
    std::shared_ptr<TextFiles> files;
    std::shared_ptr<EventLog> event_log;
    std::shared_ptr<OsVersion> os_version;
    // Mail messages, documents and programs handed to the shell.
    std::shared_ptr<ShellServices> shell;
    // Settings (current user) and file types (local machine).
    std::shared_ptr<Registry> registry;
};

}  // namespace corvel
