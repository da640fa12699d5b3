#include "market_data/global.h"

#include "common/apartment_slot.h"

namespace corvel::mGlobal {

namespace {
ApartmentSlot<CAppSettings> g_settings;
}  // namespace

std::shared_ptr<CAppSettings> acquire_settings(const std::shared_ptr<Registry>& registry) {
    return g_settings.acquire(registry.get(), [&] {
        auto store = std::make_shared<CAppSettings>(registry, kLibraryName);
        store->Init("HALVARD", "Corvel");
        return store;
    });
}

std::shared_ptr<CAppSettings> gSettings() {
    return g_settings.get();
}

}  // namespace corvel::mGlobal
