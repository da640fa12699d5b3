#pragma once

// Everything else of the Windows SDK assumes the base definitions are in place.
#include <windows.h>

#include <oaidl.h>

#include "common/variant.h"

namespace corvel::com {

// An automation VARIANT (by-reference forms followed, a missing optional argument as Empty) as the
// logic's variant. Objects and arrays have no place there: they raise the caller's type-mismatch error,
// with the source of the member that was called (the library's name when none is given).
Variant from_variant(const VARIANT& v, const char* error_source = nullptr);

// The logic's variant as an automation VARIANT, written into `out` (which holds nothing yet): the
// VARIANT type of each kind is the one an automation caller's own variable of that kind has.
void to_variant(const Variant& value, VARIANT& out);

// True for the marker a caller's omitted optional argument carries.
bool is_missing(const VARIANT& v) noexcept;

}  // namespace corvel::com
