#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "common/automation_error.h"
#include "ui/services/untrappable.h"

namespace corvel {

// Runs the body of a member of a class whose failures are its own: errors the class raised itself
// (under `own_source`) and untrappable failures pass unchanged, any other failure becomes the class's
// catch-all component failure.
template <class Body>
auto guard_member(std::string_view own_source, std::uint32_t component_failure, std::string_view description,
                  Body&& body) -> decltype(body()) {
    try {
        return body();
    } catch (const Untrappable&) {
        throw;
    } catch (const AutomationError& e) {
        if (e.source() == own_source) throw;
    } catch (const std::exception&) {
    }
    throw AutomationError(component_failure, std::string(own_source), std::string(description));
}

}  // namespace corvel
