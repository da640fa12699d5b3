#pragma once

#include <string>
#include <string_view>

#include "ui/forms/control.h"

namespace corvel::forms {

// A control that shows a caption of its own: button, label, frame, check box, option button.
class CaptionedControl : public Control {
  public:
    const std::string& Caption() const noexcept { return caption_; }
    void Caption(std::string_view value) {
        if (caption_ == value) return;
        caption_ = value;
        changed(Property::Caption);
    }

  protected:
    CaptionedControl(Container& parent, std::string name, std::string_view caption)
        : Control(parent, std::move(name)), caption_(caption) {}

  private:
    std::string caption_;
};

}  // namespace corvel::forms
