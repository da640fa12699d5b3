#pragma once

#include <string>
#include <string_view>

#include "ui/forms/captioned_control.h"

namespace corvel::forms {

// A container with an optional caption: a group frame, a resizing container, a page of a tab
// container. Option buttons placed in the same frame form one group.
class Frame final : public CaptionedControl, public Container {
  public:
    Frame(Container& parent, std::string name, std::string_view caption = "")
        : CaptionedControl(parent, std::move(name), caption), Container(&parent.form()) {}
    const char* kind() const noexcept override { return "frame"; }
    const Control* as_control() const noexcept override { return this; }
};

}  // namespace corvel::forms
