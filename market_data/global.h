#pragma once

#include <memory>

#include "common/app_settings.h"
#include "seams/registry.h"

namespace corvel::mGlobal {

inline constexpr const char* kLibraryName = "Tallowin3";

// The settings store of the calling thread (apartment), shared by all its connection objects: the one
// already there for this registry, or a new one initialised for "HALVARD", "Corvel". Every holder
// keeps it alive, so it lives while any connection object of the apartment does.
std::shared_ptr<CAppSettings> acquire_settings(const std::shared_ptr<Registry>& registry);

// The apartment's store (`gSettings`), or null when no connection object holds one.
std::shared_ptr<CAppSettings> gSettings();

}  // namespace corvel::mGlobal
