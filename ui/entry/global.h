#pragma once

#include <memory>

#include "common/app_settings.h"
#include "ui/services/error_handler.h"
#include "ui/services/ui_environment.h"

// The user-interface library's shared services, one set per thread: the error handler every dialog
// reports to and the settings store every dialog keeps its values in. Each `cPelorin` holds both, so
// they live while any `cPelorin` of the thread does and a second object shares the first one's
// instead of replacing them under it.
namespace corvel::pelorin::mGlobal {

// The thread's error handler for the environment's host, or a new one set up as the library uses it:
// the error dialog only, "Error Log.txt", call stack on, tracing off (flags 2, "Tracing Log.txt").
std::shared_ptr<CErrorHandler> acquire_error_handler(const UiEnvironment& environment);
// The thread's settings store for the environment's registry, or a new one for "HALVARD", "Corvel".
std::shared_ptr<CAppSettings> acquire_settings(const UiEnvironment& environment);

// The thread's shared services, or null while no `cPelorin` holds them.
std::shared_ptr<CErrorHandler> gErrorHandler();
std::shared_ptr<CAppSettings> gSettings();

}  // namespace corvel::pelorin::mGlobal
