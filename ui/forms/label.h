#pragma once

#include <string>
#include <string_view>

#include "ui/forms/captioned_control.h"

namespace corvel::forms {

// A caption the user reads.
class Label final : public CaptionedControl {
  public:
    Label(Container& parent, std::string name, std::string_view caption = "")
        : CaptionedControl(parent, std::move(name), caption) {}
    const char* kind() const noexcept override { return "label"; }
};

}  // namespace corvel::forms
