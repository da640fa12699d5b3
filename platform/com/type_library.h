#pragma once

// Everything else of the Windows SDK assumes the base definitions are in place.
#include <windows.h>

#include <oaidl.h>

namespace corvel::com {

// The type library embedded in this module, loaded once; type information per interface is cached,
// as every dispatch call needs it.
ITypeLib* type_library() noexcept;
// Borrowed: valid while the module is loaded. Null if the library or the interface cannot be found.
ITypeInfo* type_info(REFGUID guid) noexcept;

}  // namespace corvel::com
