#pragma once

#include <string>
#include <string_view>

#include "ui/forms/captioned_control.h"
#include "ui/forms/event.h"

namespace corvel::forms {

// An option button. The option buttons placed directly in one container form a group: selecting one
// deselects the others. Click is raised when a button becomes selected, by the user or by code;
// deselection raises nothing.
class OptionButton final : public CaptionedControl {
  public:
    OptionButton(Container& parent, std::string name, std::string_view caption = "");
    const char* kind() const noexcept override { return "option button"; }

    bool Value() const noexcept { return value_; }
    void Value(bool value);

    Event<> Click;

    void user_click();

  private:
    bool value_ = false;
};

}  // namespace corvel::forms
