#include "ui/entry/global.h"

#include "common/apartment_slot.h"
#include "ui/services/pelorin.h"

namespace corvel::pelorin::mGlobal {

namespace {
// Each service is made for an outside object (the host, the registry): a second environment, a test's
// or another host's, gets services of its own rather than ones bound to a stranger's host.
ApartmentSlot<CErrorHandler> g_error_handler;
ApartmentSlot<CAppSettings> g_settings;
}  // namespace

std::shared_ptr<CErrorHandler> acquire_error_handler(const UiEnvironment& environment) {
    return g_error_handler.acquire(environment.host.get(), [&] {
        auto handler = std::make_shared<CErrorHandler>(environment);
        handler->Init(CErrorHandler::kActionErrorDialog, "Error Log.txt", true, false,
                      CErrorHandler::kTraceLogFile, "Tracing Log.txt");
        return handler;
    });
}

std::shared_ptr<CAppSettings> acquire_settings(const UiEnvironment& environment) {
    return g_settings.acquire(environment.registry.get(), [&] {
        auto settings = std::make_shared<CAppSettings>(environment.registry, kLibraryName);
        settings->Init("HALVARD", "Corvel");
        return settings;
    });
}

std::shared_ptr<CErrorHandler> gErrorHandler() {
    return g_error_handler.get();
}
std::shared_ptr<CAppSettings> gSettings() {
    return g_settings.get();
}

}  // namespace corvel::pelorin::mGlobal
