#pragma once

#include <string>
#include <string_view>

#include "ui/forms/control.h"
#include "ui/forms/event.h"

namespace corvel::forms {

// A text box; `Locked` keeps the user from editing it, `MultiLine` lets the text hold line breaks.
class TextBox final : public Control {
  public:
    TextBox(Container& parent, std::string name, std::string_view text = "");
    const char* kind() const noexcept override { return "text box"; }

    const std::string& Text() const noexcept { return text_; }
    // Raises Change when the text differs.
    void Text(std::string_view value);
    bool Locked() const noexcept { return locked_; }
    void Locked(bool value);
    bool MultiLine() const noexcept { return multi_line_; }
    void MultiLine(bool value) noexcept { multi_line_ = value; }

    Event<> Change;

    // The user typed `text` in place of what the box held; the box takes the focus first.
    void user_type(std::string_view text);

  private:
    std::string text_;
    bool locked_ = false;
    bool multi_line_ = false;
};

}  // namespace corvel::forms
