#include "ui/forms/check_box.h"

namespace corvel::forms {

CheckBox::CheckBox(Container& parent, std::string name, std::string_view caption, std::int16_t value)
    : CaptionedControl(parent, std::move(name), caption), value_(value) {}

void CheckBox::Value(std::int16_t value) {
    if (value < kUnchecked || value > kGrayed) {
        raise(control_error::kInvalidPropertyValue, "Invalid property value");
    }
    if (value_ == value) return;
    value_ = value;
    changed(Property::Value);
    Click();
}

void CheckBox::user_click() {
    SetFocus();
    Value(value_ == kChecked ? kUnchecked : kChecked);
}

}  // namespace corvel::forms
