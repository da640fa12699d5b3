#include "ui/forms/combo_box.h"

#include "common/text.h"

namespace corvel::forms {

ComboBox::ComboBox(Container& parent, std::string name, Style style)
    : ListControl(parent, std::move(name)), style_(style) {}

void ComboBox::selection_changed() {
    const std::string& now = ListIndex() >= 0 ? List(ListIndex()) : std::string();
    if (style_ == Style::DropDownCombo && ListIndex() < 0) return;  // a typed text stays
    if (text_ == now) return;
    text_ = now;
    changed(Property::Text);
}

void ComboBox::items_cleared() {
    if (text_.empty()) return;
    text_.clear();
    changed(Property::Text);
}

void ComboBox::Text(std::string_view value) {
    if (style_ == Style::DropDownList) {
        // The platform's exact-string search, which ignores letter case.
        for (std::int32_t i = 0; i < ListCount(); ++i) {
            if (equals_ignore_case(List(i), value)) {
                ListIndex(i);
                return;
            }
        }
        raise(control_error::kTextReadOnly, "'Text' property is read-only");
    }
    if (text_ == value) return;
    text_ = value;
    if (ListIndex() >= 0 && List(ListIndex()) != value) select_quietly(-1);
    changed(Property::Text);
    Change();
}

void ComboBox::user_type(std::string_view text) {
    SetFocus();
    Text(text);
}

}  // namespace corvel::forms
