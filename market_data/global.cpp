#include "market_data/global.h"

#include <map>
#include <mutex>
#include <thread>

namespace corvel::mGlobal {

namespace {

// The store of each apartment (thread). Kept in one map rather than in thread-local objects, whose
// destructors would pin a Windows DLL in memory for as long as the thread lives.
struct Slot {
    std::weak_ptr<CAppSettings> store;
    const Registry* registry = nullptr;
};
std::mutex g_mutex;
std::map<std::thread::id, Slot>& slots() {
    static auto* instance = new std::map<std::thread::id, Slot>();  // outlives static teardown
    return *instance;
}

}  // namespace

std::shared_ptr<CAppSettings> acquire_settings(const std::shared_ptr<Registry>& registry) {
    std::lock_guard lock(g_mutex);
    Slot& slot = slots()[std::this_thread::get_id()];
    if (auto store = slot.store.lock(); store && slot.registry == registry.get()) return store;
    auto store = std::make_shared<CAppSettings>(registry, kLibraryName);
    store->Init("HALVARD", "Corvel");
    slot.store = store;
    slot.registry = registry.get();
    // Apartments that ended leave expired slots behind; they go whenever a store is made.
    for (auto it = slots().begin(); it != slots().end();) {
        it = it->second.store.expired() ? slots().erase(it) : std::next(it);
    }
    return store;
}

std::shared_ptr<CAppSettings> gSettings() {
    std::lock_guard lock(g_mutex);
    const auto it = slots().find(std::this_thread::get_id());
    return it == slots().end() ? nullptr : it->second.store.lock();
}

}  // namespace corvel::mGlobal
