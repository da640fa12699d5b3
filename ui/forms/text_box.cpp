#include "ui/forms/text_box.h"

namespace corvel::forms {

TextBox::TextBox(Container& parent, std::string name, std::string_view text)
    : Control(parent, std::move(name)), text_(text) {}

void TextBox::Text(std::string_view value) {
    if (text_ == value) return;
    text_ = value;
    changed(Property::Text);
    Change();
}

void TextBox::Locked(bool value) {
    locked_ = value;
    changed(Property::Locked);
}

void TextBox::user_type(std::string_view text) {
    SetFocus();
    Text(text);
}

}  // namespace corvel::forms
