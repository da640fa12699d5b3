#pragma once

#include <cstdint>
#include <string_view>

#include "common/unique_handle.h"
#include "seams/registry.h"

namespace corvel {

// Closes a key through the registry that opened it. The predefined hives are never opened, and so
// never closed.
class RegistryKeyPolicy {
  public:
    using handle_type = RegKeyHandle;

    RegistryKeyPolicy() noexcept = default;
    explicit RegistryKeyPolicy(Registry& registry) noexcept : registry_(&registry) {}

    static constexpr handle_type invalid() noexcept { return 0; }
    // False when the registry refused (or failed) to close the key.
    bool close(handle_type key) noexcept;
    Registry* registry() const noexcept { return registry_; }

  private:
    Registry* registry_ = nullptr;
};

// Owns one open key and closes it on every path out of the scope that opened it. A key put into it
// with `reset` or `put` must come from the same registry.
using RegistryKey = UniqueHandle<RegistryKeyPolicy>;

// Opens (or creates, with every missing key above it) a key; on success `out` owns it, otherwise
// `out` is empty. Returns the registry's status.
RegStatus open_registry_key(Registry& registry, RegKeyHandle parent, std::string_view path,
                            std::uint32_t access, RegistryKey& out);
RegStatus create_registry_key(Registry& registry, RegKeyHandle parent, std::string_view path,
                              std::uint32_t access, RegistryKey& out);

}  // namespace corvel
