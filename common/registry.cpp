#include "seams/registry.h"

namespace corvel {

bool is_predefined_hive(RegKeyHandle handle) noexcept {
    return handle >= reg_hive::kClassesRoot && handle <= reg_hive::kUsers;
}

std::string_view hive_name(RegKeyHandle handle) noexcept {
    switch (handle) {
        case reg_hive::kClassesRoot: return "HKEY_CLASSES_ROOT";
        case reg_hive::kCurrentUser: return "HKEY_CURRENT_USER";
        case reg_hive::kLocalMachine: return "HKEY_LOCAL_MACHINE";
        case reg_hive::kUsers: return "HKEY_USERS";
        default: return {};
    }
}

RegStatus RegistryKey::open(Registry& registry, RegKeyHandle parent, std::string_view path, std::uint32_t access,
                            RegistryKey& out) {
    RegKeyHandle h = 0;
    const RegStatus status = registry.open_key(parent, path, access, h);
    out = status == reg_status::kSuccess ? RegistryKey(registry, h) : RegistryKey();
    return status;
}

RegStatus RegistryKey::create(Registry& registry, RegKeyHandle parent, std::string_view path,
                              std::uint32_t access, RegistryKey& out) {
    RegKeyHandle h = 0;
    const RegStatus status = registry.create_key(parent, path, access, h);
    out = status == reg_status::kSuccess ? RegistryKey(registry, h) : RegistryKey();
    return status;
}

void RegistryKey::reset() noexcept {
    if (handle_ != 0 && registry_ != nullptr && !is_predefined_hive(handle_)) {
        try {
            registry_->close_key(handle_);
        } catch (...) {
            // Closing is the last act of a scope that may already be failing: nothing to report to.
        }
    }
    handle_ = 0;
}

}  // namespace corvel
