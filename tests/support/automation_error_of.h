#pragma once

#include <functional>

#include "common/automation_error.h"

namespace corvel::fakes {

// The automation error `action` raises, or error 0 with the description "no error".
inline AutomationError automation_error_of(const std::function<void()>& action) {
    try {
        action();
    } catch (const AutomationError& e) {
        return e;
    }
    return AutomationError(0, "", "no error");
}

}  // namespace corvel::fakes
