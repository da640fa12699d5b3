#pragma once

#include <memory>
#include <utility>

#include "common/automation_error.h"

namespace corvel {

// Raises what the platform raises for a use of "Nothing": a statement that goes on after an ignored
// failure meets an empty reference and fails again, with a report, rather than crashing.
[[noreturn]] inline void raise_nothing() {
    throw AutomationError(vb_error::kObjectVariableNotSet, "Pelorin", vb_error::kObjectVariableNotSetText);
}

// The object behind a reference the object model may answer with "Nothing".
template <class T>
T& object(const std::shared_ptr<T>& reference) {
    if (!reference) raise_nothing();
    return *reference;
}

// A procedure's object variable: empty until a statement sets it, and every use of it while empty
// fails as the platform's object variables do.
template <class T>
class ObjectRef {
  public:
    ObjectRef() = default;
    ObjectRef(std::shared_ptr<T> reference)
        : reference_(std::move(reference)) {}  // NOLINT: plain assignment reads best
    T* operator->() const { return &object(reference_); }
    T& operator*() const { return object(reference_); }
    const std::shared_ptr<T>& get() const noexcept { return reference_; }
    explicit operator bool() const noexcept { return static_cast<bool>(reference_); }

  private:
    std::shared_ptr<T> reference_;
};

}  // namespace corvel
