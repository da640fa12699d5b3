#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ui/forms/captioned_control.h"
#include "ui/forms/event.h"

namespace corvel::forms {

// A check box: Value 0 unchecked, 1 checked (2 greyed). Every change of Value, by the user or by code,
// raises Click, so code that sets a box runs the same handling as a click.
class CheckBox final : public CaptionedControl {
  public:
    static constexpr std::int16_t kUnchecked = 0;
    static constexpr std::int16_t kChecked = 1;
    static constexpr std::int16_t kGrayed = 2;

    CheckBox(Container& parent, std::string name, std::string_view caption = "",
             std::int16_t value = kUnchecked);
    const char* kind() const noexcept override { return "check box"; }

    std::int16_t Value() const noexcept { return value_; }
    void Value(std::int16_t value);

    Event<> Click;

    // The user clicked it: checked becomes unchecked, anything else checked.
    void user_click();

  private:
    std::int16_t value_;
};

}  // namespace corvel::forms
