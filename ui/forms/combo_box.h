#pragma once

#include <string>
#include <string_view>

#include "ui/forms/list_control.h"

namespace corvel::forms {

// A drop-down list. In the `DropDownCombo` style the user may also type a text of their own (the
// selection then goes: ListIndex -1); in the `DropDownList` style ("pick only") the text is always
// the selected item, and setting a text that is no item fails.
class ComboBox final : public ListControl {
  public:
    enum class Style { DropDownCombo = 0, DropDownList = 2 };

    ComboBox(Container& parent, std::string name, Style style = Style::DropDownCombo);
    const char* kind() const noexcept override { return "drop-down list"; }

    Style style() const noexcept { return style_; }
    const std::string& Text() const noexcept { return text_; }
    void Text(std::string_view value);

    // Raised when the text changes other than by a selection.
    Event<> Change;

    // The user typed `text` into the edit part (only a `DropDownCombo` has one).
    void user_type(std::string_view text);

  private:
    void selection_changed() override;
    void items_cleared() override;

    Style style_;
    std::string text_;
};

}  // namespace corvel::forms
