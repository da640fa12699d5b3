#pragma once

// Everything else of the Windows SDK assumes the base definitions are in place.
#include <windows.h>

#include <oaidl.h>

#include <functional>

namespace corvel::com {

// Script hosts pass every variable by reference as a variant, which a member declaring a typed
// by-reference parameter (a 16-bit integer, a string, a double) refuses as a type mismatch: a script
// could then never receive what such a member writes back. This calls `invoke` again with each such
// argument converted into a temporary of the declared type, passed by reference, and after a
// successful call puts each temporary's final value into the caller's variant.
//
// Returns DISP_E_TYPEMISMATCH (with `arg_error` set) when an argument cannot take the declared type, and
// the original result when nothing could be converted.
HRESULT invoke_with_typed_references(ITypeInfo* info, DISPID id, WORD flags, DISPPARAMS* params,
                                     UINT* arg_error,
                                     const std::function<HRESULT(DISPPARAMS*)>& invoke) noexcept;

}  // namespace corvel::com
