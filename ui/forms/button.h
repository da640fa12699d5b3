#pragma once

#include <string>
#include <string_view>

#include "ui/forms/captioned_control.h"
#include "ui/forms/event.h"

namespace corvel::forms {

// A command button.
class Button final : public CaptionedControl {
  public:
    Button(Container& parent, std::string name, std::string_view caption = "")
        : CaptionedControl(parent, std::move(name), caption) {}
    const char* kind() const noexcept override { return "button"; }

    Event<> Click;

    // The user clicked it: it takes the focus and raises Click.
    void user_click() {
        SetFocus();
        Click();
    }
};

}  // namespace corvel::forms
