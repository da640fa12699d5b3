#include "ui/forms/option_button.h"

namespace corvel::forms {

OptionButton::OptionButton(Container& parent, std::string name, std::string_view caption)
    : CaptionedControl(parent, std::move(name), caption) {}

void OptionButton::Value(bool value) {
    if (value_ == value) return;
    if (value) {
        for (Control* sibling : parent().controls()) {
            auto* other = dynamic_cast<OptionButton*>(sibling);
            if (other != nullptr && other != this && other->value_) {
                other->value_ = false;
                other->changed(Property::Value);
            }
        }
    }
    value_ = value;
    changed(Property::Value);
    if (value_) Click();
}

void OptionButton::user_click() {
    SetFocus();
    Value(true);
}

}  // namespace corvel::forms
