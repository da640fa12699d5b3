#include "libraries/ui_environment/windows_environment.h"

#include <utility>

#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell_services.h"
#include "platform/win32/win32_system_services.h"
#include "platform/win32/win32_text_files.h"
#include "ui/services/pelorin.h"

namespace corvel::pelorin {

UiEnvironment windows_environment(std::shared_ptr<forms::Host> host) {
    UiEnvironment environment;
    environment.host = std::move(host);
    environment.clock = std::make_shared<win32::Win32Clock>();
    environment.locale = std::make_shared<win32::Win32LocaleFormat>();
    environment.files = std::make_shared<win32::Win32TextFiles>();
    environment.event_log = std::make_shared<win32::Win32EventLog>(kLibraryName);
    environment.os_version = std::make_shared<win32::Win32OsVersion>();
    environment.shell = std::make_shared<win32::Win32ShellServices>();
    environment.registry = std::make_shared<win32::Win32Registry>();
    return environment;
}

}  // namespace corvel::pelorin
