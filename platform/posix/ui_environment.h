#pragma once

#include <memory>

#include "common/registry.h"
#include "common/ui_environment.h"

namespace corvel {

// The user-interface library's environment on this platform: system clock, the user's locale forms,
// log files on disk, the system log, the desktop's opener. The host and the registry are the caller's.
UiEnvironment posix_ui_environment(std::shared_ptr<forms::Host> host, std::shared_ptr<Registry> registry);

}  // namespace corvel
