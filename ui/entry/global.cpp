#include "ui/entry/global.h"

#include "ui/services/pelorin.h"

namespace corvel::pelorin::mGlobal {

namespace {
// A shared service of the thread and the outside object it was made for: a second environment (a
// test's, another host's) gets services of its own rather than ones bound to a stranger's host.
template <class Service>
struct Slot {
    std::weak_ptr<Service> service;
    const void* made_for = nullptr;

    template <class Make>
    std::shared_ptr<Service> acquire(const void* outside, Make&& make) {
        if (auto existing = service.lock(); existing && made_for == outside) return existing;
        std::shared_ptr<Service> created = make();
        service = created;
        made_for = outside;
        return created;
    }
};

thread_local Slot<CErrorHandler> t_error_handler;
thread_local Slot<CAppSettings> t_settings;
}  // namespace

std::shared_ptr<CErrorHandler> acquire_error_handler(const UiEnvironment& environment) {
    return t_error_handler.acquire(environment.host.get(), [&] {
        auto handler = std::make_shared<CErrorHandler>(environment);
        handler->Init(CErrorHandler::kActionErrorDialog, "Error Log.txt", true, false,
                      CErrorHandler::kTraceLogFile, "Tracing Log.txt");
        return handler;
    });
}

std::shared_ptr<CAppSettings> acquire_settings(const UiEnvironment& environment) {
    return t_settings.acquire(environment.registry.get(), [&] {
        auto settings = std::make_shared<CAppSettings>(environment.registry, kLibraryName);
        settings->Init("HALVARD", "Corvel");
        return settings;
    });
}

std::shared_ptr<CErrorHandler> gErrorHandler() {
    return t_error_handler.service.lock();
}
std::shared_ptr<CAppSettings> gSettings() {
    return t_settings.service.lock();
}

}  // namespace corvel::pelorin::mGlobal
