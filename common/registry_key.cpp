#include "common/registry_key.h"

namespace corvel {

bool RegistryKeyPolicy::close(handle_type key) noexcept {
    if (registry_ == nullptr || is_predefined_hive(key)) return true;
    try {
        return registry_->close_key(key) == reg_status::kSuccess;
    } catch (...) {
        // Closing is the last act of a scope that may already be failing: nothing to report to.
        return false;
    }
}

namespace {

using KeyCall = RegStatus (Registry::*)(RegKeyHandle, std::string_view, std::uint32_t, RegKeyHandle&);

RegStatus owned(Registry& registry, KeyCall call, RegKeyHandle parent, std::string_view path,
                std::uint32_t access, RegistryKey& out) {
    RegKeyHandle h = 0;
    const RegStatus status = (registry.*call)(parent, path, access, h);
    out = status == reg_status::kSuccess ? RegistryKey(h, RegistryKeyPolicy(registry)) : RegistryKey();
    return status;
}

}  // namespace

RegStatus open_registry_key(Registry& registry, RegKeyHandle parent, std::string_view path,
                            std::uint32_t access, RegistryKey& out) {
    return owned(registry, &Registry::open_key, parent, path, access, out);
}

RegStatus create_registry_key(Registry& registry, RegKeyHandle parent, std::string_view path,
                              std::uint32_t access, RegistryKey& out) {
    return owned(registry, &Registry::create_key, parent, path, access, out);
}

}  // namespace corvel
