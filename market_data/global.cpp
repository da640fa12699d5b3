#include "market_data/global.h"

namespace corvel::mGlobal {

namespace {
struct Slot {
    std::weak_ptr<CAppSettings> store;
    const Registry* registry = nullptr;
};
thread_local Slot t_slot;
}  // namespace

std::shared_ptr<CAppSettings> acquire_settings(const std::shared_ptr<Registry>& registry) {
    if (auto store = t_slot.store.lock(); store && t_slot.registry == registry.get()) return store;
    auto store = std::make_shared<CAppSettings>(registry, kLibraryName);
    store->Init("HALVARD", "Corvel");
    t_slot.store = store;
    t_slot.registry = registry.get();
    return store;
}

std::shared_ptr<CAppSettings> gSettings() { return t_slot.store.lock(); }

}  // namespace corvel::mGlobal
