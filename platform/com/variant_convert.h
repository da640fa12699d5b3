#pragma once

#include <windows.h>
#include <oaidl.h>

#include "common/variant.h"

namespace corvel::com {

// An automation VARIANT (by-reference forms followed, a missing optional argument as Empty) as the
// logic's variant. Objects and arrays have no place there: they raise the caller's type-mismatch error.
Variant from_variant(const VARIANT& v);

// True for the marker a caller's omitted optional argument carries.
bool is_missing(const VARIANT& v) noexcept;

}  // namespace corvel::com
