#pragma once

#include <string>
#include <string_view>

#include "common/automation_error.h"
#include "seams/workbook/excel_constants.h"

namespace corvel::workbook {

// The source of the in-memory workbook's errors.
inline constexpr const char* kMemoryWorkbookSource = "Corvel.MemoryWorkbook";

// A member of the object model failed, as the application reports it: "Method 'Range' of object
// '_Worksheet' failed".
[[noreturn]] inline void raise_method_failed(std::string_view method, std::string_view object) {
    throw AutomationError(
        kErrObjectModel, kMemoryWorkbookSource,
        "Method '" + std::string(method) + "' of object '" + std::string(object) + "' failed");
}

[[noreturn]] inline void raise_object_error(std::string_view description) {
    throw AutomationError(kErrObjectModel, kMemoryWorkbookSource, std::string(description));
}

[[noreturn]] inline void raise_subscript_out_of_range() {
    throw AutomationError(vb_error::kSubscriptOutOfRange, kMemoryWorkbookSource,
                          vb_error::kSubscriptOutOfRangeText);
}

}  // namespace corvel::workbook
