#include "platform/posix/ui_environment.h"

#include "platform/posix/shell_services.h"
#include "platform/posix/system_clock.h"
#include "platform/posix/system_services.h"
#include "platform/posix/text_files.h"

namespace corvel {

UiEnvironment posix_ui_environment(std::shared_ptr<forms::Host> host, std::shared_ptr<Registry> registry) {
    UiEnvironment environment;
    environment.host = std::move(host);
    environment.clock = std::make_shared<SystemClock>();
    environment.locale = std::make_shared<PosixLocaleFormat>();
    environment.files = std::make_shared<PosixTextFiles>();
    environment.event_log = std::make_shared<SyslogEventLog>();
    environment.os_version = std::make_shared<PosixOsVersion>();
    environment.shell = std::make_shared<PosixShellServices>();
    environment.registry = std::move(registry);
    return environment;
}

}  // namespace corvel
